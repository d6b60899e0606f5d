#!/usr/bin/env bash
# Live relighting as the user feels it, on a virtual X server (as in CI):
# the time from a mouse move on the height map, "Live" ticked, to the
# repainted colour map, median of many moves at each map size.
#   scripts/measure-live.sh [--moves N] [SIZE...]     sizes default to 1024 4096
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=${GLOAMERY_LIVE_DIR:-build-live}

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=OFF >/dev/null
cmake --build "$dir" --target live_timing -j"$(nproc)" >/dev/null

export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1600x1200x24" "$dir/panel/live_timing" "$@"
