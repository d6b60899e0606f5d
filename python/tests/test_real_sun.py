"""The real sun from Python: when, place and period read as the batch tool
reads them, sun-hours and direct light as float32 arrays, and a sun at a
time matching the batch tool's."""

import subprocess

import numpy as np
import pytest

import gloamery

DAY = ("2026-06-21T00:00Z", "2026-06-22T00:00Z", 30)


@pytest.mark.parametrize("name, value, read_back", [
    ("when", "2026-06-21T09:00[Europe/Zurich]", "2026-06-21T07:00:00Z"),
    ("when", "2026-06-21T09:00+02:00", "2026-06-21T07:00:00Z"),
    ("place", (46.5, 7.9), (46.5, 7.9)),
    ("period", ("2026-03-29T00:00[Europe/Zurich]", "2026-03-29T06:00[Europe/Zurich]", 60),
     ("2026-03-28T23:00:00Z", "2026-03-29T04:00:00Z", 60)),
    ("when", None, None),
])
def test_real_sun_controls(name, value, read_back):
    ws = gloamery.Workspace(8, 8)
    setattr(ws, name, value)
    assert getattr(ws, name) == read_back


@pytest.mark.parametrize("name, value, message", [
    ("when", "2026-06-21T09:00", "has no zone"),
    ("when", "2026-06-21T09:00[Atlantis/Capital]", "'Atlantis/Capital'"),
    ("place", (91.0, 0.0), "not 91"),
    ("period", ("2026-06-21T00:00Z", "2026-06-22T00:00Z", 0), "not '0'"),
])
def test_bad_real_sun_controls(name, value, message):
    ws = gloamery.Workspace(8, 8)
    with pytest.raises(ValueError, match=message):
        setattr(ws, name, value)
    assert getattr(ws, name) is None


def test_sums_of_flat_ground_are_the_daylight():
    ws = gloamery.Workspace(12, 9, defaults=False)
    ws.height = np.full((9, 12), 60, np.uint8)
    ws.place = (46.5, 7.9)
    ws.period = DAY
    hours = ws.sun_hours()
    assert hours.dtype == np.float32 and hours.shape == (9, 12)
    assert np.all(hours == hours[0, 0]) and 15 <= hours[0, 0] <= 16
    light = ws.direct_light()
    assert np.all(light > 0) and np.allclose(light, light[0, 0])


def test_sums_need_a_period_and_a_place():
    ws = gloamery.Workspace(8, 8)
    with pytest.raises(ValueError, match="needs a period"):
        ws.sun_hours()
    ws.period = DAY
    with pytest.raises(ValueError, match="needs --place"):
        ws.direct_light()


def test_sun_at_a_time_matches_the_batch_tool(batch_tool, tmp_path):
    ws = gloamery.Workspace(64, 64)
    ws.place, ws.when, ws.vertical = (46.5, 7.9), "2026-06-21T07:00Z", 0.2
    ws.sun_run()
    subprocess.run([batch_tool, "--size", "64,64", "--place", "46.5,7.9", "--when", "2026-06-21T07:00Z",
                    "--vertical", "0.2", "sun", "--save", "shadow", str(tmp_path / "s.png")], check=True,
                   capture_output=True)
    theirs = gloamery.Workspace(64, 64)
    theirs.load("shadow", str(tmp_path / "s.png"))
    assert np.array_equal(ws.shadow, theirs.shadow)
