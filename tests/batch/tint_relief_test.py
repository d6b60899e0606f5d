#!/usr/bin/python3
"""tint against gdaldem color-relief on matplotlib's sample DEM (Jacksboro
fault, written as a GeoTIFF): interpolated, exact and nearest entries, with
and without -alpha, over absolute and percentage tables, with and without
no-data cells. The same RGB at 99.9 % of the pixels, within one level at
every pixel.

    tint_relief_test.py GLOAMERY_BATCH
"""
import os
import re
import subprocess
import sys
import tempfile

import numpy as np

BATCH = sys.argv[1]
DEM = "/usr/share/matplotlib/mpl-data/sample_data/jacksboro_fault_dem.npz"

# Whole-metre entries on the DEM's range (236..1076 m), a percentage table
# with alpha and no-data, and the shipped tables.
TABLES = {
    "metres.txt": "# metres\n236 20 90 40\n300,60,140,60\n420\t180 200 110\n600 200 150 90\n"
                  "800 150 110 80\n950 230 230 230\n1076 255 255 255\n",
    "percent.txt": "nv 255 0 255 0\n0% 0 60 0 255\n12.5% 90 160 70 200\n37% 220 210 150\n"
                   "61.8% 170 120 60 128\n100% 250 250 250\n",
}
SHIPPED = ["land", "land-sea", "grey"]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def bands(path, tmp):
    info = subprocess.run(["gdalinfo", path], capture_output=True, text=True, check=True).stdout
    w, h = map(int, re.search(r"Size is (\d+), (\d+)", info).groups())
    raw = os.path.join(tmp, "read.raw")
    run("gdal_translate", "-q", "-of", "ENVI", "-co", "INTERLEAVE=BSQ", "-ot", "Byte", path, raw)
    return np.fromfile(raw, np.uint8).reshape(-1, h, w)


def write_dem(tmp, holes):
    d = np.load(DEM)
    z = d["elevation"].astype(np.int16)
    if holes:
        z = z.copy()
        z[100:120, 50:90] = -32768
    asc = os.path.join(tmp, "dem.asc")
    with open(asc, "w") as f:
        f.write(f"ncols {z.shape[1]}\nnrows {z.shape[0]}\n")
        f.write(f"xllcorner {float(d['xmin'])!r}\nyllcorner {min(float(d['ymin']), float(d['ymax']))!r}\n")
        f.write(f"cellsize {float(d['dx'])!r}\nNODATA_value -32768\n")
        np.savetxt(f, z, fmt="%d")
    tif = os.path.join(tmp, "dem-holes.tif" if holes else "dem.tif")
    run("gdal_translate", "-q", "-ot", "Int16", "-a_srs", "EPSG:4326", asc, tif)
    return tif, z == -32768


def table_entries(text):
    out = []
    for line in text.splitlines():
        line = line.split("#")[0].strip()
        if line and not line.lower().startswith("nv"):
            out.append(line)
    return out


def gdaldem(dem, table, mode, alpha, tmp):
    out = os.path.join(tmp, "relief.tif")
    flags = {"interpolate": [], "exact": ["-exact_color_entry"], "nearest": ["-nearest_color_entry"]}[mode]
    run("gdaldem", "color-relief", "-q", dem, table, out, *flags, *(["-alpha"] if alpha else []))
    return bands(out, tmp)[:3]


def gdaldem_exact(dem, table, holes, tmp):
    # GDAL 3.6 matches only a table's first entry exactly (and none when an
    # nv line comes first); one run per entry, alone in its table, gives
    # every entry's matches, and the no-data cells take the nv colour.
    with open(table) as f:
        text = f.read()
    nv = [l.replace(",", " ").split()[1:4] for l in text.splitlines() if l.strip().lower().startswith("nv")]
    result = None
    for entry in reversed(table_entries(text)):  # the first entry of a duplicate wins
        one = os.path.join(tmp, "one.txt")
        with open(one, "w") as f:
            f.write(entry + "\n")
        out = os.path.join(tmp, "relief.tif")
        run("gdaldem", "color-relief", "-q", dem, one, out, "-exact_color_entry", "-alpha")
        b = bands(out, tmp)
        if result is None:
            result = np.zeros_like(b[:3])
        hit = b[3] > 0
        result[:, hit] = b[:3][:, hit]
    if nv:
        result[:, holes] = np.array([int(v) for v in nv[0]], np.uint8)[:, None]
    return result


def tinted(dem, table, mode, tmp):
    out = os.path.join(tmp, "texture.tif")
    run(BATCH, "--quiet", "--open", dem, "--colours", table, "--colour-entries", mode, "tint", "--save", "texture", out)
    return bands(out, tmp)[:3]


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for name, text in TABLES.items():
            with open(os.path.join(tmp, name), "w") as f:
                f.write(text)
        shipped = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "colours")
        tables = [(os.path.join(tmp, n), os.path.join(tmp, n)) for n in TABLES]
        tables += [(n, os.path.join(shipped, n + ".txt")) for n in SHIPPED]
        for holes in (False, True):
            dem, mask = write_dem(tmp, holes)
            for ours, theirs in tables:
                with open(theirs) as f:
                    text = f.read()
                percent = "%" in text
                # Without an nv colour, no-data cells count as the least
                # height here, where gdaldem colours the no-data value.
                judged = ~mask if "nv" not in text else np.ones_like(mask)
                for mode in ("interpolate", "exact", "nearest"):
                    # gdaldem places a percentage only to within its rounding,
                    # so an exact entry at one seldom equals a whole metre.
                    if mode == "exact" and percent:
                        continue
                    got = tinted(dem, ours, mode, tmp)
                    # -alpha adds a band; the exact runs below take it always.
                    for alpha in (False,) if mode == "exact" else (False, True):
                        want = gdaldem_exact(dem, theirs, mask, tmp) if mode == "exact" else \
                            gdaldem(dem, theirs, mode, alpha, tmp)
                        diff = np.abs(got.astype(int) - want.astype(int)).max(axis=0)[judged]
                        same = float((diff == 0).mean())
                        case = f"{os.path.basename(ours)} {mode} alpha={alpha} holes={holes}"
                        print(f"{case}: same RGB {100 * same:.3f} %, largest difference {diff.max()}")
                        if same < 0.999 or diff.max() > 1:
                            print(f"FAIL: {case}", file=sys.stderr)
                            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
