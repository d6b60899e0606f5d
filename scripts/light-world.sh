#!/usr/bin/env bash
# Lights a world too large for one run, one region at a time, on this
# machine (GNU parallel) or on a Slurm cluster, and joins the tiles into
# GDAL mosaics. See --help.
set -euo pipefail

usage() {
  cat <<'EOF'
Usage: light-world.sh --world W,H --heights-file FILE --out DIR
                      (--tile-size w[,h] | --regions LISTFILE)
                      [--engine parallel|slurm] [--jobs N] [--threads T]
                      [--save SLOT[,SLOT...]] [--format png|tif] [--heights LO,HI]
                      [--batch PATH]
                      -- BATCH CONTROLS AND OPERATIONS...

Lights a W x H world region by region with gloamery-batch --world/--region;
the tiles put side by side are the same bytes as the whole world lit in one
run with the same controls and operations.

  --world W,H          the world's size (1..65536 a side)
  --heights-file FILE  its heights: raw 8-bit .r8, raw 16-bit little-endian
                       .r16, .raw (depth by size) or a GDAL raster
  --heights LO,HI      elevation range of a GDAL raster (required for one)
  --out DIR            where the tiles, jobs, logs and mosaics go
  --tile-size w[,h]    regular tiles of w x h (h = w if left out; each side
                       1..16384, the largest region the batch tool takes),
                       row by row from the top-left; the last row and column
                       are shorter
  --regions LISTFILE   the regions, one "X,Y,w,h" a line (# comments and blank
                       lines skipped); each must lie inside the world, be
                       non-empty and at most 16384 a side, none may overlap,
                       together they must cover the world
  --engine parallel    run the jobs on this machine with GNU parallel (default)
  --engine slurm       submit them as Slurm job arrays (sbatch --wait); DIR,
                       FILE, the batch tool and this script must be on a file
                       system the nodes share. sbatch's own SBATCH_PARTITION,
                       SBATCH_ACCOUNT, SBATCH_TIMELIMIT... are honoured
  --jobs N             jobs at once (parallel: default one per core; slurm:
                       at most N tasks of an array at once, default no limit)
  --threads T          threads of each job (default: GLOAMERY_THREADS if set,
                       else for parallel the cores divided by the jobs, at
                       least 1, for slurm 1); slurm tasks ask for as many
                       CPUs. The bytes are the same on any number
  --save SLOTS         slots to save, comma-separated (default colour): height
                       shadow colour texture grass stone detail
  --format png|tif     the tiles' format (default png); tif tiles are Cloud
                       Optimized GeoTIFFs, each carrying its place in the world
                       when FILE is a georeferenced raster
  --batch PATH         the batch tool (default: gloamery-batch on the PATH,
                       else this tree's build/batch/gloamery-batch)

Everything after -- goes to every job unchanged, after --load height FILE
(e.g. --tile grass g.png --sun 900,-300 --decay 2 make-texture2 linear);
saves belong in --save, not there. Jobs run in the current directory.

DIR gets jobs.txt (one plain command per region, in the order of
regions.txt), pending.txt (the lines of jobs.txt this run runs),
SLOT/X_Y.png or .tif (each region's tile), logs/X_Y.log (a job's output),
logs/X_Y.time (GNU time: wall s, user s, sys s, peak KiB, exit status) and,
once every tile exists, SLOT.vrt: a GDAL VRT mosaic of the slot's tiles
(georeferenced like FILE when FILE is a raster of the world's size).

Running it again with the same arguments runs only the regions that lack a
tile: saves are atomic, so a killed job leaves no half-written tile. Another
command into the same DIR is refused.

Exit status: 0 done; 1 a job failed (the regions are named) or a file
problem; 2 a bad argument or region list.
EOF
}

say() { echo "light-world: $*" >&2; }
bad() { say "$*"; exit 2; }
fail() { say "$*"; exit 1; }

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self=$here/$(basename "${BASH_SOURCE[0]}")

# One job: line N of DIR/pending.txt names the line of jobs.txt to run.
# Both engines call this, so each job gets its log and GNU time's figures.
# (One awk finds the job, as starting processes is most of a small job's cost.)
if [ "${1-}" = --run-job ]; then
  out=$2 n=$3
  { IFS=, read -r x y _ && IFS= read -r cmd; } < <(awk -v n="$n" '
    FILENAME ~ /pending.txt$/ { if (FNR == n) i = $0; next }
    FNR == i { print }' "$out/pending.txt" "$out/regions.txt" "$out/jobs.txt") \
    || { echo "light-world: no job $n in $out/pending.txt" >&2; exit 2; }
  name=${x}_$y
  timer=()
  if [ -x /usr/bin/time ]; then
    rm -f "$out/logs/$name.time"
    timer=(/usr/bin/time -f '%e %U %S %M %x' -o "$out/logs/$name.time")
  fi
  exec "${timer[@]}" sh -c "$cmd" >"$out/logs/$name.log" 2>&1
fi

world="" heights_file="" out="" tile_size="" regions_file="" engine=parallel
jobs="" threads="" saves=colour heights="" batch="" format=png
need() { [ $# -ge 2 ] || bad "$1 needs a value"; }
while [ $# -gt 0 ]; do
  case $1 in
    --world) need "$@"; world=$2; shift 2 ;;
    --heights-file) need "$@"; heights_file=$2; shift 2 ;;
    --heights) need "$@"; heights=$2; shift 2 ;;
    --out) need "$@"; out=$2; shift 2 ;;
    --tile-size) need "$@"; tile_size=$2; shift 2 ;;
    --regions) need "$@"; regions_file=$2; shift 2 ;;
    --engine) need "$@"; engine=$2; shift 2 ;;
    --jobs) need "$@"; jobs=$2; shift 2 ;;
    --threads) need "$@"; threads=$2; shift 2 ;;
    --save) need "$@"; saves=$2; shift 2 ;;
    --batch) need "$@"; batch=$2; shift 2 ;;
    --format) need "$@"; format=$2; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    --) shift; break ;;
    *) bad "unknown option '$1' (batch controls and operations go after --; see --help)" ;;
  esac
done
ops=("$@")

posint() { [[ $1 =~ ^[0-9]+$ ]] && [ "$((10#$1))" -ge 1 ] && [ "$((10#$1))" -le "${2:-1000000}" ]; }
W=${world%%,*} H=${world#*,}
[[ $world =~ ^[0-9]+,[0-9]+$ ]] && posint "$W" 65536 && posint "$H" 65536 \
  || bad "--world W,H is required, 1..65536 a side (got '$world')"
W=$((10#$W)) H=$((10#$H))
[ -n "$heights_file" ] || bad "--heights-file FILE is required"
[ -n "$out" ] || bad "--out DIR is required"
if [ -n "$tile_size" ] && [ -n "$regions_file" ]; then bad "give --tile-size or --regions, not both"; fi
if [ -n "$tile_size" ]; then
  tw=${tile_size%%,*} th=${tile_size#*,}
  [[ $tile_size =~ ^[0-9]+(,[0-9]+)?$ ]] && posint "$tw" 16384 && posint "$th" 16384 \
    || bad "--tile-size w[,h] takes 1..16384, the largest region (got '$tile_size')"
  tile_size=$((10#$tw)),$((10#$th))
elif [ -z "$regions_file" ]; then
  bad "give --tile-size w[,h] or --regions LISTFILE"
fi
case $engine in parallel|slurm) ;; *) bad "--engine is parallel or slurm (got '$engine')" ;; esac
case $format in png|tif) ;; *) bad "--format is png or tif (got '$format')" ;; esac
[ -z "$jobs" ] || posint "$jobs" || bad "--jobs takes a positive number (got '$jobs')"
[ -z "$threads" ] || posint "$threads" 4096 || bad "--threads takes a positive number (got '$threads')"
[ -z "$heights" ] || [[ $heights =~ ^-?[0-9.eE+-]+,-?[0-9.eE+-]+$ ]] || bad "--heights LO,HI takes two numbers (got '$heights')"
IFS=, read -r -a slots <<<"$saves"
[ ${#slots[@]} -gt 0 ] || bad "--save needs at least one slot"
declare -A seen=()
for s in "${slots[@]}"; do
  case $s in height|shadow|colour|texture|grass|stone|detail) ;; *) bad "--save: no slot '$s' (height shadow colour texture grass stone detail)" ;; esac
  [ -z "${seen[$s]-}" ] || bad "--save names $s twice"
  seen[$s]=1
done
prev=""
for a in "${ops[@]}" "$heights_file" "$out" "$batch"; do
  # jobs.txt holds a job a line.
  [[ $a != *$'\n'* ]] || bad "an argument holds a line break: '$a'"
done
for a in "${ops[@]}"; do
  case $a in
    --save|--save=*) bad "saves go in --save SLOTS, not after -- (every job would write the same file)" ;;
    --size|--world|--region|--size=*|--world=*|--region=*) bad "${a%%=*} is set for each job; leave it out of the operations" ;;
    --heights|--heights=*) bad "give --heights LO,HI before --, so that it comes before the heights are loaded" ;;
    height) [ "$prev" != --load ] || bad "the heights come from --heights-file, not --load height" ;;
  esac
  prev=$a
done
case ${heights_file,,} in
  *.r8|*.r16|*.raw) ;;
  *) [ -n "$heights" ] || bad "the raster $heights_file needs --heights LO,HI (its elevations' range over the whole world)" ;;
esac

if [ -z "$batch" ]; then
  batch=$(command -v gloamery-batch || true)
  [ -n "$batch" ] || batch=$here/../build/batch/gloamery-batch
fi
[ -x "$batch" ] || fail "no batch tool at $batch (give --batch PATH)"
[ -r "$heights_file" ] || fail "cannot read the heights file $heights_file"
[ -z "$regions_file" ] || [ -r "$regions_file" ] || fail "cannot read the region list $regions_file"
command -v python3 >/dev/null || fail "python3 is needed"
abs() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
batch=$(abs "$batch") heights_file=$(abs "$heights_file")
# The regions, checked, before anything is written.
if [ -n "$tile_size" ]; then
  plan=$(python3 "$here/world_tiles.py" plan "$W" "$H" --tile-size "$tile_size")
else
  rc=0; plan=$(python3 "$here/world_tiles.py" plan "$W" "$H" --regions "$regions_file") || rc=$?
  [ $rc -eq 0 ] || exit $rc
fi
mkdir -p "$out/logs" || fail "cannot make $out"
out=$(cd "$out" && pwd)
for s in "${slots[@]}"; do mkdir -p "$out/$s"; done
printf '%s\n' "$plan" >"$out/regions.new"
mapfile -t regions <"$out/regions.new"
n=${#regions[@]}

# One plain command per region.
# Shell words, quoted only where they need it, so jobs.txt reads as typed.
q() {
  local a r=""
  for a in "$@"; do
    if [[ $a =~ ^[A-Za-z0-9_./,:=+@%-]+$ ]]; then r+=" $a"; else r+=" '${a//\'/\'\\\'\'}'"; fi
  done
  printf %s "${r# }"
}
head_args=$(q "$batch" --world "$W,$H")
load_args=()
[ -z "$heights" ] || load_args=(--heights "$heights")
tail_args=$(q "${load_args[@]}" --load height "$heights_file" "${ops[@]}")
{
  for r in "${regions[@]}"; do
    name=${r%,*,*}; name=${name/,/_}
    line="$head_args --region $r $tail_args"
    for s in "${slots[@]}"; do line+=" --save $s $(q "$out/$s/$name.$format")"; done
    printf '%s\n' "$line"
  done
} >"$out/jobs.new"

# Tiles already in DIR are reused only for the very same jobs.
if [ -e "$out/jobs.txt" ] && ! cmp -s "$out/jobs.txt" "$out/jobs.new"; then
  rm -f "$out/jobs.new" "$out/regions.new"
  bad "$out holds the tiles of another command (its jobs.txt differs); use another --out or empty it"
fi
mv "$out/jobs.new" "$out/jobs.txt"
mv "$out/regions.new" "$out/regions.txt"

# A region is done when all its tiles exist.
missing() {
  local i=0 r name s
  for r in "${regions[@]}"; do
    i=$((i + 1)); name=${r%,*,*}; name=${name/,/_}
    for s in "${slots[@]}"; do
      [ -e "$out/$s/$name.$format" ] || { echo "$i"; break; }
    done
  done
}
missing >"$out/pending.txt"
left=$(wc -l <"$out/pending.txt")
say "$n regions of $W x $H: $((n - left)) done, $left to run"

if [ "$left" -gt 0 ]; then
  [ -n "$threads" ] || ! posint "${GLOAMERY_THREADS-}" 4096 || threads=$GLOAMERY_THREADS
  if [ -z "$threads" ]; then
    if [ "$engine" = parallel ]; then
      cores=$(nproc); threads=$((cores / ${jobs:-$cores})); [ "$threads" -ge 1 ] || threads=1
    else
      threads=1
    fi
  fi
  export GLOAMERY_THREADS=$threads
  if [ "$engine" = parallel ]; then
    command -v parallel >/dev/null || fail "GNU parallel is needed for --engine parallel"
    seq 1 "$left" | parallel --will-cite -j "${jobs:-$(nproc)}" --joblog "$out/logs/parallel.joblog" \
      -q "$self" --run-job "$out" {} || true
  else
    command -v sbatch >/dev/null || fail "sbatch is needed for --engine slurm"
    # Arrays hold at most MaxArraySize - 1 as their last index: larger
    # worlds go in several arrays.
    max=$(scontrol show config 2>/dev/null | awk '$1 == "MaxArraySize" {print $3}')
    [[ ${max:-} =~ ^[0-9]+$ ]] && [ "$max" -gt 0 ] || max=1001
    pids=() logs=()
    cancel() {
      local ids
      ids=$(cat "${logs[@]}" 2>/dev/null | awk '/^Submitted batch job/ {print $4}')
      [ -z "$ids" ] || scancel $ids 2>/dev/null || true
      say "interrupted; the Slurm jobs were cancelled"
      exit 130
    }
    trap cancel INT TERM
    for ((off = 0; off < left; off += max)); do
      count=$((left - off < max ? left - off : max))
      log=$out/logs/sbatch-$off.txt; logs+=("$log")
      sbatch --wait --array="0-$((count - 1))${jobs:+%$jobs}" --job-name=light-world \
        --cpus-per-task="$threads" --output="$out/logs/slurm-%A_%a.out" \
        --export="ALL,LIGHT_WORLD_OFFSET=$off" \
        --wrap "exec $(q "$self") --run-job $(q "$out") \$((SLURM_ARRAY_TASK_ID + LIGHT_WORLD_OFFSET + 1))" \
        >"$log" 2>&1 &
      pids+=($!)
      # --jobs limits each array, so arrays go one after another under it.
      [ -z "$jobs" ] || wait "${pids[-1]}" || true
    done
    for p in "${pids[@]}"; do wait "$p" || true; done
    trap - INT TERM
    if ! grep -q '^Submitted batch job' "${logs[@]}"; then
      cat "${logs[@]}" >&2
      fail "sbatch did not take the jobs"
    fi
  fi

  missing >"$out/failed.txt"
  nf=$(wc -l <"$out/failed.txt")
  if [ "$nf" -gt 0 ]; then
    say "$nf of $left regions failed (their tiles are missing; run again to redo just those):"
    k=0
    while read -r i; do
      k=$((k + 1))
      if [ $k -gt 10 ]; then say "  ... and $((nf - 10)) more (DIR/failed.txt lists the lines of jobs.txt)"; break; fi
      r=${regions[$((i - 1))]}; name=${r%,*,*}; name=${name/,/_}
      status=$(awk '{print $NF}' "$out/logs/$name.time" 2>/dev/null | tail -1)
      last=$(grep -v '^Command exited' "$out/logs/$name.log" 2>/dev/null | tail -1)
      say "  region $r: exit ${status:-unknown}${last:+: $last} (log $out/logs/$name.log)"
    done <"$out/failed.txt"
    exit 1
  fi
  rm -f "$out/failed.txt"
  say "all $n regions done"
fi

# Raster heights of the world's size lend the mosaics their place on Earth.
georef=""
case ${heights_file,,} in
  *.r8|*.r16|*.raw) ;;
  *) if command -v gdalinfo >/dev/null; then
       georef=$(gdalinfo -json "$heights_file" 2>/dev/null | python3 -c '
import json, sys
d = json.load(sys.stdin)
if d.get("size") == [int(sys.argv[1]), int(sys.argv[2])] and "geoTransform" in d:
    print(json.dumps({"geoTransform": d["geoTransform"], "wkt": d.get("coordinateSystem", {}).get("wkt", "")}))
' "$W" "$H" 2>/dev/null || true)
     fi ;;
esac
for s in "${slots[@]}"; do
  python3 "$here/world_tiles.py" vrt "$W" "$H" "$out/regions.txt" "$out" "$s" --format "$format" ${georef:+--georef "$georef"} \
    || fail "cannot write the mosaic $out/$s.vrt"
  if command -v gdalinfo >/dev/null; then
    gdalinfo "$out/$s.vrt" >/dev/null 2>"$out/logs/gdalinfo-$s.txt" \
      || { cat "$out/logs/gdalinfo-$s.txt" >&2; fail "GDAL cannot open the mosaic $out/$s.vrt"; }
  fi
  say "mosaic $out/$s.vrt"
done
