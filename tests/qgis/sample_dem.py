"""Matplotlib's Jacksboro fault DEM (int16 metres, 1/1200 degree cells) as a GeoTIFF.

    sample_dem.py OUT.tif [BANDS]
"""
import sys

import matplotlib.cbook
import numpy as np
from osgeo import gdal, osr


def sample_dem(path, bands=1, nodata=None):
    """The DEM in the last band; any band before it holds the DEM upside down.
    With `nodata`, the top-left 20 x 10 cells hold that value, declared no-data."""
    gdal.UseExceptions()
    d = np.load(matplotlib.cbook.get_sample_data("jacksboro_fault_dem.npz", asfileobj=False))
    elevation = d["elevation"]
    rows, columns = elevation.shape
    top = max(float(d["ymin"]), float(d["ymax"]))
    raster = gdal.GetDriverByName("GTiff").Create(path, columns, rows, bands, gdal.GDT_Int16)
    raster.SetGeoTransform((float(d["xmin"]), float(d["dx"]), 0.0, top, 0.0, -float(d["dy"])))
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(4326)
    raster.SetProjection(srs.ExportToWkt())
    if nodata is not None:
        elevation = elevation.copy()
        elevation[:10, :20] = nodata
    for b in range(bands):
        band = raster.GetRasterBand(b + 1)
        if nodata is not None:
            band.SetNoDataValue(nodata)
        band.WriteArray(elevation if b == bands - 1 else elevation[::-1].copy())
    raster = None


if __name__ == "__main__":
    sample_dem(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 1)
