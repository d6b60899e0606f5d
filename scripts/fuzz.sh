#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each one from its
# committed seed corpus for a bounded time. Fails on any crash, leak,
# undefined behaviour, time-out or memory blow-up; the input that caused it
# is kept in fuzz/artifacts/ (rerun it with: build-fuzz/fuzz/TARGET FILE).
#
#   scripts/fuzz.sh [SECONDS [TARGET...]]    SECONDS per target, default 60
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(load_picture_fuzz shadow_fuzz)

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGLOAMERY_FUZZ=ON -DGLOAMERY_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/artifacts

status=0
for t in "${targets[@]}"; do
  mkdir -p "$work/$t"
  log=$work/$t.log
  # New inputs go to the scratch directory; the committed seeds stay as
  # they are. stderr is closed (-close_fd_mask=2) because the image
  # libraries write a line there for every damaged file; libFuzzer and the
  # sanitizers report through a copy of it.
  if "$build/fuzz/$t" "$work/$t" "fuzz/corpus/$t" -max_total_time="$seconds" -timeout=10 \
       -rss_limit_mb=2048 -print_final_stats=1 -close_fd_mask=2 \
       -artifact_prefix="fuzz/artifacts/$t-" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    grep -v -e '^#[0-9]' "$log" | tail -n 80
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$t: $result, ${execs:-?} executions in ${seconds} s"
done
exit $status
