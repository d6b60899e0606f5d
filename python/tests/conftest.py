"""Shared fixtures: the batch tool to compare with, and random scenes."""

import os
import pathlib

import numpy as np
import pytest

import gloamery

REPO = pathlib.Path(__file__).resolve().parents[2]


@pytest.fixture(scope="session")
def batch_tool():
    """The gloamery-batch to compare with: GLOAMERY_BATCH, else the build tree's.

    scripts/test.sh sets GLOAMERY_BATCH, so there a missing tool fails rather
    than skips."""
    given = os.environ.get("GLOAMERY_BATCH")
    path = pathlib.Path(given) if given else REPO / "build" / "batch" / "gloamery-batch"
    if not path.is_file():
        if given:
            pytest.fail(f"GLOAMERY_BATCH={given} is not a file")
        pytest.skip("no gloamery-batch built (set GLOAMERY_BATCH)")
    return str(path)


# Whether the package carries the toolkit's readers (built where Qt was
# found): BMP, JPEG, raw and raster files go through them.
TOOLKIT_READER = (pathlib.Path(gloamery.__file__).parent / "plugins" / "libgloamery-qtio.so").is_file()
needs_toolkit_reader = pytest.mark.skipif(not TOOLKIT_READER, reason="built without the toolkit's readers")


def random_scene(seed, width, height, deep):
    """Heights (smooth hills plus noise, so shadows fall), grass and stone."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width]
    hills = np.sin(x / 9.0 + rng.uniform(0, 6)) * np.cos(y / 7.0 + rng.uniform(0, 6))
    top = 65535 if deep else 255
    levels = (hills + 1) / 2 * 0.8 * top + rng.uniform(0, 0.2 * top, size=hills.shape)
    heights = np.ascontiguousarray(levels.astype(np.uint16 if deep else np.uint8))
    grass = rng.integers(0, 256, size=(height, width, 3), dtype=np.uint8)
    stone = rng.integers(0, 256, size=(height, width, 3), dtype=np.uint8)
    return heights, grass, stone
