"""Slots as NumPy arrays: what goes in comes out, and a wrong array is named."""

import numpy as np
import pytest

import gloamery

W, H = 40, 30
rng = np.random.default_rng(5)
RGB = rng.integers(0, 256, size=(H, W, 3), dtype=np.uint8)
GREY = rng.integers(0, 256, size=(H, W), dtype=np.uint8)
DEEP = rng.integers(0, 65536, size=(H, W), dtype=np.uint16)


@pytest.mark.parametrize("slot", gloamery.SLOTS)
def test_pictures_round_trip(slot):
    ws = gloamery.Workspace(W, H)
    setattr(ws, slot, RGB)
    got = getattr(ws, slot)
    expected = RGB[:, :, 0] if slot == "height" else RGB
    assert got.dtype == np.uint8 and got.flags.c_contiguous and np.array_equal(got, expected)


@pytest.mark.parametrize("given, deep, expected", [
    (GREY, False, GREY),
    (DEEP, True, DEEP),
    (RGB, False, RGB[:, :, 0]),
])
def test_heights_of_either_depth(given, deep, expected):
    ws = gloamery.Workspace(W, H)
    ws.height = given
    assert ws.deep == deep
    assert ws.height.dtype == expected.dtype and np.array_equal(ws.height, expected)


def test_deep_heights_end_when_8bit_ones_are_set():
    ws = gloamery.Workspace(W, H)
    ws.height = DEEP
    ws.height = GREY
    assert not ws.deep and np.array_equal(ws.height, GREY)


def test_reading_gives_a_copy():
    ws = gloamery.Workspace(W, H)
    ws.grass = RGB
    got = ws.grass
    got[:] = 0
    assert np.array_equal(ws.grass, RGB)


@pytest.mark.parametrize("slot, array, message", [
    ("grass", RGB.astype(np.float32), "grass needs an array of shape (30, 40, 3) of uint8, not shape (30, 40, 3) of float32"),
    ("grass", GREY, "not shape (30, 40) of uint8"),
    ("grass", RGB[:20], "not shape (20, 40, 3)"),
    ("grass", np.zeros((H, W, 4), np.uint8), "not shape (30, 40, 4)"),
    ("grass", RGB.reshape(-1), "not shape (3600,)"),
    ("height", DEEP.astype(np.int16), "height needs an array of shape (30, 40) of uint8, uint16, float32 or float64, or (30, 40, 3) of uint8"),
    ("height", DEEP.astype(">u2"), "not shape (30, 40) of >u2"),
    ("height", DEEP.astype(np.float16), "of float16"),
    ("grass", RGB.astype(np.float64), "of float64"),
    ("height", np.zeros((H, W, 3), np.uint16), "not shape (30, 40, 3) of uint16"),
    ("height", GREY.T, "not shape (40, 30)"),
])
def test_wrong_arrays_are_refused(slot, array, message):
    ws = gloamery.Workspace(W, H)
    before = getattr(ws, slot)
    with pytest.raises(ValueError) as refused:
        setattr(ws, slot, array)
    assert message in str(refused.value)
    assert np.array_equal(getattr(ws, slot), before)


def test_resize_repeats_inputs_and_clears_computed():
    ws = gloamery.Workspace(W, H)
    ws.grass = RGB
    ws.linear()
    ws.resize(2 * W + 3, H + 1)
    assert ws.size == (2 * W + 3, H + 1) and ws.shape == (H + 1, 2 * W + 3)
    assert np.array_equal(ws.grass, np.tile(RGB, (2, 3, 1))[: H + 1, : 2 * W + 3])
    assert (ws.colour == 0).all() and (ws.shadow == 255).all()
