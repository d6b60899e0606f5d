"""Writes the benchmarks' DEM: fractal terrain in 30 m UTM pixels (zone 32 N), 0..1020 m, as a Float32
GeoTIFF. Octaves of random lattices with a fixed seed, each half the size and weight of the one before,
smoothed by a box blur of one cell (or left blocky), quantised to 16 bits as a surveyed DEM is.
    fractal_dem.py OUT.tif N [--blocky]"""
import sys

import numpy as np
from osgeo import gdal, osr


def terrain(n, smooth):
    rng = np.random.default_rng(7)
    total, weight, cell = np.zeros((n, n)), 1.0, n // 4
    while cell >= 2:
        lattice = rng.random((n // cell + 1, n // cell + 1))
        block = np.kron(lattice, np.ones((cell, cell)))[:n, :n]
        for axis in (0, 1) if smooth else ():
            c = np.cumsum(np.pad(block, [(cell, 0) if a == axis else (0, 0) for a in (0, 1)], mode="edge"), axis=axis)
            block = (np.take(c, range(cell, n + cell), axis=axis) - np.take(c, range(0, n), axis=axis)) / cell
        total += weight * block
        weight, cell = weight / 2, cell // 2
    total = (total - total.min()) / (total.max() - total.min())
    return ((total * 65535).astype(np.uint16) * (1020 / 65535)).astype(np.float32)


def main(out, n, blocky=False):
    gdal.UseExceptions()
    ds = gdal.GetDriverByName("GTiff").Create(out, n, n, 1, gdal.GDT_Float32)
    ds.SetGeoTransform((400000, 30, 0, 5160000, 0, -30))
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32632)
    ds.SetProjection(srs.ExportToWkt())
    ds.GetRasterBand(1).WriteArray(terrain(n, not blocky))
    ds = None


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), "--blocky" in sys.argv[3:])
