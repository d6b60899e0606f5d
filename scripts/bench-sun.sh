#!/usr/bin/env bash
# The real sun over a period, as whole batch-tool processes (medians):
#  - one day (21 June) at 10-minute steps, sun-hours, point sun, Lambert on,
#    at 1024 x 1024 and 4096 x 4096;
#  - the year 2026 at hourly steps at 1024 x 1024;
#  - side by side with SAGA's "Potential Incoming Solar Radiation"
#    (saga_cmd ta_lighting 2: the same day, steps and latitude, duration and
#    direct outputs) on the same 1024 x 1024 map, when SAGA is installed.
# The maps: fractal terrains in 30 m UTM pixels, 0..1020 m (scripts/fractal_dem.py).
#   scripts/bench-sun.sh [BATCH_TOOL [RUNS]]   (default: a Release build in build-bench, 3 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
batch=${1:-}
runs=${2:-3}
if [ -z "$batch" ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-bench --target gloamery-batch gloamery-gdal -j"$(nproc)" >/dev/null
  batch=$PWD/build-bench/batch/gloamery-batch
fi
# The system Python, which has NumPy.
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for n in 1024 4096; do
  "$py" scripts/fractal_dem.py "$work/h$n.tif" "$n"
done

"$py" - "$batch" "$work" "$runs" <<'PY'
import resource, statistics, subprocess, sys, time
batch, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
day = "2026-06-21T00:00Z,2026-06-22T00:00Z,10"
year = "2026-01-01T00:00Z,2027-01-01T00:00Z,60"

cpu = []  # processor seconds (user + system) of each run, beside its wall time: a busy machine stretches only the wall

def median(args, n):
    times = []
    cpu.clear()
    for _ in range(n):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(args, cwd=work, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
    return statistics.median(times), min(times)

def ours(n, period, ops):
    return [batch, "--open", f"h{n}.tif", "--place", "46.5,7.9", "--period", period] + ops

for name, args in [("day at 10 min, sun-hours, 1024", ours(1024, day, ["sun-hours"])),
                   ("day at 10 min, sun-hours, 4096", ours(4096, day, ["sun-hours"])),
                   ("day at 10 min, sun-hours + direct-light, 1024", ours(1024, day, ["sun-hours", "direct-light"])),
                   ("year hourly, sun-hours, 1024", ours(1024, year, ["sun-hours"]))]:
    m, lo = median(args, runs)
    print(f"gloamery-batch {name}: median {m:.2f} s (min {lo:.2f}), processor {statistics.median(cpu):.2f} s, "
          f"over {runs} runs")

saga = subprocess.run(["sh", "-c", "command -v saga_cmd"], capture_output=True, text=True).stdout.strip()
if saga:
    subprocess.run([saga, "-f=q", "io_gdal", "0", "-FILES", "h1024.tif", "-GRIDS", "h1024.sgrd"], cwd=work, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # SAGA 8.5 reads a day only as a date and a time: given "2026-06-21" alone it quietly takes today.
    sagas = [saga, "-f=q", "ta_lighting", "2", "-GRD_DEM", "h1024.sgrd", "-GRD_DIRECT", "direct.sgrd",
             "-GRD_DIFFUS", "diffuse.sgrd", "-GRD_DURATION", "duration.sgrd", "-LOCATION", "0", "-LATITUDE", "46.5",
             "-PERIOD", "1", "-DAY", "2026-06-21T00:00:00", "-HOUR_RANGE_MIN", "0", "-HOUR_RANGE_MAX", "24",
             "-HOUR_STEP", str(10 / 60)]
    s, _ = median(sagas, 1)
    scpu = cpu[0]
    g, _ = median(ours(1024, day, ["sun-hours", "direct-light"]), runs)
    print(f"SAGA ta_lighting 2, same day, steps and latitude, duration and direct: {s:.1f} s, processor {scpu:.1f} s "
          f"(one run); gloamery-batch sun-hours + direct-light: {g:.2f} s, processor {statistics.median(cpu):.2f} s; "
          f"ratio {g / s:.4f}")
else:
    print("SAGA not installed: apt-get install saga for the side-by-side run")
PY
