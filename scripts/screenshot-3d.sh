#!/usr/bin/env bash
# Writes docs/view3d.png: the 3D view window showing the default pictures
# after "Make Texture" and "Linear", on a virtual X server with Mesa's
# software GL.
#   scripts/screenshot-3d.sh [OUTPUT.png [--size W,H]]
# (--size: a generated W x H terrain after the same buttons)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=${GLOAMERY_3D_DIR:-build-view3d}
out=${1:-docs/view3d.png}
shift || true

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=OFF >/dev/null
cmake --build "$dir" --target screenshot_3d -j"$(nproc)" >/dev/null

mkdir -p "$(dirname "$out")"
export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1600x1200x24" "$dir/preview3d/screenshot_3d" "$out" "$@"
echo "wrote $out"
