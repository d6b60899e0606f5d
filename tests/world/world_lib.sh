# Shared by the world tests: a small terrain, the whole world lit in one
# ordinary run, and mosaics compared with it pixel for pixel. Sourced.

# The sanitizer build preloads its runtime into every process; the shells,
# perl and python here are not built for it, and the batch tool links it itself.
unset LD_PRELOAD

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
light_world=$here/../../scripts/light-world.sh
W=257 H=190
failures=0

fail_case() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# make_world FILE BITS: smooth hills with a rough surface (fixed seed), so
# shadows run long across region borders and the blur meets real edges.
make_world() {
  python3 - "$1" "$2" "$W" "$H" <<'PY'
import array, math, random, sys
path, bits, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
rnd = random.Random(20240607)
waves = [(rnd.uniform(0.01, 0.08), rnd.uniform(0.01, 0.08), rnd.uniform(0, 6.3), rnd.uniform(0.3, 1))
         for _ in range(6)]
top = (1 << bits) - 1
out = array.array("B" if bits == 8 else "H")
for y in range(h):
    for x in range(w):
        v = sum(a * math.sin(fx * x + fy * y + p) for fx, fy, p, a in waves)
        v = 0.5 + v / 8 + rnd.uniform(-0.04, 0.04)
        out.append(min(top, max(0, int(v * top))))
if sys.byteorder != "little":
    out.byteswap()
with open(path, "wb") as f:
    out.tofile(f)
PY
}

# The irregular regions: one-pixel strips down the left and right edges and
# between tiles, a 1 x 1 region, a one-pixel row along the bottom, and
# columns cut at different rows.
write_region_list() {
  cat >"$1" <<'EOF'
# X,Y,w,h
0,0,1,190
1,0,96,1
1,1,96,99
1,100,96,90
97,0,1,95
97,95,1,1
97,96,1,94
98,0,102,50
98,50,102,139
98,189,102,1
200,0,56,190
256,0,1,10
256,10,1,180
EOF
}

# make_geotiff RAW16 TIF: the 16-bit world as a tiled GeoTIFF placed on a map.
make_geotiff() {
  cat >"$2.src.vrt" <<EOF
<VRTDataset rasterXSize="$W" rasterYSize="$H">
  <VRTRasterBand dataType="UInt16" band="1" subClass="VRTRawRasterBand">
    <SourceFilename relativeToVRT="0">$(cd "$(dirname "$1")" && pwd)/$(basename "$1")</SourceFilename>
    <ImageOffset>0</ImageOffset><PixelOffset>2</PixelOffset><LineOffset>$((2 * W))</LineOffset>
    <ByteOrder>LSB</ByteOrder>
  </VRTRasterBand>
</VRTDataset>
EOF
  gdal_translate -q -of GTiff -co TILED=YES -co BLOCKXSIZE=64 -co BLOCKYSIZE=64 -a_srs EPSG:32632 \
    -a_ullr 500000 5200000 $((500000 + 10 * W)) $((5200000 - 10 * H)) "$2.src.vrt" "$2"
}

# whole_run BATCH HEIGHTS DIR SLOTS OPS...: the whole world in one ordinary
# run; HEIGHTS is FILE, or FILE@LO,HI for a raster.
whole_run() {
  local batch=$1 heights=$2 dir=$3 slots=$4 s saves=() range=()
  shift 4
  for s in ${slots//,/ }; do saves+=(--save "$s" "$dir/whole-$s.png"); done
  [[ $heights != *@* ]] || range=(--heights "${heights#*@}")
  "$batch" --size "$W,$H" "${range[@]}" --load height "${heights%@*}" "$@" "${saves[@]}" >"$dir/whole.log" 2>&1 || {
    cat "$dir/whole.log" >&2
    return 1
  }
}

# same_pixels MOSAIC.vrt WHOLE.png LABEL: both through GDAL to raw samples
# band after band (GDAL keeps a PNG's pixel interleaving unless told),
# compared byte for byte; a difference is told by its first pixel.
same_pixels() {
  local a=$1 b=$2 label=$3 t
  t=$(mktemp -d)
  if ! gdal_translate -q -of ENVI -co INTERLEAVE=BSQ "$a" "$t/a.raw" \
     || ! gdal_translate -q -of ENVI -co INTERLEAVE=BSQ "$b" "$t/b.raw"; then
    fail_case "$label: GDAL cannot read $a or $b"
  elif ! cmp -s "$t/a.raw" "$t/b.raw"; then
    fail_case "$label: $(python3 - "$t" <<'PY'
import sys
t = sys.argv[1]
def header(name):
    d = {}
    for line in open(f"{t}/{name}.hdr"):
        if "=" in line:
            k, v = line.split("=", 1)
            d[k.strip()] = v.strip()
    return d
ha, hb = header("a"), header("b")
shape = lambda h: (int(h["samples"]), int(h["lines"]), int(h["bands"]), int(h["data type"]))
if shape(ha) != shape(hb):
    print(f"mosaic is (w, h, bands, type) {shape(ha)}, the whole run {shape(hb)}")
    sys.exit()
w, h, bands, dt = shape(ha)
size = 2 if dt in (2, 12) else 1
a, b = open(f"{t}/a.raw", "rb").read(), open(f"{t}/b.raw", "rb").read()
diff = [i for i in range(0, len(a), size) if a[i:i + size] != b[i:i + size]]
i = diff[0] // size
band, rest = divmod(i, w * h)
y, x = divmod(rest, w)
v = lambda d: int.from_bytes(d[diff[0]:diff[0] + size], "little")
print(f"{len(diff)} samples differ; the first at pixel {x},{y} band {band + 1}: mosaic {v(a)}, whole run {v(b)}")
PY
)"
  fi
  rm -rf "$t"
}

# A batch tool at FILE that fails for one region until $tmp/healed
# exists, and runs BATCH for everything else.
write_flaky_batch() { # FILE BATCH REGION
  cat >"$1" <<EOF
#!/bin/sh
case " \$* " in *" --region $3 "*)
  [ -e "$tmp/healed" ] || { echo "flaky-batch: no luck today" >&2; exit 1; } ;;
esac
exec "$2" "\$@"
EOF
  chmod +x "$1"
}

finish() {
  if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
