"""Type stubs for gloamery: terrain height maps lit on NumPy arrays."""

from typing import Final, Literal, Optional, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: Final[str]
SLOTS: Final[Tuple[str, ...]]
OPERATIONS: Final[Tuple[str, ...]]
MAX_MAP_SIZE: Final[int]

SlotName = Literal["height", "shadow", "colour", "grass", "stone", "texture", "detail"]
BlendName = Literal["50/50", "multiply", "multiply/2", "multiply/3"]
OperationName = Literal[
    "linear", "linear-sim", "sin", "cos", "embossed", "sun", "make-texture", "make-texture2", "clear",
    "sun-hours", "direct-light",
]
Floats = npt.NDArray[np.float32]
Bytes = npt.NDArray[np.uint8]
Words = npt.NDArray[np.uint16]

def load(
    path: str,
    *,
    heights: Optional[Tuple[float, float]] = None,
    size: Optional[Tuple[int, int]] = None,
) -> Union[Bytes, Words]:
    """Reads a file with gloamery-batch's readers: (H, W) uint16 for deep
    heights, else (H, W, 3) uint8. Raises OSError, ValueError."""

def set_threads(n: int) -> None:
    """Computes on n threads (1..1024) from now on; same bytes on any number."""

def threads() -> int:
    """The number of threads a computation may use."""

class Workspace:
    """A terrain's pictures and controls, as gloamery-batch works on them."""

    def __init__(self, width: int = 256, height: int = 256, *, defaults: bool = True) -> None: ...
    @property
    def size(self) -> Tuple[int, int]:
        """(W, H) in pixels."""
    @property
    def shape(self) -> Tuple[int, int]:
        """(H, W): the first two sides of every slot's array."""
    @property
    def deep(self) -> bool:
        """Whether the runs read 16-bit heights."""
    def resize(self, width: int, height: int) -> None: ...

    # Slots: reading gives a copy; setting takes a C-contiguous array of
    # exactly the shape and dtype, else ValueError.
    @property
    def height(self) -> Union[Bytes, Words]:
        """(H, W) uint16 when deep, else (H, W) uint8."""
    @height.setter
    def height(self, value: Union[Bytes, Words]) -> None:
        """(H, W) uint8 or uint16, or (H, W, 3) uint8."""
    shadow: Bytes
    colour: Bytes
    grass: Bytes
    stone: Bytes
    texture: Bytes
    detail: Bytes

    # Controls, checked when set (ValueError).
    sun: Tuple[float, float]
    decay: float
    darkness: int
    contrast: int
    blur: bool
    blend: BlendName
    sun_angle: Tuple[float, float]
    sun_size: float
    lambert: bool
    sky: float
    sky_rays: Tuple[int, int]
    ground: Tuple[float, float]
    vertical: float
    when: Optional[str]
    place: Optional[Tuple[float, float]]
    period: Optional[Tuple[str, str, int]]

    # Operations: release the GIL; ValueError when the controls cannot be used.
    def linear(self) -> None: ...
    def linear_sim(self) -> None: ...
    def sin(self) -> None: ...
    def cos(self) -> None: ...
    def embossed(self) -> None: ...
    def sun_run(self) -> None: ...
    def make_texture(self) -> None: ...
    def make_texture2(self) -> None: ...
    def clear(self) -> None: ...
    def sun_hours(self) -> Floats: ...
    def direct_light(self) -> Floats: ...
    def run(self, name: OperationName) -> None: ...

    # Files, as gloamery-batch's --load/--tile and --save (OSError).
    def load(
        self,
        slot: SlotName,
        path: str,
        *,
        tile: bool = False,
        heights: Optional[Tuple[float, float]] = None,
    ) -> Tuple[int, int, str]: ...
    def save(self, slot: SlotName, path: str) -> None: ...
