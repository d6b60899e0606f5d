#!/usr/bin/env bash
# Median frame time of the 3D view at its design size, on a virtual X
# server with Mesa's software GL (as in CI). Shows the default pictures
# after "Make Texture" and "Linear", or with --size a generated W x H
# terrain after the same; also what "3D" adds to the memory.
#   scripts/measure-3d.sh [--frames N] [--flat] [--size W,H]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=${GLOAMERY_3D_DIR:-build-view3d}

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=OFF >/dev/null
cmake --build "$dir" --target frame_time -j"$(nproc)" >/dev/null

export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1600x1200x24" "$dir/preview3d/frame_time" "$@"
