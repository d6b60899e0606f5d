"""Files through the batch tool's readers and writers."""

import numpy as np
import pytest

import gloamery
from conftest import TOOLKIT_READER, needs_toolkit_reader, random_scene

W, H = 45, 33


@pytest.fixture
def scene(tmp_path):
    heights, grass, _ = random_scene(11, W, H, True)
    ws = gloamery.Workspace(W, H)
    ws.height, ws.grass = heights, grass
    return ws, heights, grass, tmp_path


@pytest.mark.parametrize("name, slot, kind", [
    ("deep.png", "height", "deep"),
    ("grass.png", "grass", "rgb"),
    pytest.param("grass.bmp", "grass", "rgb", marks=needs_toolkit_reader),
    # A deep map saved as BMP shows its 8-bit grey.
    pytest.param("height.bmp", "height", "shown", marks=needs_toolkit_reader),
])
def test_saved_files_load_back(scene, name, slot, kind):
    ws, heights, grass, tmp = scene
    ws.save(slot, str(tmp / name))
    got = gloamery.load(str(tmp / name))
    if kind == "deep":
        assert got.dtype == np.uint16 and np.array_equal(got, heights)
    elif kind == "rgb":
        assert got.dtype == np.uint8 and np.array_equal(got, grass)
    else:
        shown = np.rint(heights / 257).astype(np.uint8)
        assert np.array_equal(got, np.dstack([shown] * 3))


@needs_toolkit_reader
def test_raw_heights_need_the_map_size(tmp_path):
    samples = np.arange(W * H, dtype="<u2").reshape(H, W) * 7
    samples.tofile(tmp_path / "map.r16")
    assert np.array_equal(gloamery.load(str(tmp_path / "map.r16"), size=(W, H)), samples)
    with pytest.raises(OSError, match='cannot read ".*map.r16"'):
        gloamery.load(str(tmp_path / "map.r16"))


def test_a_damaged_file_is_refused_and_the_slot_kept(tmp_path):
    (tmp_path / "bad.png").write_bytes(b"\x89PNG\r\n\x1a\n" + b"\0" * 40)
    ws = gloamery.Workspace(W, H)
    before = ws.grass
    with pytest.raises(OSError, match='^cannot read ".*bad.png": '):
        ws.load("grass", str(tmp_path / "bad.png"))
    assert np.array_equal(ws.grass, before)


def test_load_places_and_tiles_as_the_batch_tool_does(scene):
    ws, heights, grass, tmp = scene
    small = grass[:10, :20].copy()
    part = gloamery.Workspace(20, 10)
    part.grass = small
    part.save("grass", str(tmp / "small.png"))
    assert ws.load("grass", str(tmp / "small.png")) == (20, 10, "")
    placed = ws.grass
    assert np.array_equal(placed[:10, :20], small) and (placed[10:] == 240).all()
    ws.load("stone", str(tmp / "small.png"), tile=True)
    assert np.array_equal(ws.stone, np.tile(small, (4, 3, 1))[:H, :W])


def test_a_deep_file_makes_the_height_map_deep(scene):
    ws, heights, _, tmp = scene
    ws.save("height", str(tmp / "deep.png"))
    other = gloamery.Workspace(W, H)
    other.load("height", str(tmp / "deep.png"))
    assert other.deep and np.array_equal(other.height, heights)



@needs_toolkit_reader
@pytest.mark.parametrize("heights, low, high", [(None, -5.0, 120.0), ((0.0, 100.0), 0.0, 100.0)])
def test_elevation_rasters_map_onto_deep_heights(tmp_path, heights, low, high):
    """An ESRI ASCII grid, read by the raster plugin the package carries."""
    grid = np.array([[-5, 0, 10.5, 20], [40, 60, 80, 100], [120, -9999, 7, 7]])
    lines = ["ncols 4", "nrows 3", "xllcorner 0", "yllcorner 0", "cellsize 1", "NODATA_value -9999"]
    lines += [" ".join(repr(float(v)) for v in row) for row in grid]
    (tmp_path / "dem.asc").write_text("\n".join(lines) + "\n")
    got = gloamery.load(str(tmp_path / "dem.asc"), heights=heights)
    valid = np.where(grid == -9999, low, grid)
    expected = np.clip(np.rint((valid - low) / (high - low) * 65535), 0, 65535).astype(np.uint16)
    assert got.dtype == np.uint16 and np.array_equal(got, expected)
    ws = gloamery.Workspace(4, 3)
    width, height, note = ws.load("height", str(tmp_path / "dem.asc"), heights=heights)
    assert (width, height) == (4, 3) and ws.deep and np.array_equal(ws.height, expected)
    assert "mapped onto 0..65535" in note


@pytest.mark.skipif(TOOLKIT_READER, reason="the toolkit's readers are there")
def test_without_the_toolkit_reader_other_files_are_refused(scene):
    ws, _, _, tmp = scene
    ws.save("grass", str(tmp / "grass.bmp"))
    with pytest.raises(OSError, match="BMP files are read (by the libgloamery-qtio.so plugin, which is not installed|through Qt's readers, which this build leaves out)"):
        gloamery.load(str(tmp / "grass.bmp"))
