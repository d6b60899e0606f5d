#!/usr/bin/env bash
# Builds one of the window tools in a Release tree of its own and runs it on
# a virtual X server with Mesa's software GL, as in CI:
#   scripts/xvfb-tool.sh DIR TARGET PATH-IN-TREE [ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=$1 target=$2 tool=$3
shift 3

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=OFF >/dev/null
cmake --build "$dir" --target "$target" -j"$(nproc)" >/dev/null

export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1600x1200x24" "$dir/$tool" "$@"
