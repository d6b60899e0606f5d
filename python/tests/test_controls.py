"""Controls are checked when set, operations refuse what they cannot use,
and file failures are OSErrors, with the batch tool's messages."""

import math
import re

import numpy as np
import pytest

import gloamery

GOOD = [
    ("sun", (12.5, -3.0)), ("decay", -0.25), ("darkness", 0), ("darkness", 255), ("contrast", 100),
    ("blur", False), ("blend", "multiply/2"), ("sun_angle", (-90.0, 90.0)), ("sun_size", 10.0),
    ("lambert", False), ("sky", 1.0), ("sky_rays", (256, 16)), ("ground", (30.0, 1e-9)), ("vertical", 1e9),
]

BAD = [
    ("sun", (math.nan, 0.0), "sun needs two finite numbers X,Y"),
    ("decay", math.inf, "decay needs a finite number, not inf"),
    ("darkness", 256, "darkness needs a whole number 0..255, not 256"),
    ("contrast", -1, "contrast needs a whole number 0..100, not -1"),
    ("blend", "color-dodge",
     'blend needs 50/50, multiply, multiply/2, multiply/3, overlay, soft-light or screen, not "color-dodge"'),
    ("sun_angle", (0.0, 91.0), "sun_angle needs A,E: an azimuth -1e6..1e6 and an altitude 0..90"),
    ("sun_size", -1.0, "sun_size needs the sun's size in degrees, 0..10"),
    ("sky", 1.5, "sky needs the sky's share of the light, 0..1"),
    ("sky_rays", (0, 4), "sky_rays needs N,M: 1..256 azimuths and 1..16 altitudes"),
    ("ground", (1.0, 0.0), "ground needs GX[,GY]: a pixel's ground size across and down, each 1e-9..1e9"),
    ("vertical", 2e9, "vertical needs the elevation of one 8-bit height level, 1e-9..1e9"),
]


@pytest.mark.parametrize("name, value", GOOD)
def test_controls_keep_what_they_are_given(name, value):
    ws = gloamery.Workspace(8, 8)
    setattr(ws, name, value)
    assert getattr(ws, name) == value


@pytest.mark.parametrize("name, value, message", BAD)
def test_bad_controls_are_refused_and_kept(name, value, message):
    ws = gloamery.Workspace(8, 8)
    before = getattr(ws, name)
    with pytest.raises(ValueError, match="^" + re.escape(message)):
        setattr(ws, name, value)
    assert getattr(ws, name) == before


@pytest.mark.parametrize("call, error, message", [
    (lambda ws: ws.run("shine"), ValueError, 'unknown operation "shine": use linear, linear-sim'),
    (lambda ws: ws.save("shade", "x.png"), ValueError, 'unknown slot "shade"'),
    (lambda ws: ws.save("colour", "x.jpg"), ValueError, 'cannot save "x.jpg": the name must end in .bmp, .png, .tif, .tiff, .r16 or .raw'),
    (lambda ws: ws.save("colour", "/no/such/dir/x.png"), OSError, 'cannot write "/no/such/dir/x.png": '),
    (lambda ws: ws.load("grass", "/no/such/file.png"), OSError, 'cannot read "/no/such/file.png": '),
    (lambda ws: ws.load("height", "a.png", heights=(5.0, 5.0)), ValueError, "heights needs two finite numbers LO,HI"),
    (lambda ws: gloamery.load("/no/such/file.png"), OSError, 'cannot read "/no/such/file.png": '),
    (lambda ws: gloamery.Workspace(0, 5), ValueError, "the map size needs two whole numbers W,H from 1 to 16384"),
    (lambda ws: gloamery.Workspace(16384, 20000), ValueError, "not (16384, 20000)"),
    (lambda ws: ws.resize(5, 16385), ValueError, "the map size needs"),
    (lambda ws: gloamery.set_threads(0), ValueError, "threads needs a whole number 1..1024, not 0"),
])
def test_refusals_name_the_problem(call, error, message):
    ws = gloamery.Workspace(8, 8)
    with pytest.raises(error) as refused:
        call(ws)
    assert message in str(refused.value)


@pytest.mark.parametrize("run", ["linear", "sin", "cos", "embossed"])
def test_a_run_refuses_a_sun_out_of_reach_and_changes_nothing(run):
    ws = gloamery.Workspace(16, 16)
    ws.sun = (40000.0, 0.0)
    before = ws.colour
    with pytest.raises(ValueError, match=f"^{run}: "):
        ws.run(run)
    assert np.array_equal(ws.colour, before)


def test_linear_sim_ignores_the_sun_as_the_batch_tool_does():
    ws = gloamery.Workspace(16, 16)
    ws.sun = (40000.0, 0.0)
    ws.linear_sim()


def test_operations_by_name_and_by_method_agree():
    by_name, by_method = gloamery.Workspace(50, 40), gloamery.Workspace(50, 40)
    by_name.sun = by_method.sun = (30, -10)
    by_name.run("make-texture2")
    by_name.run("linear_sim")
    by_method.make_texture2()
    by_method.linear_sim()
    assert np.array_equal(by_name.colour, by_method.colour)
