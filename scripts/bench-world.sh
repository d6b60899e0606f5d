#!/usr/bin/env bash
# What lighting a world region by region costs beside one whole run:
# a 16384 x 16384 16-bit world (fractal hills, fixed seed) lit
#   (a) in one ordinary run of the batch tool (every core), and
#   (b) as 16 regions of 4096 x 4096 through light-world.sh with GNU
#       parallel, two jobs at once (one thread each),
# each timed with GNU time: wall time, CPU time (user + sys, summed over
# the jobs) and peak resident memory (the whole run's, and each job's
# median and largest). Medians of RUNS repetitions; the first also checks
# that the mosaic is the whole run's bytes.
#   scripts/bench-world.sh [RUNS]      (default 3)
# GLOAMERY_BATCH=PATH uses a batch tool already built (else a Release tree
# in build-bench is built); GLOAMERY_WORLD_DIR=DIR keeps the world there
# for the next time (else a scratch folder is used and removed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
runs=${1:-3}
n=16384 tile=4096
ops=(--time --sun 12000,-5000 --decay 2 make-texture linear)
since() { awk -v s="$1" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }'; }

batch=${GLOAMERY_BATCH:-}
if [ -z "$batch" ]; then
  dir=${GLOAMERY_BENCH_DIR:-build-bench}
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$dir" --target gloamery-batch -j"$(nproc)" >/dev/null
  batch=$PWD/$dir/batch/gloamery-batch
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
world_dir=${GLOAMERY_WORLD_DIR:-$scratch}
mkdir -p "$world_dir"
world=$world_dir/world$n.r16

# Fractal hills: eight octaves of cubic-smoothed value noise summed by GDAL
# at 4096 on a side, then enlarged four times. Made at full size the octaves
# take GDAL minutes; enlarged, seconds.
if [ ! -s "$world" ]; then
  start=$(date +%s.%N)
  python3 - "$scratch" <<'PY'
import random, sys
out = sys.argv[1]
rnd = random.Random(16384)
sources = []
size, weight = 9, 128.0
while size <= 1025:
    with open(f"{out}/octave{size}.pgm", "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (size, size) + rnd.randbytes(size * size))
    sources.append(f"""    <ComplexSource resampling="cubic">
      <SourceFilename relativeToVRT="1">octave{size}.pgm</SourceFilename>
      <SourceBand>1</SourceBand>
      <SrcRect xOff="0" yOff="0" xSize="{size - 1}" ySize="{size - 1}"/>
      <DstRect xOff="0" yOff="0" xSize="4096" ySize="4096"/>
      <ScaleRatio>{weight}</ScaleRatio>
    </ComplexSource>""")
    size, weight = size * 2 - 1, weight / 2
with open(f"{out}/hills.vrt", "w") as f:
    f.write(f"""<VRTDataset rasterXSize="4096" rasterYSize="4096">
  <VRTRasterBand dataType="UInt16" band="1" subClass="VRTDerivedRasterBand">
    <PixelFunctionType>sum</PixelFunctionType>
    <SourceTransferType>Float32</SourceTransferType>
{chr(10).join(sources)}
  </VRTRasterBand>
</VRTDataset>
""")
PY
  gdal_translate -q -of ENVI "$scratch/hills.vrt" "$scratch/hills.raw"
  gdal_translate -q -of ENVI -outsize $n $n -r cubic "$scratch/hills.raw" "$scratch/world.raw"
  mv "$scratch/world.raw" "$world"
  rm -f "$scratch"/octave* "$scratch"/hills.* "$scratch"/world.hdr "$scratch"/world.raw.aux.xml
  echo "world: $n x $n, 16-bit, made in $(since "$start") s"
fi

timing() { awk 'END { print $1, $2 + $3, $4 }' "$1"; }  # wall s, CPU s, peak KiB
results=$scratch/results.txt
for r in $(seq "$runs"); do
  rm -rf "$scratch/tiles" "$scratch/whole.png"
  /usr/bin/time -f '%e %U %S %M' -o "$scratch/whole.time" \
    "$batch" --size $n,$n --load height "$world" "${ops[@]}" --save colour "$scratch/whole.png" >/dev/null 2>"$scratch/whole.log"
  start=$(date +%s.%N)
  scripts/light-world.sh --world $n,$n --heights-file "$world" --out "$scratch/tiles" --tile-size $tile \
    --jobs 2 --batch "$batch" -- "${ops[@]}" 2>"$scratch/light.log" || { cat "$scratch/light.log" >&2; exit 1; }
  wall=$(since "$start")
  jobs=$(for f in "$scratch"/tiles/logs/*.time; do timing "$f"; done | tr '\n' ';')
  # The heights the regions read (ms, samples) beside the pixels they hold.
  reads=$(awk '$1 == "heights" { ms += $2; samples += $4; held += $(NF - 3) * $(NF - 1) } END { print ms, samples, held }' \
    "$scratch"/tiles/logs/*.log)
  echo "$(timing "$scratch/whole.time")|$wall|$jobs|$reads" >>"$results"
  if [ "$r" = 1 ]; then
    gdal_translate -q -of ENVI -co INTERLEAVE=BSQ "$scratch/tiles/colour.vrt" "$scratch/a.raw"
    gdal_translate -q -of ENVI -co INTERLEAVE=BSQ "$scratch/whole.png" "$scratch/b.raw"
    if cmp -s "$scratch/a.raw" "$scratch/b.raw"; then same="yes"; else same="NO, they differ"; fi
    rm -f "$scratch"/[ab].*
  fi
done

python3 - "$results" "$runs" "$same" "${ops[*]}" <<'PY'
import statistics as st, sys
path, runs, same, ops = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
med = st.median
rows = []
for line in open(path):
    whole, wall, jobs, reads = line.rstrip("\n").split("|")
    read_ms, read_samples, held = (float(v) for v in reads.split())
    w = [float(v) for v in whole.split()]
    j = [[float(v) for v in job.split()] for job in jobs.split(";") if job]
    rows.append(dict(
        whole_wall=w[0], whole_cpu=w[1], whole_mib=w[2] / 1024,
        wall=float(wall), cpu=sum(x[1] for x in j),
        job_wall_med=med(x[0] for x in j), job_wall_max=max(x[0] for x in j),
        job_mib_med=med(x[2] for x in j) / 1024, job_mib_max=max(x[2] for x in j) / 1024,
        jobs=len(j), read_s=read_ms / 1000, read_ratio=read_samples / held))
m = {k: med(r[k] for r in rows) for k in rows[0]}
print(f"operations: {ops}; medians of {runs} run(s)")
print(f"{'':26}{'wall s':>8}{'CPU s':>9}{'peak MiB':>10}")
print(f"{'whole run':26}{m['whole_wall']:8.1f}{m['whole_cpu']:9.1f}{m['whole_mib']:10.0f}")
print(f"{str(int(m['jobs'])) + ' regions, 2 jobs at once':26}{m['wall']:8.1f}{m['cpu']:9.1f}"
      f"{m['job_mib_max']:10.0f}  (largest job)")
print(f"{'  a job':26}{m['job_wall_med']:8.1f}{'':9}{m['job_mib_med']:10.0f}  (median; slowest "
      f"{m['job_wall_max']:.1f} s)")
print(f"CPU time, regions / whole: {m['cpu'] / m['whole_cpu']:.2f}; wall time: {m['wall'] / m['whole_wall']:.2f}")
print(f"heights the regions read: {m['read_ratio']:.3f} times the pixels they hold, in {m['read_s']:.1f} s "
      f"(summed over the jobs and operations)")
print(f"mosaic = whole run, byte for byte: {same}")
PY
