import sys

import matplotlib.pyplot as plt
import numpy as np
from osgeo import gdal

import gloamery

gdal.UseExceptions()
dem = gdal.Open(sys.argv[1])  # kept while its band is read
band = dem.GetRasterBand(1)
elevation = band.ReadAsArray().astype(np.float64)
nodata = band.GetNoDataValue()
valid = np.isfinite(elevation) & (elevation != nodata if nodata is not None else True)
low, high = elevation[valid].min(), elevation[valid].max()
# Deep heights: the elevations spread over 0..65535, no-data at the lowest.
scaled = (np.where(valid, elevation, low) - low) / max(high - low, 1e-9) * 65535
heights = np.rint(scaled).astype(np.uint16)

rows, columns = heights.shape
ws = gloamery.Workspace(columns, rows)
ws.height = heights
ws.make_texture2()                   # grass and stone mixed by slope
ws.sun = (-columns / 2, -rows / 4)   # low in the north-west
ws.decay = 2
ws.linear()

plt.imshow(ws.colour)
plt.axis("off")
if len(sys.argv) > 2:
    plt.savefig(sys.argv[2], dpi=100, bbox_inches="tight")
else:
    plt.show()
