#!/usr/bin/env bash
# Builds a Release tree and runs the benchmarks:
#  1. the core operations at 256, 1024 and 4096 on a side (medians of
#     repeated runs);
#  2. the batch tool started as a process: --version alone; at 256 x 256
#     load four pictures, "Linear", save the colour map, beside
#     ImageMagick's shading of the same height map; and the first run of
#     each operation in a fresh process beside the next ones (--time);
#  3. the batch tool at 4096 x 4096 beside ImageMagick's shading of the same
#     height map, with the peak memory of each, and "Linear" at 4096 x 4096
#     as the first run of a fresh process beside the next two in it; a point
#     "sun" (no disc, the Lambert term, no sky) beside "Linear" on the same
#     map, as operations in one process and as whole processes;
#  4. one "Linear" at 16384 x 16384 with its save, time and peak memory;
#  5. "sun" at 4096 x 4096 (load, sun with the Lambert term, save PNG)
#     beside SAGA's hillshading with cast shadows on the same map;
#  6. the panel's peak memory at 16384 x 16384 (scripts/measure-memory.sh);
#  7. the real sun over a day and a year, beside SAGA's radiation tool when
#     it is installed (scripts/bench-sun.sh);
#  8. the relief layers and the sky's light at 4096 x 4096, beside gdaldem
#     and SAGA (scripts/bench-relief.sh).
#   scripts/bench.sh [RUNS]      RUNS: process starts to time (default 31)
# GLOAMERY_BENCH_FILTER limits step 1; GLOAMERY_BENCH_SKIP_HUGE=1 skips step 4.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for p in imagemagick time saga; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' && continue
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$p"
done
runs=${1:-31}
dir=${GLOAMERY_BENCH_DIR:-build-bench}

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=ON >/dev/null
cmake --build "$dir" --target gloamery_bench gloamery-batch -j"$(nproc)"

echo "== Core operations (median of 9 repetitions; time is wall time, all cores)"
"$dir/bench/gloamery_bench" --benchmark_repetitions=9 --benchmark_display_aggregates_only=true \
  --benchmark_filter="${GLOAMERY_BENCH_FILTER:-.}" | grep -E '^Benchmark|^-+$|_median'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
batch=$PWD/$dir/batch/gloamery-batch
# The real ImageMagick, not a wrapper that may stand in front of it.
magick=$(command -v convert-im6.q16 || command -v convert)
# The 256 inputs: the default pictures, written out by the tool itself; the
# 4096 height map: a plasma fractal in 8-bit grey.
(cd "$work" && "$batch" --save height h.png --save grass g.png --save stone s.png --save detail d.png)
"$magick" -size 4096x4096 -seed 7 plasma:grey30-grey70 -colorspace Gray -depth 8 -blur 0x2 "$work/h4k.png"

python3 - "$batch" "$magick" "$work" "$runs" "${GLOAMERY_BENCH_SKIP_HUGE:-0}" <<'PY'
import os, statistics, subprocess, sys, time
batch, magick, work, runs, skip_huge = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5] == "1"
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}

def timed(args, n):
    """Median and spread of n runs (after one that warms the file cache), and the peak memory in MiB."""
    times = []
    for _ in range(n + 1):
        start = time.perf_counter()
        subprocess.run(args, cwd=work, env=env, check=True)
        times.append((time.perf_counter() - start) * 1000)
    peak = subprocess.run(["/usr/bin/time", "-f", "%M"] + args, cwd=work, env=env, check=True,
                          capture_output=True, text=True).stderr.strip().splitlines()[-1]
    return statistics.median(times[1:]), min(times[1:]), max(times[1:]), int(peak) / 1024

def alternate(commands, n):
    """Medians (and minima) of n runs of each command, taken in turn so a
    busy spell of the machine weighs on each alike."""
    times = [[] for _ in commands]
    for i in range(n + 1):
        for k, args in enumerate(commands):
            start = time.perf_counter()
            subprocess.run(args, cwd=work, env=env, check=True, stdout=subprocess.DEVNULL)
            if i:
                times[k].append((time.perf_counter() - start) * 1000)
    return [(statistics.median(t), min(t)) for t in times]

small = [batch, "--load", "height", "h.png", "--load", "grass", "g.png", "--load", "stone", "s.png",
         "--load", "detail", "d.png", "--sun", "40,30", "linear", "--save", "colour", "out.png"]
shade256 = [magick, "h.png", "-shade", "120x45", "out-im.png"]
true = ["/bin/true"]
(v, vlo), (s, slo), (m, mlo), (t, tlo) = alternate([[batch, "--version"], small, shade256, true], runs)
peak = timed(small, 1)[3]
print(f"batch --version: median {v:.1f} ms (min {vlo:.1f}); /bin/true: median {t:.1f} ms (min {tlo:.1f})")
print(f"batch process 256 (load 4 PNG, linear, save PNG): median {s:.1f} ms (min {slo:.1f}), peak {peak:.0f} MiB; "
      f"ImageMagick -shade 120x45 on h.png: median {m:.1f} ms (min {mlo:.1f}); ratio {s / m:.2f}, over {runs} runs each")

# Each operation's first run in a fresh process beside the next two, from
# their --time lines.
operations = ["linear", "linear-sim", "sin", "cos", "embossed", "make-texture", "make-texture2", "clear"]
firsts, warms = {}, {}
for _ in range(runs):
    for op in operations:
        out = subprocess.run([batch, "--time", op, op, op], cwd=work, env=env, check=True,
                             capture_output=True, text=True).stderr.splitlines()
        ms = [float(line.split()[1]) for line in out if line.startswith(op + " ")]
        firsts.setdefault(op, []).append(ms[0])
        warms.setdefault(op, []).append(statistics.median(ms[1:]))
print(f"first run of each operation at 256 in a fresh process, beside the next two (medians over {runs} processes):")
for op in operations:
    f, w = statistics.median(firsts[op]), statistics.median(warms[op])
    print(f"  {op:14} first {f:.3f} ms, warm {w:.3f} ms, ratio {f / w:.2f}")

big_runs = max(3, runs // 4)

# "Linear" at 4096 as the first shadow run of a process, beside the two
# after it there: the first pays for whatever is new to the process.
firsts, warms = [], []
for _ in range(runs):
    out = subprocess.run([batch, "--size", "4096,4096", "--load", "height", "h4k.png", "--sun", "640,480", "--time",
                          "linear", "linear", "linear"], cwd=work, env=env, check=True,
                         capture_output=True, text=True).stderr.splitlines()
    ms = [float(line.split()[1]) for line in out if line.startswith("linear ")]
    firsts.append(ms[0])
    warms.append(statistics.median(ms[1:]))
f, w = statistics.median(firsts), statistics.median(warms)
ratios = sorted(a / b for a, b in zip(firsts, warms))
print(f"linear at 4096 (sun 640,480), first run of a process: median {f:.1f} ms; the next two: median {w:.1f} ms; "
      f"ratio of medians {f / w:.2f}, median ratio {statistics.median(ratios):.2f} over {runs} processes")
# A point sun beside "Linear" (each from its defaults) on the 4096 map: the
# operations' own times, taken in turn in each process after a first run
# of each, and whole processes that load the map and run one of them.
suns, linears = [], []
for _ in range(big_runs):
    args = [batch, "--size", "4096,4096", "--load", "height", "h4k.png", "--time"] + ["linear", "sun"] * 4
    out = subprocess.run(args, cwd=work, env=env, check=True, capture_output=True, text=True).stderr.splitlines()
    suns += [float(line.split()[1]) for line in out if line.startswith("sun ")][1:]
    linears += [float(line.split()[1]) for line in out if line.startswith("linear ")][1:]
s, li = statistics.median(suns), statistics.median(linears)
print(f"point sun beside linear at 4096, the operations: sun median {s:.1f} ms, linear median {li:.1f} ms, "
      f"ratio {s / li:.2f} over {len(suns)} runs each")
load4k = [batch, "--size", "4096,4096", "--load", "height", "h4k.png"]
(s, slo), (li, llo) = alternate([load4k + ["sun"], load4k + ["linear"]], big_runs)
print(f"point sun beside linear at 4096, whole processes (load PNG, run): sun median {s:.0f} ms (min {slo:.0f}), "
      f"linear median {li:.0f} ms (min {llo:.0f}); ratio {s / li:.2f} over {big_runs} runs each")

big = [batch, "--size", "4096,4096", "--load", "height", "h4k.png", "make-texture", "--sun", "640,480",
       "linear", "--save", "colour", "out4k.png"]
shade = [magick, "h4k.png", "-shade", "120x45", "out4k-im.png"]
g = timed(big, big_runs)
m = timed(shade, big_runs)
print(f"batch process 4096 (load PNG, make-texture, linear, save PNG): median {g[0]:.0f} ms "
      f"(min {g[1]:.0f}, max {g[2]:.0f}), peak {g[3]:.0f} MiB over {big_runs} runs")
print(f"ImageMagick -shade 120x45 on the same map: median {m[0]:.0f} ms (min {m[1]:.0f}, max {m[2]:.0f}), "
      f"peak {m[3]:.0f} MiB; ratio {g[0] / m[0]:.2f}")

# "sun" as a whole process beside SAGA's analytical hillshading with cast
# shadows (ray tracing), both on the 4096 map, a pixel 1 unit wide.
sun = [batch, "--size", "4096,4096", "--load", "height", "h4k.png", "--sun-angle", "315,45", "sun",
       "--save", "colour", "sun4k.png"]
saga_cmd = subprocess.run(["sh", "-c", "command -v saga_cmd"], capture_output=True, text=True).stdout.strip()
if saga_cmd:
    subprocess.run([saga_cmd, "-f=q", "io_gdal", "0", "-FILES", "h4k.png", "-GRIDS", "h4k.sgrd"], cwd=work, env=env,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    sagas = [saga_cmd, "-f=q", "ta_lighting", "0", "-ELEVATION", "h4k.sgrd", "-SHADE", "saga-shade.sgrd",
             "-METHOD", "2", "-AZIMUTH", "315", "-DECLINATION", "45"]
    (g, glo), (sg, sglo) = alternate([sun, sagas], big_runs)
    print(f"batch process 4096 (load PNG, sun with the Lambert term, save PNG): median {g:.0f} ms (min {glo:.0f}); "
          f"SAGA ta_lighting 0 -METHOD 2: median {sg:.0f} ms (min {sglo:.0f}); ratio {g / sg:.2f} over {big_runs} runs each")
else:
    g = timed(sun, big_runs)
    print(f"batch process 4096 (load PNG, sun with the Lambert term, save PNG): median {g[0]:.0f} ms; SAGA not installed")

if not skip_huge:
    huge = [batch, "--size", "16384,16384", "--tile", "height", "h4k.png", "--sun", "2000,1500", "--time", "linear",
            "--save", "colour", "out16k.png"]
    start = time.perf_counter()
    out = subprocess.run(["/usr/bin/time", "-f", "%M"] + huge, cwd=work, env=env, check=True,
                         capture_output=True, text=True).stderr.strip().splitlines()
    wall = (time.perf_counter() - start)
    print(f"16384 x 16384 linear: {out[0]}; whole process with the save {wall:.1f} s, peak {int(out[-1]) / 1024:.0f} MiB")
    os.remove(os.path.join(work, "out16k.png"))
PY

# The panel's peak memory at 16384 x 16384: after "Map size..." and at "Linear".
if [ "${GLOAMERY_BENCH_SKIP_HUGE:-0}" != 1 ]; then
  echo "== Panel peak memory, 16384 x 16384"
  scripts/measure-memory.sh 16384
fi

# Files read and written a row at a time: the peak of loads and saves of
# large maps, nothing of the map's size made besides what the slots keep.
# Measured on the 2-core machine of the "lean pictures" work, peak KB
# before rows / after:
#   4096 load height h4k.png                                149708 /  47404
#   4096 load, make-texture, linear, save colour            427384 / 342552
#   16384 tile height h4k.png, save colour (never filled)  1428716 / 538824
#   16384 tile height h4k.png, save height                 1538012 / 538900
rows_work=$(mktemp -d)
"$magick" -size 4096x4096 -seed 7 plasma:grey30-grey70 -colorspace Gray -depth 8 -blur 0x2 "$rows_work/h4k.png"
for run in "--size 4096,4096 --load height h4k.png" \
           "--size 4096,4096 --load height h4k.png make-texture --sun 640,480 linear --save colour out.png" \
           "--size 16384,16384 --tile height h4k.png --save colour c.png" \
           "--size 16384,16384 --tile height h4k.png --save height h.png"; do
  # shellcheck disable=SC2086 # the run's words
  (cd "$rows_work" && /usr/bin/time -f "peak %M KB: gloamery-batch $run" "$batch" $run 2>&1 >/dev/null | tail -1)
done
rm -rf "$rows_work"

echo "== The sun over a period (scripts/bench-sun.sh)"
cmake --build "$dir" --target gloamery-gdal -j"$(nproc)" >/dev/null
scripts/bench-sun.sh "$batch" 3

echo "== The relief layers and the sky's light (scripts/bench-relief.sh)"
scripts/bench-relief.sh "$batch" 5
