#!/usr/bin/env bash
# The core benchmarks at 4096 x 4096 (and the stamped layers at 16384)
# beside those of an earlier commit, side by side: each benchmark runs in
# turn on the earlier build and on this tree's, twice, 5 repetitions a run,
# and each side's median is printed with the ratio.
#   scripts/bench-against.sh COMMIT
# The earlier build is made in a scratch worktree (Release, benchmarks only).
set -euo pipefail
cd "$(dirname "$0")/.."
ref=${1:?usage: scripts/bench-against.sh COMMIT}
work=$(mktemp -d)
trap 'git worktree remove --force "$work/tree" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
git worktree add --detach "$work/tree" "$ref" >/dev/null
for tree in "$work/tree" "$PWD"; do
  cmake -S "$tree" -B "$tree/build-bench" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=ON >/dev/null
  cmake --build "$tree/build-bench" --target gloamery_bench -j"$(nproc)" >/dev/null
done
earlier=$work/tree/build-bench/bench/gloamery_bench
"${PYTHON:-/usr/bin/python3}" - "$earlier" "$PWD/build-bench/bench/gloamery_bench" <<'PY'
import json, statistics, subprocess, sys
old, new = sys.argv[1], sys.argv[2]
names = subprocess.run([old, "--benchmark_list_tests"], capture_output=True, text=True, check=True).stdout.split()
here = set(subprocess.run([new, "--benchmark_list_tests"], capture_output=True, text=True, check=True).stdout.split())
names = [n for n in names if n in here and ("size:4096" in n or "size:16384" in n)]

def median_of(bench, name):
    flags = [f"--benchmark_filter=^{name}$", "--benchmark_repetitions=5", "--benchmark_format=json"]
    out = subprocess.run([bench] + flags, capture_output=True, text=True, check=True).stdout
    runs = json.loads(out)["benchmarks"]
    return statistics.median(r["real_time"] for r in runs if r.get("run_type") == "iteration"), runs[0]["time_unit"]

print(f"{'benchmark':62s} {'earlier':>10s} {'now':>10s}")
for name in names:
    (a1, unit), (b1, _), (a2, _), (b2, _) = (median_of(b, name) for b in (old, new, old, new))
    a, b = (a1 + a2) / 2, (b1 + b2) / 2
    print(f"{name:62s} {a:10.2f} {b:10.2f} {unit}  now/earlier {b / a:.2f}", flush=True)
PY
