"""Writes a small synthetic GeoTIFF DEM (metres, with a no-data corner) for
trying light_dem.py: make_hills.py OUT.tif."""

import sys

import numpy as np
from osgeo import gdal, osr

gdal.UseExceptions()
rows, columns = 300, 400
y, x = np.mgrid[0:rows, 0:columns]
dem = 800 + 600 * np.sin(x / 40.0) * np.cos(y / 31.0) + 250 * np.exp(-((x - 250) ** 2 + (y - 120) ** 2) / 2000.0)
dem[:20, :20] = -9999
raster = gdal.GetDriverByName("GTiff").Create(sys.argv[1], columns, rows, 1, gdal.GDT_Float32)
raster.SetGeoTransform((6.0, 1 / 1200, 0, 45.5, 0, -1 / 1200))
srs = osr.SpatialReference()
srs.ImportFromEPSG(4326)
raster.SetProjection(srs.ExportToWkt())
band = raster.GetRasterBand(1)
band.SetNoDataValue(-9999)
band.WriteArray(dem.astype(np.float32))
band = raster = None  # written out
