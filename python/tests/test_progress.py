"""A run tells Python how far it is and stops when asked, its maps as they were."""

import numpy as np
import pytest

import gloamery
from conftest import random_scene

W, H = 64, 48


def lit_scene():
    heights, grass, stone = random_scene(8, W, H, True)
    ws = gloamery.Workspace(W, H)
    ws.height, ws.grass, ws.stone = heights, grass, stone
    ws.make_texture()
    ws.sky = 0.4
    ws.sky_rays = (32, 4)
    return ws


def test_progress_rises_to_the_end_and_the_bytes_are_the_quiet_runs():
    ws, quiet = lit_scene(), lit_scene()
    told = []
    ws.sun_run(progress=told.append, cancel=lambda: False)
    quiet.sun_run()
    assert len(told) > 32 and told[-1] == 1.0 and all(0 <= f <= 1 for f in told)
    assert np.array_equal(ws.colour, quiet.colour) and np.array_equal(ws.shadow, quiet.shadow)


class Boom(Exception):
    pass


def boom(*_):
    raise Boom()


@pytest.mark.parametrize("name, progress, cancel, raised", [
    ("cancel at once", None, lambda: True, gloamery.Cancelled),
    ("cancel after a part", None, iter([False, False, True] + [True] * 99).__next__, gloamery.Cancelled),
    ("progress raises", boom, None, Boom),
    ("cancel raises", None, boom, Boom),
])
def test_a_stopped_run_leaves_the_maps_as_they_were(name, progress, cancel, raised):
    ws = lit_scene()
    ws.linear()
    before = ws.shadow, ws.colour
    with pytest.raises(raised):
        ws.run("sun", progress=progress, cancel=cancel)
    assert np.array_equal(ws.shadow, before[0]) and np.array_equal(ws.colour, before[1])
    ws.sun_run()  # the workspace is free again
