"""Maps a game engine imports: normal and splat maps as arrays, and fitting
the heights to an engine's size."""

import numpy as np
import pytest

import gloamery


def plane(w, h, ax, ay):
    ws = gloamery.Workspace(w, h)
    y, x = np.mgrid[0:h, 0:w]
    ws.height = np.ascontiguousarray(100 + ax * x + ay * y, dtype=np.uint8)
    return ws


@pytest.mark.parametrize("convention,sign", [("opengl", 1), ("directx", -1)])
@pytest.mark.parametrize("depth,dtype,half", [(8, np.uint8, 127.5), (16, np.uint16, 32767.5)])
def test_normal_map_of_a_plane(convention, sign, depth, dtype, half):
    ws = plane(9, 7, 2, 1)
    ws.ground = (2.0, 1.0)
    ws.vertical = 0.5
    n = ws.normal_map(convention=convention, depth=depth)
    assert n.shape == (7, 9, 3) and n.dtype == dtype
    p, q = 2 * 0.5 / 2.0, 1 * 0.5 / 1.0
    length = np.sqrt(1 + p * p + q * q)
    want = [round((c + 1) * half) for c in (-p / length, sign * q / length, 1 / length)]
    assert list(n[3, 4]) == want


def test_flat_ground_points_up():
    ws = plane(4, 4, 0, 0)
    assert (ws.normal_map() == [128, 128, 255]).all()
    assert (ws.normal_map(depth=16) == [32768, 32768, 65535]).all()


def test_splat_map_follows_the_last_texture_run():
    ws = gloamery.Workspace(32, 32)
    with pytest.raises(ValueError, match="make_texture"):
        ws.splat_map()
    ws.grass = np.zeros((32, 32, 3), np.uint8)
    ws.stone = np.full((32, 32, 3), 255, np.uint8)
    ws.contrast = 0
    ws.make_texture2()
    ws.make_texture()
    s = ws.splat_map()
    assert s.shape == (32, 32, 4) and s.dtype == np.uint8
    assert (s[..., 0].astype(int) + s[..., 1] == 255).all()
    assert (s[..., 2:] == 0).all()
    # Black grass and white stone: "Make Texture" paints the weight itself.
    assert (s[..., 1] == ws.texture[..., 0]).all()


def test_fit_keeps_the_corners_and_makes_every_slot_the_size():
    ws = plane(40, 30, 3, 2)
    before = ws.height
    ws.fit(65, 33)
    assert ws.size == (65, 33) and ws.deep
    after = ws.height
    for (y, x), (yy, xx) in [((0, 0), (0, 0)), ((0, 39), (0, 64)), ((29, 0), (32, 0)), ((29, 39), (32, 64))]:
        assert after[yy, xx] == 257 * int(before[y, x])
    assert ws.colour.shape == (33, 65, 3)


@pytest.mark.parametrize("call,words", [
    (lambda ws: ws.normal_map(convention="vulkan"), "vulkan"),
    (lambda ws: ws.normal_map(depth=12), "12"),
    (lambda ws: ws.fit(0, 513), "0"),
    (lambda ws: ws.fit(513, 16385), "16385"),
])
def test_bad_choices_are_refused_naming_them(call, words):
    ws = gloamery.Workspace(8, 8)
    with pytest.raises(ValueError, match=words):
        call(ws)


def test_the_controls_choose_the_normal_map_when_not_given():
    ws = plane(6, 5, 3, 1)
    ws.normal_convention = "directx"
    ws.normal_depth = 16
    assert (ws.normal_map() == ws.normal_map(convention="directx", depth=16)).all()
    with pytest.raises(ValueError, match="vulkan"):
        ws.normal_convention = "vulkan"
    with pytest.raises(ValueError, match="12"):
        ws.normal_depth = 12
