#!/usr/bin/env bash
# light-world.sh with GNU parallel: worlds lit region by region match the
# whole world lit in one run, a re-run redoes only what is missing, failed
# jobs are named, and bad region lists are refused.
# Usage: world_parallel_test.sh BATCH_TOOL
set -uo pipefail
source "$(dirname "$0")/world_lib.sh"
batch=$1
tmp=$(mktemp -d)
# WORLD_TEST_KEEP=1 keeps the scratch folder to look into.
trap '[ -n "${WORLD_TEST_KEEP-}" ] && echo "kept $tmp" || rm -rf "$tmp"' EXIT
cd "$tmp"
make_world world.r16 16
make_world world.r8 8
make_geotiff world.r16 world.tif
write_region_list regions.txt

# name | heights (FILE or raster@LO,HI) | layout | saves | controls and operations
cases=(
  "r16-list-linear|world.r16|--regions regions.txt|colour,shadow,texture,height|--sun 130,95 --decay 3 --blur on --contrast 30 make-texture2 linear"
  "r16-tiles-cos-far|world.r16|--tile-size 64,50|colour,shadow,texture|--sun -400,-150 --decay 0 --blur on --blend multiply/2 make-texture2 cos"
  "r8-list-embossed|world.r8|--regions regions.txt|colour,shadow,texture,height|--sun 600,300 --decay -2 --blur on make-texture2 embossed"
  "r8-tiles-sim-sin|world.r8|--tile-size 64,50|colour,shadow|--sun 20,170 --decay -0.5 --darkness 200 make-texture2 linear-sim --blend 50/50 --sun 300,-80 --decay 1.5 sin"
  "tif-list-linear|world.tif@0,65535|--regions regions.txt|colour,height|--sun 200,-50 --decay 1 --blur on make-texture2 linear"
  "r16-tiles-sun|world.r16|--tile-size 64,50|colour,shadow|--sun-angle 200,25 --sun-size 2 --sky 0.2 --sky-rays 6,2 --vertical 0.2 make-texture sun"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name heights layout saves ops <<<"$c"
  range=()
  [[ $heights != *@* ]] || range=(--heights "${heights#*@}")
  mkdir "$name"
  # shellcheck disable=SC2086 # the layout and the operations are word lists
  if ! whole_run "$batch" "$heights" "$name" "$saves" $ops; then
    fail_case "$name: the whole run failed"
    continue
  fi
  # shellcheck disable=SC2086
  if ! "$light_world" --world "$W,$H" --heights-file "${heights%@*}" "${range[@]}" --out "$name/tiles" $layout \
       --jobs 2 --save "$saves" --batch "$batch" -- $ops 2>"$name/light.log"; then
    cat "$name/light.log" >&2
    fail_case "$name: light-world.sh failed"
    continue
  fi
  for s in ${saves//,/ }; do
    same_pixels "$name/tiles/$s.vrt" "$name/whole-$s.png" "$name $s"
  done
done
# A raster's mosaics lie where it lies.
gdalinfo tif-list-linear/tiles/colour.vrt | grep -q "Origin = (500000.000000000000000,5200000.000000000000000)" \
  || fail_case "the GeoTIFF world's mosaic lost its place: $(gdalinfo tif-list-linear/tiles/colour.vrt | grep -E 'Origin|PROJCRS' | head -2)"

# GeoTIFF tiles: each lies where it lies in the world, and the mosaic,
# placed by its tiles, holds the whole run's samples.
name=tif-format
IFS='|' read -r _ heights _ _ ops <<<"${cases[4]}"
# shellcheck disable=SC2086
"$light_world" --world "$W,$H" --heights-file world.tif --heights 0,65535 --out "$name" --tile-size 64,50 --format tif \
  --jobs 2 --save colour,height --batch "$batch" -- $ops 2>"$name.log" || { cat "$name.log" >&2; fail_case "$name: light-world.sh failed"; }
for s in colour height; do
  same_pixels "$name/$s.vrt" "tif-list-linear/whole-$s.png" "$name $s"
done
gdalinfo "$name/colour/64_50.tif" | grep -q "Origin = (500640.000000000000000,5199500.000000000000000)" \
  || fail_case "$name: tile 64_50 is not where it lies: $(gdalinfo "$name/colour/64_50.tif" | grep Origin)"
gdalinfo "$name/height.vrt" | grep -q "Origin = (500000.000000000000000,5200000.000000000000000)" \
  || fail_case "$name: the mosaic lost its place: $(gdalinfo "$name/height.vrt" | grep Origin)"

# A tile gone: its region alone runs again, every slot of it, and the
# mosaic is whole again.
name=r16-list-linear
IFS='|' read -r _ heights layout saves ops <<<"${cases[0]}"
rm "$name/tiles/colour/97_95.png"
touch -d '-1 second' marker
# shellcheck disable=SC2086
"$light_world" --world "$W,$H" --heights-file "$heights" --out "$name/tiles" $layout \
  --jobs 2 --save "$saves" --batch "$batch" -- $ops 2>"$name/again.log" || fail_case "re-run failed"
grep -q "13 regions of 257 x 190: 12 done, 1 to run" "$name/again.log" \
  || fail_case "re-run: expected 12 done, 1 to run; got: $(head -1 "$name/again.log")"
rerun=$(cd "$name/tiles" && find colour shadow texture height logs -name '*.png' -newer ../../marker -o -name '*.log' -newer ../../marker | sort | tr '\n' ' ')
[ "$rerun" = "colour/97_95.png height/97_95.png logs/97_95.log shadow/97_95.png texture/97_95.png " ] \
  || fail_case "re-run touched: $rerun"
same_pixels "$name/tiles/colour.vrt" "$name/whole-colour.png" "re-run colour"

# A failing job: named with its message, exit 1, no mosaic; once it can
# succeed, a re-run redoes just that region.
write_flaky_batch flaky-batch "$batch" 98,50,102,139
IFS='|' read -r name heights layout saves ops <<<"${cases[2]}"
flaky() {
  # shellcheck disable=SC2086
  "$light_world" --world "$W,$H" --heights-file "$heights" --out flaky $layout --save colour \
    --batch "$tmp/flaky-batch" -- $ops 2>"flaky-$1.log"
}
rc=0; flaky 1 || rc=$?
[ $rc -eq 1 ] || fail_case "a failed job: exit $rc, not 1"
grep -q "1 of 13 regions failed" flaky-1.log && grep -q "region 98,50,102,139: exit 1: flaky-batch: no luck today" flaky-1.log \
  || fail_case "a failed job is not named: $(cat flaky-1.log)"
[ ! -e flaky/colour.vrt ] || fail_case "a mosaic was written with a tile missing"
touch healed
rc=0; flaky 2 || rc=$?
[ $rc -eq 0 ] && grep -q "12 done, 1 to run" flaky-2.log || fail_case "the healed re-run: exit $rc, $(cat flaky-2.log)"
same_pixels flaky/colour.vrt "$name/whole-colour.png" "healed colour"
# Another command into the same folder would mix tiles of two runs.
rc=0
"$light_world" --world "$W,$H" --heights-file "$heights" --out flaky $layout --save colour \
  --batch "$tmp/flaky-batch" -- --sun 1,1 linear 2>other.log || rc=$?
[ $rc -eq 2 ] && grep -q "tiles of another command" other.log || fail_case "another command in the same folder: exit $rc"

# Region lists at fault: each fault names its line(s), exit 2, nothing runs.
# name | lines after the good list's first 12 (the last, 256,10,1,180, dropped) | expected message
bad_lists=(
  "overlap|256,10,1,180;200,100,57,2|line 15: region 200,100,57,2 overlaps line 12: region 200,0,56,190"
  "outside|256,10,2,180|line 14: region 256,10,2,180 reaches outside the 257 x 190 world"
  "empty|256,10,1,180;5,5,0,3|line 15: region 5,5,0,3 is empty"
  "malformed|256,10,1,180;1,2,3|line 15: '1,2,3' is not X,Y,w,h"
  "gap|256,10,1,179|no region covers pixel 256,189"
  "duplicate|256,10,1,180;97,95,1,1|line 15: region 97,95,1,1 overlaps line 7: region 97,95,1,1"
)
for b in "${bad_lists[@]}"; do
  IFS='|' read -r name extra want <<<"$b"
  { head -n 13 regions.txt; tr ';' '\n' <<<"$extra"; } >"bad-$name.txt"
  rc=0
  "$light_world" --world "$W,$H" --heights-file world.r16 --out "bad-$name" --regions "bad-$name.txt" \
    --batch "$batch" -- linear 2>"bad-$name.log" || rc=$?
  [ $rc -eq 2 ] || fail_case "region list $name: exit $rc, not 2"
  grep -qF "$want" "bad-$name.log" || fail_case "region list $name: expected '$want', got: $(cat "bad-$name.log")"
  [ ! -e "bad-$name/jobs.txt" ] || fail_case "region list $name: jobs were written"
done

finish
