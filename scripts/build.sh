#!/usr/bin/env bash
# Configures and builds one build tree: build.sh DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
# Builds of the same sources with the same flags (the plain and the Qt-free
# trees share the core) compile once.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
