#!/usr/bin/env python3
"""Writes a real DEM (matplotlib's sample grid) as deep height samples and
gdaldem's multi-directional hillshade of the heights they stand for.

  gdaldem_multi.py DIR ALTITUDE GX GY

DIR/heights.u16: the samples (little-endian, row-major) after a line
"W H V"; DIR/gdaldem.u8: gdaldem's bytes. Exits 77 when a tool is missing.
"""
import os
import subprocess
import sys

try:
    import numpy as np
    from osgeo import gdal
except ImportError:
    sys.exit(77)

out, altitude, gx, gy = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
dem = "/usr/share/matplotlib/mpl-data/sample_data/jacksboro_fault_dem.npz"
if not os.path.exists(dem):
    sys.exit(77)
elevation = np.load(dem)["elevation"].astype(np.float64)
lo, hi = elevation.min(), elevation.max()
samples = np.rint((elevation - lo) * 65535.0 / (hi - lo)).astype("<u2")
vertical = (hi - lo) / 255.0
height, width = samples.shape
with open(os.path.join(out, "heights.u16"), "wb") as f:
    f.write(f"{width} {height} {vertical!r}\n".encode())
    f.write(samples.tobytes())

# The heights as the program holds them: z = V h / 257.
z = vertical * samples.astype(np.float64) / 257.0
driver = gdal.GetDriverByName("GTiff")
tif = os.path.join(out, "z.tif")
ds = driver.Create(tif, width, height, 1, gdal.GDT_Float64)
ds.SetGeoTransform((0.0, gx, 0.0, 0.0, 0.0, -gy))
ds.GetRasterBand(1).WriteArray(z)
ds = None
shaded = os.path.join(out, "gdaldem.tif")
try:
    subprocess.run(["gdaldem", "hillshade", "-multidirectional", "-alt", altitude, "-q", tif, shaded], check=True)
except (OSError, subprocess.CalledProcessError):
    sys.exit(77)
result = gdal.Open(shaded)  # kept while its band is read
bytes_ = result.GetRasterBand(1).ReadAsArray().astype(np.uint8)
with open(os.path.join(out, "gdaldem.u8"), "wb") as f:
    f.write(bytes_.tobytes())
