"""Every operation gives the batch tool's bytes, on random 8-bit and deep scenes."""

import subprocess

import numpy as np
import pytest

import gloamery
from conftest import random_scene

W, H = 97, 61
# The module lists the operation table's rows, so a new operation is compared here too.
OPERATIONS = list(gloamery.OPERATIONS)
# Controls as the batch tool's options and as attributes; the first set
# has numbers whose shortest text is long, the second the other blends.
CONTROLS = [
    {"sun": (70.3, -20.25), "decay": 2.5, "darkness": 200, "contrast": 37, "blur": True, "blend": "multiply",
     "sun_angle": (200.5, 30), "sun_size": 1.5, "sky": 0.25, "sky_rays": (5, 2), "vertical": 0.7},
    {"sun": (-15, 40.125), "decay": 0.1, "darkness": 17, "contrast": 90, "blur": False, "blend": "50/50",
     "sun_angle": (-30, 12.5), "lambert": False, "ground": (2.0, 3.5)},
    {"sun": (48, 30), "decay": -3, "darkness": 128, "contrast": 0, "blur": True, "blend": "multiply/3"},
]
COMPUTED = ["shadow", "colour", "texture"]
# The real sun over a period, for the rows that follow one (sun-hours, direct-light).
PERIODIC = {row["name"] for row in gloamery.OPERATION_TABLE if "period" in row["controls"]}
REAL_SUN = {"place": (46.5, 7.9), "period": ("2026-06-21T03:00Z", "2026-06-21T19:00Z", 40)}
REAL_SUN_OPTIONS = ["--place", "46.5,7.9", "--period", "2026-06-21T03:00Z,2026-06-21T19:00Z,40"]


def batch_options(c):
    options = ["--sun", "%r,%r" % c["sun"], "--decay", repr(c["decay"]), "--darkness", str(c["darkness"]),
               "--contrast", str(c["contrast"]), "--blur", "on" if c["blur"] else "off", "--blend", c["blend"]]
    pairs = {"sun_angle": "--sun-angle", "sky_rays": "--sky-rays", "ground": "--ground"}
    singles = {"sun_size": "--sun-size", "sky": "--sky", "vertical": "--vertical"}
    for name, value in c.items():
        if name in pairs:
            options += [pairs[name], "%r,%r" % value]
        elif name in singles:
            options += [singles[name], repr(value)]
        elif name == "lambert":
            options += ["--lambert", "on" if value else "off"]
    return options


def steps_of(operation):
    # Shadow runs merge a texture map: make one first, so it is not blank.
    return [operation] if operation.startswith("make") or operation == "clear" else ["make-texture2", operation]


@pytest.mark.parametrize("deep", [False, True], ids=["8bit", "deep"])
@pytest.mark.parametrize("operation", OPERATIONS)
@pytest.mark.parametrize("controls", range(len(CONTROLS)))
def test_operation_matches_batch(batch_tool, tmp_path, operation, deep, controls):
    c = CONTROLS[controls]
    heights, grass, stone = random_scene(7 + controls, W, H, deep)
    ws = gloamery.Workspace(W, H)
    ws.height, ws.grass, ws.stone = heights, grass, stone
    for slot in ("height", "grass", "stone"):
        ws.save(slot, str(tmp_path / f"{slot}.png"))
    for name, value in c.items():
        setattr(ws, name, value)
    if operation in PERIODIC:
        ws.place, ws.period = REAL_SUN["place"], REAL_SUN["period"]
    for step in steps_of(operation):
        ws.run(step)

    command = [batch_tool, "--size", f"{W},{H}"]
    for slot in ("height", "grass", "stone"):
        command += ["--load", slot, str(tmp_path / f"{slot}.png")]
    command += batch_options(c) + (REAL_SUN_OPTIONS if operation in PERIODIC else []) + steps_of(operation)
    for slot in COMPUTED:
        command += ["--save", slot, str(tmp_path / f"batch-{slot}.png")]
    subprocess.run(command, check=True, capture_output=True)

    assert np.array_equal(gloamery.load(str(tmp_path / "height.png")), heights if deep else np.dstack([heights] * 3))
    for slot in COMPUTED:
        ws.save(slot, str(tmp_path / f"py-{slot}.png"))
        assert (tmp_path / f"py-{slot}.png").read_bytes() == (tmp_path / f"batch-{slot}.png").read_bytes(), slot
        assert np.array_equal(getattr(ws, slot), gloamery.load(str(tmp_path / f"batch-{slot}.png"))), slot


def test_defaults_match_batch(batch_tool, tmp_path):
    """A new workspace is the batch tool's start state at that size."""
    ws = gloamery.Workspace(300, 170)
    ws.make_texture()
    ws.linear()
    ws.save("colour", str(tmp_path / "py.bmp"))
    subprocess.run([batch_tool, "--size", "300,170", "make-texture", "linear", "--save", "colour",
                    str(tmp_path / "batch.bmp")], check=True, capture_output=True)
    assert (tmp_path / "py.bmp").read_bytes() == (tmp_path / "batch.bmp").read_bytes()

