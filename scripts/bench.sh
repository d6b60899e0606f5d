#!/usr/bin/env bash
# Builds a Release tree and runs the benchmarks: the core operations
# (medians of repeated runs), then the batch tool started as a process that
# loads four pictures, runs "Linear" and saves the colour map.
#   scripts/bench.sh [RUNS]      RUNS: process starts to time (default 31)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
runs=${1:-31}
dir=${GLOAMERY_BENCH_DIR:-build-bench}

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=ON >/dev/null
cmake --build "$dir" --target gloamery_bench gloamery-batch -j"$(nproc)"

echo "== Core operations (median of 9 repetitions)"
"$dir/bench/gloamery_bench" --benchmark_repetitions=9 --benchmark_display_aggregates_only=true \
  --benchmark_filter="${GLOAMERY_BENCH_FILTER:-.}" | grep -E '^Benchmark|^-+$|_median'

echo "== Batch tool process: load four pictures, linear, save colour map"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
batch=$PWD/$dir/batch/gloamery-batch
# The inputs: the default pictures, written out by the tool itself.
(cd "$work" && "$batch" --save height h.png --save grass g.png --save stone s.png --save detail d.png)
python3 - "$batch" "$work" "$runs" <<'PY'
import os, statistics, subprocess, sys, time
batch, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
args = [batch, "--load", "height", "h.png", "--load", "grass", "g.png", "--load", "stone", "s.png",
        "--load", "detail", "d.png", "--sun", "40,30", "linear", "--save", "colour", "out.png"]
times = []
for _ in range(runs + 1):
    start = time.perf_counter()
    subprocess.run(args, cwd=work, env=env, check=True)
    times.append((time.perf_counter() - start) * 1000)
times = times[1:]  # the first start warms the file cache
print(f"batch process: median {statistics.median(times):.1f} ms, "
      f"min {min(times):.1f} ms, max {max(times):.1f} ms over {runs} runs")
PY
