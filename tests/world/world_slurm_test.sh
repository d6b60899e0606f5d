#!/usr/bin/env bash
# light-world.sh on a one-node Slurm cluster started for the test: the
# mosaic matches the whole world lit in one run, a failing array task is
# named, and a re-run submits only the region left.
# Usage: world_slurm_test.sh BATCH_TOOL   (root, or sudo without a password)
set -uo pipefail
source "$(dirname "$0")/world_lib.sh"
batch=$1
tmp=$(mktemp -d)
chmod 755 "$tmp"  # slurmd, as root, reaches the jobs' files whoever runs this
cluster=$tmp/slurm
cleanup() {
  "$here/local-slurm.sh" stop "$cluster"
  [ -n "${WORLD_TEST_KEEP-}" ] && echo "kept $tmp" || rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
cd "$tmp"

if ! "$here/local-slurm.sh" start "$cluster" $$ >slurm-start.log 2>&1; then
  cat slurm-start.log >&2
  echo "FAIL: the local Slurm cluster did not start" >&2
  exit 1
fi
export SLURM_CONF=$cluster/slurm.conf
show_slurm_logs() { tail -n 30 "$cluster"/log/*.log >&2 || true; }

make_world world.r16 16
make_world world.r8 8
write_region_list regions.txt

ops16=(--sun 130,95 --decay 3 --blur on --contrast 30 make-texture2 linear)
whole_run "$batch" world.r16 . colour,shadow,height "${ops16[@]}" || fail_case "the 16-bit whole run failed"
if "$light_world" --engine slurm --world "$W,$H" --heights-file world.r16 --out r16 --regions regions.txt \
     --save colour,shadow,height --batch "$batch" -- "${ops16[@]}" 2>r16.log; then
  for s in colour shadow height; do same_pixels "r16/$s.vrt" "whole-$s.png" "slurm r16 $s"; done
else
  cat r16.log >&2; show_slurm_logs
  fail_case "light-world.sh --engine slurm failed"
fi

# One task of the array fails: the run says which region; once it can
# succeed, a re-run submits that region alone (array task 0 runs line 8
# of jobs.txt) and the mosaic is whole.
mkdir r8 && mv whole-colour.png whole16-colour.png
ops8=(--sun 600,300 --decay -2 --blur on make-texture2 embossed)
whole_run "$batch" world.r8 . colour "${ops8[@]}" || fail_case "the 8-bit whole run failed"
write_flaky_batch flaky-batch "$batch" 128,50,64,50
flaky() {
  "$light_world" --engine slurm --jobs 2 --world "$W,$H" --heights-file world.r8 --out r8 --tile-size 64,50 \
    --save colour --batch "$tmp/flaky-batch" -- "${ops8[@]}" 2>"r8-$1.log"
}
rc=0; flaky 1 || rc=$?
[ $rc -eq 1 ] && grep -q "region 128,50,64,50: exit 1: flaky-batch: no luck today" r8-1.log \
  || { show_slurm_logs; fail_case "a failed Slurm task: exit $rc, $(cat r8-1.log)"; }
touch healed
rc=0; flaky 2 || rc=$?
[ $rc -eq 0 ] && grep -q "20 regions of 257 x 190: 19 done, 1 to run" r8-2.log \
  || { show_slurm_logs; fail_case "the healed Slurm re-run: exit $rc, $(cat r8-2.log)"; }
[ "$(cat r8/pending.txt)" = 8 ] || fail_case "the re-run ran lines $(tr '\n' ' ' <r8/pending.txt)of jobs.txt, not 8"
same_pixels r8/colour.vrt whole-colour.png "slurm r8 colour"

finish
