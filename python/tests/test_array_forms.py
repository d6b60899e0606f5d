"""Arrays as NumPy users have them: slices, strides, Fortran order, pickled
copies and float elevations each give the bytes of the plain array."""

import pickle

import numpy as np
import pytest

import gloamery
from conftest import random_scene

W, H = 48, 36
DEEP, GRASS, STONE = random_scene(21, W, H, True)
GREY = (DEEP >> 8).astype(np.uint8)


def unaligned(a):
    """The same values starting one byte into a buffer."""
    raw = np.zeros(a.nbytes + 1, np.uint8)
    view = np.frombuffer(raw.data, a.dtype, a.size, offset=1).reshape(a.shape)
    view[...] = a
    return view


def embedded(a):
    """The array as a window of a larger one (dem[100:600, 200:700])."""
    big = np.zeros((a.shape[0] + 7, a.shape[1] + 9) + a.shape[2:], a.dtype)
    big[3:3 + a.shape[0], 5:5 + a.shape[1]] = a
    return big[3:3 + a.shape[0], 5:5 + a.shape[1]]


def every_other_column(a):
    wide = np.repeat(a, 2, axis=1)
    return wide[:, ::2]


FORMS = {
    "window": embedded,
    "strided": every_other_column,
    "fortran": np.asfortranarray,
    "negative strides": lambda a: np.flip(np.flip(a, (0, 1)).copy(), (0, 1)),
    "transposed back": lambda a: np.ascontiguousarray(np.swapaxes(a, 0, 1)).swapaxes(0, 1),
    "pickled": lambda a: pickle.loads(pickle.dumps(a)),
    "pickled window": lambda a: pickle.loads(pickle.dumps(embedded(a))),
    "unaligned": unaligned,
}


@pytest.mark.parametrize("form", FORMS)
@pytest.mark.parametrize("slot, plain", [("height", DEEP), ("height", GREY), ("grass", GRASS), ("stone", STONE)])
def test_every_form_gives_the_plain_arrays_bytes(form, slot, plain):
    given = FORMS[form](plain)
    assert np.array_equal(given, plain) and given.dtype == plain.dtype
    ws, reference = gloamery.Workspace(W, H), gloamery.Workspace(W, H)
    setattr(ws, slot, given)
    setattr(reference, slot, plain)
    assert np.array_equal(getattr(ws, slot), getattr(reference, slot))
    for w in (ws, reference):
        w.make_texture2()
        w.sun_run()
    assert np.array_equal(ws.colour, reference.colour)


def test_a_pickled_array_is_taken_whatever_dtype_object_it_carries():
    """What multiprocessing hands a worker: an equal dtype, not the same object."""
    ws = gloamery.Workspace(W, H)
    for slot, plain in [("height", GREY), ("height", DEEP), ("colour", GRASS)]:
        copy = pickle.loads(pickle.dumps(plain))
        setattr(ws, slot, copy)
        assert np.array_equal(getattr(ws, slot), plain)


def elevations(dtype):
    y, x = np.mgrid[0:H, 0:W]
    e = (120.5 + 80 * np.sin(x / 5.0) * np.cos(y / 4.0)).astype(dtype)
    e[0, :3] = np.nan
    e[5, 7] = np.inf
    e[9, 2] = -np.inf
    return e


def mapped(e, low, high):
    """The raster reader's mapping: nearest, saturated, no-data at the low end."""
    valid = np.isfinite(e)
    s = np.rint((np.where(valid, e.astype(np.float64), low) - low) / (high - low) * 65535)
    return np.clip(s, 0, 65535).astype(np.uint16)


@pytest.mark.parametrize("dtype", [np.float32, np.float64])
@pytest.mark.parametrize("form", ["plain", "window", "fortran", "strided", "pickled"])
@pytest.mark.parametrize("pinned", [None, (0.0, 250.0), (100.0, 150.0)])
def test_float_elevations_map_as_a_raster_does(dtype, form, pinned):
    e = elevations(dtype)
    given = e if form == "plain" else FORMS[form](e)
    ws = gloamery.Workspace(W, H)
    used = ws.set_height(given, heights=pinned)
    finite = e[np.isfinite(e)].astype(np.float64)
    low, high = pinned or (finite.min(), finite.max())
    assert used == (low, high)
    assert ws.deep and np.array_equal(ws.height, mapped(e, low, high))
    assert ws.vertical == (high - low) / 255
    if pinned is None:
        plain = gloamery.Workspace(W, H)
        plain.height = e
        assert np.array_equal(plain.height, ws.height)


def test_float_elevations_match_the_same_raster_read_from_a_file(tmp_path):
    gdal = pytest.importorskip("osgeo.gdal")
    e = elevations(np.float32)
    raster = gdal.GetDriverByName("GTiff").Create(str(tmp_path / "e.tif"), W, H, 1, gdal.GDT_Float32)
    raster.SetGeoTransform((500000.0, 30.0, 0.0, 4000000.0, 0.0, -30.0))
    raster.GetRasterBand(1).WriteArray(e)
    raster = None
    from_file = gloamery.open(str(tmp_path / "e.tif"))
    from_array = gloamery.Workspace(W, H)
    from_array.height = e
    assert np.array_equal(from_file.height, from_array.height)
    assert from_file.vertical == from_array.vertical


def test_nan_cells_are_clear_in_a_saved_colour_map(tmp_path):
    ws = gloamery.Workspace(W, H)
    ws.height = elevations(np.float64)
    ws.sun_run()
    ws.save("colour", str(tmp_path / "lit.png"))
    png = pytest.importorskip("matplotlib.image").imread(str(tmp_path / "lit.png"))
    assert png.shape == (H, W, 4)
    assert np.array_equal(png[:, :, 3] == 0, ~np.isfinite(elevations(np.float64)))


@pytest.mark.parametrize("array, heights, message", [
    (np.full((H, W), np.nan), None, "every cell is NaN or infinite"),
    (GREY, (0.0, 10.0), "heights maps float elevations"),
    (elevations(np.float64), (5.0, 5.0), "heights needs two finite numbers LO,HI with LO below HI"),
])
def test_unusable_elevations_are_refused(array, heights, message):
    ws = gloamery.Workspace(W, H)
    before = ws.height
    with pytest.raises(ValueError, match=message):
        ws.set_height(array, heights=heights)
    assert np.array_equal(ws.height, before)


@pytest.mark.parametrize("form", ["fortran", "transposed back", "negative strides"])
def test_column_ordered_arrays_of_several_bands_of_rows(form):
    """Arrays kept by columns are read in bands of rows: a map of several bands, and a last one cut short."""
    big_deep, big_grass, _ = random_scene(4, 75, 203, True)
    floats = big_deep.astype(np.float64) * 0.25 - 900
    floats[130, 40] = np.nan
    for slot, plain in [("height", big_deep), ("grass", big_grass), ("height", floats)]:
        ws, reference = gloamery.Workspace(75, 203), gloamery.Workspace(75, 203)
        setattr(ws, slot, FORMS[form](plain))
        setattr(reference, slot, np.ascontiguousarray(plain))
        assert np.array_equal(getattr(ws, slot), getattr(reference, slot))
        assert ws.vertical == reference.vertical
