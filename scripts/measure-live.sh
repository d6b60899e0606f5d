#!/usr/bin/env bash
# Live relighting as the user feels it, on a virtual X server (as in CI):
# the time from a mouse move on the height map, "Live" ticked, to the
# repainted colour map, median of many moves at each map size.
#   scripts/measure-live.sh [--moves N] [SIZE...]     sizes default to 1024 4096
exec "$(dirname "$0")/xvfb-tool.sh" "${GLOAMERY_LIVE_DIR:-build-live}" live_timing panel/live_timing "$@"
