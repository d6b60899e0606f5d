"""The layer a relief operation makes, as an array and as a float GeoTIFF, and
the ambient-occlusion map of the sky-view factor."""

import subprocess

import numpy as np
import pytest

import gloamery
from conftest import random_scene

W, H = 83, 57
# Every row of the layer kind, so that a new one is compared here too.
LAYER_ROWS = [op["name"] for op in gloamery.OPERATION_TABLE if op["kind"] == "layer"]
# The rows that sum the real sun over a period also take a place and one.
PERIODIC = {op["name"] for op in gloamery.OPERATION_TABLE if "period" in op["controls"]}
REAL_SUN = ["--place", "46.5,7.9", "--period", "2026-06-21T03:00Z,2026-06-21T19:00Z,40"]


def scene(tmp_path, deep):
    ws = gloamery.Workspace(W, H)
    ws.height = random_scene(11, W, H, deep)[0]
    ws.save("height", str(tmp_path / "height.png"))
    return ws


def batch(tool, tmp_path, *steps):
    subprocess.run([tool, "--size", f"{W},{H}", "--load", "height", str(tmp_path / "height.png"), "--ground", "2",
                    "--directions", "7", "--radius", "20", *steps], check=True, capture_output=True)


@pytest.mark.parametrize("deep", [False, True], ids=["8bit", "deep"])
@pytest.mark.parametrize("operation", LAYER_ROWS)
def test_the_layer_is_the_one_the_batch_tool_saves(batch_tool, tmp_path, operation, deep):
    gdal = pytest.importorskip("osgeo.gdal")
    ws = scene(tmp_path, deep)
    assert ws.layer is None
    ws.ground, ws.directions, ws.radius = (2.0, 2.0), 7, 20.0
    real_sun = REAL_SUN if operation in PERIODIC else []
    if real_sun:
        ws.place, ws.period = (46.5, 7.9), ("2026-06-21T03:00Z", "2026-06-21T19:00Z", 40)
    ws.run(operation)
    layer = ws.layer
    assert layer.dtype == np.float32 and layer.shape == (H, W)
    ws.save("layer", str(tmp_path / "py.tif"))
    batch(batch_tool, tmp_path, *real_sun, operation, "--save", "layer", str(tmp_path / "batch.tif"))
    assert (tmp_path / "py.tif").read_bytes() == (tmp_path / "batch.tif").read_bytes()
    saved = gdal.Open(str(tmp_path / "py.tif"))
    assert saved.GetRasterBand(1).DataType == gdal.GDT_Float32
    assert np.array_equal(saved.ReadAsArray(), layer)
    # A run that makes no layer leaves it as it was.
    ws.linear()
    assert np.array_equal(ws.layer, layer)


@pytest.mark.parametrize("deep", [False, True], ids=["8bit", "deep"])
def test_occlusion_is_the_sky_view_layers_bytes(batch_tool, tmp_path, deep):
    ws = scene(tmp_path, deep)
    ws.ground = (2.0, 2.0)
    occlusion = ws.occlusion_map(directions=7, radius=20.0)
    assert occlusion.dtype == np.uint8 and occlusion.shape == (H, W)
    assert ws.layer is None  # made aside: the layer and the maps are untouched
    batch(batch_tool, tmp_path, "--save", "occlusion", str(tmp_path / "o.png"))
    assert np.array_equal(gloamery.load(str(tmp_path / "o.png"))[..., 0], occlusion)
    ws.directions, ws.radius = 7, 20.0
    assert np.array_equal(ws.occlusion_map(), occlusion)
    ws.sky_view()
    # The layer is kept in float32 here: round(255 SVF) within its last place.
    apart = np.abs(occlusion - np.rint(255 * ws.layer.astype(np.float64)))
    assert apart.max() <= 1 and (apart == 0).mean() > 0.99
    assert occlusion.min() < 250  # the hills hide some of the sky


@pytest.mark.parametrize("call, error, words", [
    (lambda ws, p: ws.save("layer", p + ".tif"), ValueError, "no layer has been made: sky_view"),
    (lambda ws, p: (ws.sky_view(), ws.save("layer", p + ".png")), ValueError, r"layer\.png"),
    (lambda ws, p: (ws.sky_view(), ws.save("layer", p + "/no/such/dir/l.tif")), OSError, "l.tif"),
    (lambda ws, p: ws.occlusion_map(directions=0), ValueError, "not 0"),
    (lambda ws, p: ws.occlusion_map(directions=257), ValueError, "257"),
    (lambda ws, p: ws.occlusion_map(radius=-1.0), ValueError, "-1"),
])
def test_bad_layer_saves_and_occlusion_values_are_refused(tmp_path, call, error, words):
    ws = gloamery.Workspace(16, 12)
    with pytest.raises(error, match=words):
        call(ws, str(tmp_path / "layer"))
    assert list(tmp_path.iterdir()) == []
