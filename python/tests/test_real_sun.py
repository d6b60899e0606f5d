"""The real sun from Python: when, place and period read as the batch tool
reads them (the control schema's rows), sun_hours() and direct_light() from
the operation table lighting the shadow map, and a sun at a time matching
the batch tool's bytes."""

import subprocess

import numpy as np
import pytest

import gloamery

DAY = ("2026-06-21T00:00Z", "2026-06-22T00:00Z", 30)


@pytest.mark.parametrize("name, value, read_back", [
    ("when", "2026-06-21T09:00[Europe/Zurich]", "2026-06-21T07:00:00Z"),
    ("when", "2026-06-21T09:00+02:00", "2026-06-21T07:00:00Z"),
    ("when", "none", None),
    ("place", (46.5, 7.9), (46.5, 7.9)),
    ("place", "-33.9,151.25", (-33.9, 151.25)),
    # The night the clocks go forward: five hours, not six.
    ("period", ("2026-03-29T00:00[Europe/Zurich]", "2026-03-29T06:00[Europe/Zurich]", 60),
     ("2026-03-28T23:00:00Z", "2026-03-29T04:00:00Z", 60)),
    ("period", "2026-06-21T00:00Z,2026-06-22T00:00Z,10", ("2026-06-21T00:00:00Z", "2026-06-22T00:00:00Z", 10)),
    ("when", None, None),
])
def test_real_sun_controls(name, value, read_back):
    ws = gloamery.Workspace(8, 8)
    setattr(ws, name, value)
    assert getattr(ws, name) == read_back


@pytest.mark.parametrize("name, value, message", [
    ("when", "2026-06-21T09:00", "when needs a date and time with its zone"),
    ("when", "2026-06-21T09:00", "The time '2026-06-21T09:00' has no zone"),
    ("when", "2026-06-21T09:00[Atlantis/Capital]", "The time zone 'Atlantis/Capital'"),
    ("when", "2026-03-29T02:30[Europe/Zurich]", "does not exist"),
    ("place", (91.0, 0.0), "not 91"),
    ("place", (0.0, -181.0), "not -181"),
    ("place", "north", "The place 'north' must be LAT,LON"),
    ("period", ("2026-06-21T00:00Z", "2026-06-22T00:00Z", 0), "not '0'"),
    ("period", ("2026-06-22T00:00Z", "2026-06-21T00:00Z", 10), "end after it begins"),
    ("period", ("2026-06-21T00:00Z", "2026-06-22T00:00", 10), "'2026-06-22T00:00' has no zone"),
])
def test_bad_real_sun_controls_are_refused_naming_the_value(name, value, message):
    ws = gloamery.Workspace(8, 8)
    with pytest.raises(ValueError, match=message.replace("(", r"\(").replace("[", r"\[")):
        setattr(ws, name, value)
    assert getattr(ws, name) is None


def test_the_methods_come_from_the_operation_table():
    rows = {row["method"]: row for row in gloamery.OPERATION_TABLE}
    for method in ("sun_hours", "direct_light"):
        assert rows[method]["kind"] == "layer" and callable(getattr(gloamery.Workspace, method))
        assert {"place", "period"} <= set(rows[method]["controls"])
    schema = {row["python"]: row for row in gloamery.CONTROL_SCHEMA}
    assert all(schema[n]["unset"] and schema[n]["start"] == "none" for n in ("when", "place", "period"))


def test_flat_ground_has_the_sun_for_the_daylight_hours():
    ws = gloamery.Workspace(12, 9, defaults=False)
    ws.height = np.full((9, 12), 60, np.uint8)
    ws.place, ws.period, ws.darkness = (46.5, 7.9), DAY, 200
    ws.sun_hours()
    # Every pixel has all the sun there was: full light.
    assert np.all(ws.shadow == 255)
    ws.direct_light()
    assert np.all(ws.shadow == 255)
    if not hasattr(ws, "layer"):
        pytest.skip("ws.layer, the layer slot as an array, comes with the layers-out branch")
    ws.sun_hours()
    hours = ws.layer
    assert hours.dtype == np.float32 and hours.shape == (9, 12)
    assert np.all(hours == hours[0, 0]) and 15 <= hours[0, 0] <= 16


def test_sums_need_a_period_and_a_place():
    ws = gloamery.Workspace(8, 8)
    with pytest.raises(ValueError, match="needs a period"):
        ws.sun_hours()
    ws.period = DAY
    with pytest.raises(ValueError, match="set place"):
        ws.direct_light()


def test_a_sun_below_the_horizon_lights_nothing():
    ws = gloamery.Workspace(16, 16)
    ws.place, ws.when, ws.darkness = (46.5, 7.9), "2026-06-21T23:00Z", 128
    ws.sun_run()
    assert np.all(ws.shadow == 127)


@pytest.mark.parametrize("operation, controls", [
    ("sun", ["--when", "2026-06-21T07:00Z"]),
    ("sun-hours", ["--period", "2026-12-21T06:00Z,2026-12-21T16:00Z,20", "--sun-size", "1"]),
    ("direct-light", ["--period", "2026-12-21T06:00Z,2026-12-21T16:00Z,20"]),
])
def test_the_real_sun_matches_the_batch_tool(batch_tool, tmp_path, operation, controls):
    ws = gloamery.Workspace(64, 64)
    ws.place, ws.vertical = (46.5, 7.9), 0.2
    for flag, value in zip(controls[::2], controls[1::2]):
        setattr(ws, {"--when": "when", "--period": "period", "--sun-size": "sun_size"}[flag],
                float(value) if flag == "--sun-size" else value)
    ws.run(operation)
    subprocess.run([batch_tool, "--size", "64,64", "--place", "46.5,7.9", "--vertical", "0.2"] + controls
                   + [operation, "--save", "shadow", str(tmp_path / "s.png")], check=True, capture_output=True)
    assert np.array_equal(ws.shadow, gloamery.load(str(tmp_path / "s.png")))
