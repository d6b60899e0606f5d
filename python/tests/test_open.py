"""gloamery.open: a workspace of a raster's size, lit and saved where the raster lies, as --open does."""

import subprocess

import numpy as np
import pytest

import gloamery
from conftest import needs_toolkit_reader

gdal = pytest.importorskip("osgeo.gdal")
osr = pytest.importorskip("osgeo.osr")
W, H = 70, 50


def write_dem(path, epsg, transform, nodata=None):
    y, x = np.mgrid[0:H, 0:W]
    dem = 300 + 150 * np.sin(x / 9.0) * np.cos(y / 7.0)
    if nodata is not None:
        dem[:4, :6] = nodata
    raster = gdal.GetDriverByName("GTiff").Create(str(path), W, H, 1, gdal.GDT_Float32)
    raster.SetGeoTransform(transform)
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(epsg)
    raster.SetProjection(srs.ExportToWkt())
    band = raster.GetRasterBand(1)
    if nodata is not None:
        band.SetNoDataValue(nodata)
    band.WriteArray(dem.astype(np.float32))
    band = raster = None
    return srs


PLACES = {
    "metres": (32633, (500000.0, 30.0, 0.0, 4500000.0, 0.0, -30.0), None),
    "degrees, no-data": (4326, (6.0, 1 / 1200, 0.0, 45.5, 0.0, -1 / 1200), -9999.0),
}


@needs_toolkit_reader
@pytest.mark.parametrize("place", PLACES)
@pytest.mark.parametrize("slot", ["colour", "height"])
def test_open_then_save_is_the_batch_tools_open_then_save(tmp_path, batch_tool, place, slot):
    epsg, transform, nodata = PLACES[place]
    srs = write_dem(tmp_path / "dem.tif", epsg, transform, nodata)
    ws = gloamery.open(str(tmp_path / "dem.tif"))
    assert ws.size == (W, H) and ws.deep
    assert ws.geotransform == pytest.approx(transform, rel=0, abs=0)
    assert osr.SpatialReference(wkt=ws.crs).IsSame(srs)
    ws.make_texture2()
    ws.sun_angle = (300, 35)
    ws.sun_run()
    ws.save(slot, str(tmp_path / "py.tif"))
    subprocess.run([batch_tool, "--open", str(tmp_path / "dem.tif"), "make-texture2", "--sun-angle", "300,35",
                    "sun", "--save", slot, str(tmp_path / "batch.tif")], check=True, capture_output=True)
    assert (tmp_path / "py.tif").read_bytes() == (tmp_path / "batch.tif").read_bytes()
    saved = gdal.Open(str(tmp_path / "py.tif"))
    assert saved.GetGeoTransform() == pytest.approx(transform, rel=0, abs=0)
    assert osr.SpatialReference(wkt=saved.GetProjection()).IsSame(srs)


@needs_toolkit_reader
@pytest.mark.parametrize("place", PLACES)
def test_the_layer_saves_where_the_raster_lies(tmp_path, batch_tool, place):
    epsg, transform, nodata = PLACES[place]
    srs = write_dem(tmp_path / "dem.tif", epsg, transform, nodata)
    ws = gloamery.open(str(tmp_path / "dem.tif"))
    ws.sky_view()
    ws.save("layer", str(tmp_path / "py.tif"))
    subprocess.run([batch_tool, "--open", str(tmp_path / "dem.tif"), "sky-view", "--save", "layer",
                    str(tmp_path / "batch.tif")], check=True, capture_output=True)
    assert (tmp_path / "py.tif").read_bytes() == (tmp_path / "batch.tif").read_bytes()
    saved = gdal.Open(str(tmp_path / "py.tif"))
    assert saved.GetGeoTransform() == pytest.approx(transform, rel=0, abs=0)
    assert osr.SpatialReference(wkt=saved.GetProjection()).IsSame(srs)
    band = saved.GetRasterBand(1)
    assert band.GetNoDataValue() == -9999
    values, layer = band.ReadAsArray(), ws.layer
    holes = np.isnan(layer)
    assert np.array_equal(holes, values == -9999) and np.array_equal(layer[~holes], values[~holes])
    assert holes.sum() == (24 if nodata is not None else 0)


@needs_toolkit_reader
def test_open_sets_the_rasters_units_until_others_are_given(tmp_path, batch_tool):
    write_dem(tmp_path / "dem.tif", 32633, (500000.0, 30.0, 0.0, 4500000.0, 0.0, -25.0))
    ws = gloamery.open(str(tmp_path / "dem.tif"))
    assert ws.ground == (30.0, 25.0)
    heights = gdal.Open(str(tmp_path / "dem.tif")).ReadAsArray().astype(np.float64)
    assert ws.vertical == (heights.max() - heights.min()) / 255
    ws.ground = (10, 10)
    ws.sun_run()
    subprocess.run([batch_tool, "--open", str(tmp_path / "dem.tif"), "--ground", "10", "sun", "--save", "colour",
                    str(tmp_path / "batch.png")], check=True, capture_output=True)
    assert np.array_equal(gloamery.load(str(tmp_path / "batch.png")), ws.colour)


@needs_toolkit_reader
def test_a_raster_unit_sun_cannot_use_is_refused_until_replaced(tmp_path):
    # Pixels of 1e-12 metres: a ground size "sun" cannot take.
    write_dem(tmp_path / "tiny.tif", 32633, (0.0, 1e-12, 0.0, 0.0, 0.0, -1e-12))
    ws = gloamery.open(str(tmp_path / "tiny.tif"))
    with pytest.raises(ValueError, match="^sun: "):
        ws.sun_run()
    ws.linear()  # the shadow buttons need no ground units
    ws.ground = (1, 1)
    ws.sun_run()


@pytest.mark.parametrize("path, message", [
    ("/nonexistent/dem.tif", 'cannot open "/nonexistent/dem.tif"'),
    ("", "open needs a file name"),
])
def test_open_refuses_what_it_cannot_read(path, message):
    with pytest.raises((OSError, ValueError), match=message):
        gloamery.open(path)


def test_a_place_given_by_hand_goes_into_geotiff_saves(tmp_path):
    ws = gloamery.Workspace(W, H)
    assert ws.geotransform is None and ws.crs is None
    with pytest.raises(ValueError, match="set geotransform"):
        ws.crs = "EPSG:4326"
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(3857)
    ws.geotransform = (1000.0, 5.0, 0.0, 2000.0, 0.0, -5.0)
    ws.crs = srs.ExportToWkt()
    ws.linear()
    ws.save("colour", str(tmp_path / "c.tif"))
    saved = gdal.Open(str(tmp_path / "c.tif"))
    assert saved.GetGeoTransform() == (1000.0, 5.0, 0.0, 2000.0, 0.0, -5.0)
    assert osr.SpatialReference(wkt=saved.GetProjection()).IsSame(srs)
    ws.geotransform = None
    assert ws.crs is None
