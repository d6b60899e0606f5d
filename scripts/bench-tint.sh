#!/usr/bin/env bash
# Colour by height at 4096 x 4096, as whole processes (medians):
#  - `tint` alone, opening a DEM and saving the texture as a GeoTIFF, side
#    by side with gdaldem color-relief on the same DEM and table, writing a
#    tiled, deflated GeoTIFF (the ratio is taken run by run, the two in turn);
#  - `tint` then "Sun" at 315 degrees, 45 high, saving the colour map as PNG.
# The DEM: fractal terrain in 30 m UTM pixels, 0..1020 m, as 32-bit floats (scripts/fractal_dem.py).
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
repo=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

n=4096
"$py" "$repo/scripts/fractal_dem.py" dem.tif "$n" --blocky

echo "== tint, saved as a GeoTIFF (A), against gdaldem color-relief (B)"
farm-bench -n "$runs" --timeout 1200 \
  --vs "gdaldem color-relief -q dem.tif $table theirs.tif -co COMPRESS=DEFLATE -co TILED=YES" \
  -- "$batch" --open dem.tif --colours land tint --save texture ours.tif
echo "== tint, then Sun at 315, 45, saved as PNG"
farm-bench -n "$runs" --timeout 1200 -- "$batch" --open dem.tif --colours land tint --sun-angle 315,45 sun \
  --save colour shaded.png
