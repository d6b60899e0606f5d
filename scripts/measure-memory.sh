#!/usr/bin/env bash
# The control panel's peak memory (VmHWM) as a user drives it, on a virtual
# X server: after "Map size..." (16384 x 16384 unless told) and "Linear";
# with --more also "Make Texture", a live drag, Undo and Redo.
#   scripts/measure-memory.sh [--more] [SIDE]
exec "$(dirname "$0")/xvfb-tool.sh" "${GLOAMERY_MEMORY_DIR:-build-live}" memory_peak panel/memory_peak "$@"
