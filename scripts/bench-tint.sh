#!/usr/bin/env bash
# Colour by height at 4096 x 4096, as whole processes (medians):
#  - `tint` alone, opening a DEM and saving the texture as a GeoTIFF, side
#    by side with gdaldem color-relief on the same DEM and table, writing a
#    tiled, deflated GeoTIFF (the ratio is taken run by run, the two in turn);
#  - `tint` then "Sun" at 315 degrees, 45 high, saving the colour map as PNG.
# The DEM: fractal terrain in 30 m UTM pixels, 0..1020 m, as 32-bit floats.
#   scripts/bench-tint.sh [BATCH_TOOL [RUNS]]   (default: a Release build in build-bench, 7 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
batch=${1:-}
runs=${2:-7}
if [ -z "$batch" ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-bench --target gloamery-batch gloamery-gdal -j"$(nproc)" >/dev/null
  batch=$PWD/build-bench/batch/gloamery-batch
fi
py=${PYTHON:-/usr/bin/python3}
table=$PWD/resources/colours/land.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

n=4096
"$py" - "$n" <<'PY'
import sys
import numpy as np
n = int(sys.argv[1])
rng = np.random.default_rng(7)
total, weight, cell = np.zeros((n, n)), 1.0, n // 4
while cell >= 2:
    lattice = rng.random((n // cell + 1, n // cell + 1))
    block = np.kron(lattice, np.ones((cell, cell)))[:n, :n]
    total += weight * block
    weight, cell = weight / 2, cell // 2
total = (total - total.min()) / (total.max() - total.min())
(total * 65535).astype("<u2").tofile("dem.bil")
PY
printf 'NROWS %d\nNCOLS %d\nNBANDS 1\nNBITS 16\nPIXELTYPE UNSIGNEDINT\nBYTEORDER I\nLAYOUT BIL\n' "$n" "$n" >dem.hdr
gdal_translate -q -of GTiff -ot Float32 -scale 0 65535 0 1020 -a_srs EPSG:32632 \
  -a_ullr 400000 5160000 $((400000 + 30 * n)) $((5160000 - 30 * n)) dem.bil dem.tif

echo "== tint, saved as a GeoTIFF (A), against gdaldem color-relief (B)"
farm-bench -n "$runs" --timeout 1200 \
  --vs "gdaldem color-relief -q dem.tif $table theirs.tif -co COMPRESS=DEFLATE -co TILED=YES" \
  -- "$batch" --open dem.tif --colours land tint --save texture ours.tif
echo "== tint, then Sun at 315, 45, saved as PNG"
farm-bench -n "$runs" --timeout 1200 -- "$batch" --open dem.tif --colours land tint --sun-angle 315,45 sun \
  --save colour shaded.png
