"""Type stubs for gloamery: terrain height maps lit on NumPy arrays."""

from typing import Any, Callable, Dict, Final, Literal, Optional, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: Final[str]
SLOTS: Final[Tuple[str, ...]]
OPERATIONS: Final[Tuple[str, ...]]
MAX_MAP_SIZE: Final[int]
# The operation table, a dict a row: name, caption, method, help, doc, kind
# ("shadow", "texture", "clear", "layer"), reads, writes, controls (the
# attributes it uses). The control schema, a dict a control: python, kind,
# count, parts (lo, hi, key, caption), second_optional, start, flag, key,
# needs, choices, unset.
OPERATION_TABLE: Final[Tuple[Dict[str, Any], ...]]
CONTROL_SCHEMA: Final[Tuple[Dict[str, Any], ...]]

SlotName = Literal["height", "shadow", "colour", "grass", "stone", "texture", "detail"]
BlendName = Literal["50/50", "multiply", "multiply/2", "multiply/3", "overlay", "soft-light", "screen"]
OperationName = Literal[
    "linear", "linear-sim", "sin", "cos", "embossed", "sun", "sky-view", "openness", "openness-negative",
    "multi-hillshade", "sun-hours", "direct-light", "make-texture", "make-texture2", "tint", "clear"
]
Bytes = npt.NDArray[np.uint8]
Floats = npt.NDArray[np.float32]
Words = npt.NDArray[np.uint16]
Elevations = Union[npt.NDArray[np.float32], npt.NDArray[np.float64]]
Transform = Tuple[float, float, float, float, float, float]

Progress = Optional[Callable[[float], object]]
Cancel = Optional[Callable[[], bool]]

class Cancelled(RuntimeError):
    """A run stopped because cancel() said so; the maps are as they were."""

def load(
    path: str,
    *,
    heights: Optional[Tuple[float, float]] = None,
    size: Optional[Tuple[int, int]] = None,
) -> Union[Bytes, Words]:
    """Reads a file with gloamery-batch's readers: (H, W) uint16 for deep
    heights, else (H, W, 3) uint8. Raises OSError, ValueError."""

def open(path: str, *, heights: Optional[Tuple[float, float]] = None) -> "Workspace":
    """A Workspace of the file's size with it loaded as height, as
    gloamery-batch --open makes it (place, no-data and units included).
    Raises OSError."""

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

    # Slots: reading gives a copy; setting takes any array (any strides) of
    # the shape and dtype, else ValueError.
    @property
    def height(self) -> Union[Bytes, Words]:
        """(H, W) uint16 when deep, else (H, W) uint8."""
    @height.setter
    def height(self, value: Union[Bytes, Words, Elevations]) -> None:
        """(H, W) uint8, uint16, float32 or float64, or (H, W, 3) uint8."""
    def set_height(
        self, array: Union[Bytes, Words, Elevations], *, heights: Optional[Tuple[float, float]] = None
    ) -> Optional[Tuple[float, float]]:
        """As assigning height; float elevations mapped over heights (default
        their own range), NaN as no-data; returns the range used for floats."""
    shadow: Bytes
    colour: Bytes
    grass: Bytes
    stone: Bytes
    texture: Bytes
    detail: Bytes

    # Controls, one a row of CONTROL_SCHEMA, checked when set: ValueError for a value out of
    # range, TypeError for one of another type. normal_depth takes '8' and '16' too, radius
    # its text or 'none', place and period their texts as gloamery-batch takes them.
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
    @property
    def ground(self) -> Tuple[float, float]: ...
    @ground.setter
    def ground(self, value: Union[float, Tuple[float, float]]) -> None:
        """One number stands for both, as --ground GX does."""
    vertical: float
    normal_convention: Literal["opengl", "directx"]
    normal_depth: Literal[8, 16]
    directions: int
    radius: Optional[float]
    blend_opacity: float
    colours: str
    colour_entries: Literal["interpolate", "exact", "nearest"]
    # The real sun, None until set: times with their zone ('2026-06-21T09:00[Europe/Zurich]',
    # '...Z', '...+02:00'), read back in UTC; place (latitude, longitude) in degrees
    # (None: the centre of geotransform's place); period (FROM, TO, STEP minutes).
    when: Optional[str]
    place: Optional[Tuple[float, float]]
    period: Optional[Tuple[str, str, int]]

    # Operations: release the GIL; ValueError when the controls cannot be used.
    # progress(fraction) is told how far a run is; cancel() answering True
    # stops it (Cancelled), the maps as they were.
    def linear(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def linear_sim(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def sin(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def cos(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def embossed(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def sun_run(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def sky_view(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def openness(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def openness_negative(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def multi_hillshade(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def sun_hours(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def direct_light(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def make_texture(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def make_texture2(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def tint(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def clear(self, *, progress: Progress = None, cancel: Cancel = None) -> None: ...
    def run(self, name: OperationName, *, progress: Progress = None, cancel: Cancel = None) -> None: ...

    # Where the map lies, carried by GeoTIFF saves; None when nowhere.
    geotransform: Optional[Transform]
    crs: Optional[str]

    # Files, as gloamery-batch's --load/--tile and --save (OSError).
    def load(
        self,
        slot: SlotName,
        path: str,
        *,
        tile: bool = False,
        heights: Optional[Tuple[float, float]] = None,
    ) -> Tuple[int, int, str]: ...
    def save(self, slot: Union[SlotName, Literal["layer"]], path: str) -> None:
        """slot 'layer': the layer as a 32-bit float GeoTIFF (.tif), where the map lies."""
    # The real-valued layer the last layer operation made, NaN where the
    # raster held no data; None before one has run.
    @property
    def layer(self) -> Optional[Floats]: ...

    # Maps a game engine imports (ValueError for a bad choice).
    def normal_map(
        self,
        *,
        convention: Optional[Literal["opengl", "directx"]] = None,
        depth: Optional[Literal[8, 16]] = None,
    ) -> Union[Bytes, Words]:
        """(H, W, 3) uint8, or uint16 with depth=16; by default the controls'."""
    def splat_map(self) -> Bytes:
        """(H, W, 4) uint8: grass in red, stone in green; after a texture run."""
    def occlusion_map(self, *, directions: Optional[int] = None, radius: Optional[float] = None) -> Bytes:
        """(H, W) uint8: round(255 x sky-view factor); by default the controls'."""
    def fit(self, width: int, height: int) -> None:
        """The heights resampled to width x height (cubic, corners kept)."""
