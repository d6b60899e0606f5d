#!/usr/bin/env bash
# Builds the threaded tests with clang and ThreadSanitizer in build-tsan/
# and runs them: the core's tests (every shadow sweep, texture and view-grid
# loop, on 1 to 8 threads), live relighting, and live relighting at 2048 x
# 2048 under a busy hand. OpenMP's own synchronisation is told to the
# sanitizer by libomp's Archer tool; reports from the libraries that were
# not built for it (Qt, the OpenMP runtime) are left out. Fails on any
# report.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-tsan
targets=(core_tests panel_live_test panel_live_stress_test)
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGLOAMERY_TSAN=ON -DGLOAMERY_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

archer=$(ls /usr/lib/llvm-*/lib/libarcher.so 2>/dev/null | sort -V | tail -n 1)
[ -n "$archer" ] || { echo "libarcher.so not found (Debian package libomp-14-dev)" >&2; exit 1; }
export OMP_TOOL_LIBRARIES=$archer
export TSAN_OPTIONS="ignore_noninstrumented_modules=1 halt_on_error=1 exitcode=66"
export QT_QPA_PLATFORM=offscreen

"$build/tests/core/core_tests" --gtest_brief=1
"$build/tests/panel/panel_live_test"
"$build/tests/panel/panel_live_stress_test"
echo "ThreadSanitizer: no reports"
