#!/usr/bin/env bash
# Takes the README's picture of the control panel: starts the window under
# a virtual X server, presses "Make Texture" and then "Linear", and saves
# what the window shows as a PNG (docs/panel.png unless a path is given),
# and the window with its Light menu open beside it (docs/panel-menu.png).
# BUILD_DIR chooses the build tree (build by default).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/panel.png}
build=${BUILD_DIR:-build}
scripts/setup.sh
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target gloamery_screenshot -j"$(nproc)"
mkdir -p "$(dirname "$out")"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1200x24" "$build/panel/gloamery_screenshot" "$out"
echo "wrote $out"
# The same window with its Light menu open, beside it.
menu="${out%.png}-menu.png"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1200x24" "$build/panel/gloamery_screenshot" --menu "$menu"
echo "wrote $menu"
