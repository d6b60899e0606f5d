#!/usr/bin/env bash
# Median frame time of the 3D view at its design size, on a virtual X
# server with Mesa's software GL (as in CI). Shows the default pictures
# after "Make Texture" and "Linear", or with --size a generated W x H
# terrain after the same; also what "3D" adds to the memory.
#   scripts/measure-3d.sh [--frames N] [--flat] [--size W,H]
exec "$(dirname "$0")/xvfb-tool.sh" "${GLOAMERY_3D_DIR:-build-view3d}" frame_time preview3d/frame_time "$@"
