"""The QGIS provider's parameters, made from the control schema (no QGIS needed)."""

import sys

import pytest

import gloamery
from conftest import REPO

sys.path.insert(0, str(REPO / "qgis"))
from gloamery_provider.parameters import RASTER_UNITS, control_value, parameters_of  # noqa: E402

SCHEMA = {row["python"]: row for row in gloamery.CONTROL_SCHEMA}
ALL = [p for row in gloamery.CONTROL_SCHEMA for p in parameters_of(row)]
BY_NAME = {p.name: p for p in ALL}


def test_every_parameter_has_a_name_of_its_own_in_capitals():
    names = [p.name for p in ALL]
    assert len(names) == len(set(names))
    assert all(n.replace("_", "").isalnum() and n == n.upper() for n in names)
    assert {"AZIMUTH", "ALTITUDE", "DARKNESS", "SKY", "X0", "Y0", "DECAY", "CONTRAST", "BLEND", "BLUR",
            "GROUND_ACROSS", "GROUND_DOWN", "VERTICAL", "SKY_RAYS_AZIMUTHS", "SKY_RAYS_ALTITUDES"} <= set(names)


def test_ranges_and_defaults_are_the_schemas():
    for row in gloamery.CONTROL_SCHEMA:
        starts = row["start"].split(",")
        for p in parameters_of(row):
            part = row["parts"][p.part]
            if p.kind in ("number", "whole"):
                assert (p.low, p.high) == (part["lo"], part["hi"]), p.name
            if row["python"] in RASTER_UNITS:
                assert p.default is None, p.name
            elif p.kind in ("number", "number-text"):
                assert p.default == float(starts[p.part % len(starts)]), p.name


def test_the_defaults_set_every_control_as_it_starts():
    ws, fresh = gloamery.Workspace(8, 8), gloamery.Workspace(8, 8)
    for row in gloamery.CONTROL_SCHEMA:
        if row["python"] in RASTER_UNITS:
            continue
        values = [p.default for p in parameters_of(row)]
        setattr(ws, row["python"], control_value(row, values, getattr(ws, row["python"])))
        assert getattr(ws, row["python"]) == getattr(fresh, row["python"]), row["python"]


@pytest.mark.parametrize("control, values, current, expected", [
    ("ground", [None, None], (30.0, 25.0), None),           # left empty: the raster's own
    ("ground", [5.0, None], (30.0, 25.0), (5.0, 5.0)),      # GX alone stands for both, as --ground GX
    ("ground", [None, 7.0], (30.0, 25.0), (30.0, 7.0)),
    ("sun_angle", [None, 30.0], (315.0, 45.0), (315.0, 30.0)),
    ("sky_rays", [None, 8], (16, 4), (16, 8)),
    ("blend", [0], "multiply", "50/50"),
    ("darkness", [90], 128, 90),
])
def test_control_values_from_parameters(control, values, current, expected):
    assert control_value(SCHEMA[control], values, current) == expected
