#!/usr/bin/env bash
# The relief layers and the sky's light at 4096 x 4096 (medians):
#  - operation times (--time, in fresh processes, the first run of each
#    process dropped): sky-view with 16 and 64 directions and no radius,
#    "Sun" with sky light over 16 x 4 and 64 x 16 directions, a point "Sun"
#    beside "Linear";
#  - the whole process `--open dem.tif multi-hillshade --save shadow` beside
#    gdaldem hillshade -multidirectional writing a tiled, deflated GeoTIFF
#    (the ratio taken run by run, the two in turn);
#  - at 1024 x 1024, sky-view with 16 directions as a whole process beside
#    SAGA's "Sky View Factor" (saga_cmd ta_lighting 3, 16 sectors, a radius
#    that covers the map), when SAGA is installed (one run of SAGA's).
# The DEMs: fractal terrain in 30 m UTM pixels, 0..1020 m (scripts/fractal_dem.py).
#   scripts/bench-relief.sh [BATCH_TOOL [RUNS]]   (default: a Release build in build-bench, 5 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
batch=${1:-}
runs=${2:-5}
if [ -z "$batch" ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-bench --target gloamery-batch gloamery-gdal -j"$(nproc)" >/dev/null
  batch=$PWD/build-bench/batch/gloamery-batch
fi
py=${PYTHON:-/usr/bin/python3}
repo=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for n in 1024 4096; do
  "$py" "$repo/scripts/fractal_dem.py" "h$n.tif" "$n"
done

"$py" - "$batch" "$runs" <<'PY'
import re, statistics, subprocess, sys
batch, runs = sys.argv[1], int(sys.argv[2])

def op_times(flags, ops):
    """Median milliseconds of each operation over `runs` processes, each operation run twice and the
    first of each dropped (it pays for the layers' first pages)."""
    seen = {op: [] for op in ops}
    for _ in range(runs):
        err = subprocess.run([batch, "--open", "h4096.tif", "--time"] + flags + [op for op in ops for _ in (0, 1)],
                             check=True, capture_output=True, text=True).stderr
        lines = [(m[1], float(m[2])) for m in re.finditer(r"^(\S+) ([0-9.]+) ms$", err, re.M)]
        for op in ops:
            seen[op].append([t for name, t in lines if name == op][1])
    return {op: statistics.median(ts) for op, ts in seen.items()}

print(f"== operation times at 4096 x 4096, medians of {runs} processes")
for what, flags, ops in [("sky-view, 16 directions", ["--directions", "16"], ["sky-view"]),
                         ("sky-view, 64 directions", ["--directions", "64"], ["sky-view"]),
                         ("Sun, sky light 16 x 4", ["--sky", "0.3", "--sky-rays", "16,4"], ["sun"]),
                         ("Sun, sky light 64 x 16", ["--sky", "0.3", "--sky-rays", "64,16"], ["sun"]),
                         ("point Sun beside Linear", [], ["sun", "linear"])]:
    t = op_times(flags, ops)
    extra = f" (ratio {t['sun'] / t['linear']:.2f})" if len(ops) == 2 else ""
    print(f"{what}: " + ", ".join(f"{op} {ms / 1000:.3f} s" for op, ms in t.items()) + extra)
PY

echo "== multi-hillshade saved as a GeoTIFF (A), against gdaldem hillshade -multidirectional (B), 4096 x 4096"
farm-bench -n "$runs" --timeout 1200 \
  --vs "gdaldem hillshade -q -multidirectional h4096.tif theirs.tif -co COMPRESS=DEFLATE -co TILED=YES" \
  -- "$batch" --open h4096.tif multi-hillshade --save shadow ours.tif

if command -v saga_cmd >/dev/null; then
  echo "== sky-view, 16 directions, 1024 x 1024, whole processes, beside SAGA's Sky View Factor"
  saga_cmd -f=q io_gdal 0 -FILES h1024.tif -GRIDS h1024.sgrd >/dev/null
  "$py" - "$batch" "$runs" <<'PY'
import resource, statistics, subprocess, sys, time
batch, runs = sys.argv[1], int(sys.argv[2])

def timed(args, n):
    """Median wall and processor seconds of n runs."""
    wall, cpu = [], []
    for _ in range(n):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wall.append(time.perf_counter() - start)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
    return statistics.median(wall), statistics.median(cpu)

# The map's diagonal is 43.4 km: a radius of 44 km covers it.
s, scpu = timed(["saga_cmd", "-f=q", "ta_lighting", "3", "-DEM", "h1024.sgrd", "-SVF", "svf.sgrd",
                 "-VISIBLE", "visible.sgrd", "-RADIUS", "44000", "-NDIRS", "16"], 1)
g, gcpu = timed([batch, "--open", "h1024.tif", "--directions", "16", "sky-view", "--save", "layer", "svf.tif"], runs)
print(f"SAGA ta_lighting 3: {s:.1f} s, processor {scpu:.1f} s (one run); gloamery-batch sky-view: {g:.2f} s, "
      f"processor {gcpu:.2f} s ({runs} runs); ratio {g / s:.4f}")
PY
else
  echo "SAGA not installed: apt-get install saga for the side-by-side run"
fi
