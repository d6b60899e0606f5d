#!/usr/bin/env bash
# Terrains exported by the batch tool pass the Khronos glTF validator with
# no error and no warning: the default maps, a deep raster with no-data
# cells, and a map sampled down to 1025 points a side.
# Usage: glb_validator_test.sh BATCH_TOOL
set -euo pipefail
# Under the sanitizer build the preload belongs to the batch tool alone:
# the shell's own helpers (mktemp) and node would report their own leaks.
preload=${LD_PRELOAD-}
unset LD_PRELOAD
here=$(cd "$(dirname "$0")" && pwd)
batch() { LD_PRELOAD=$preload "$@"; }
tool=$1
command -v node >/dev/null || { echo "node is missing: run scripts/setup.sh" >&2; exit 1; }
[ -e "$here/node_modules/gltf-validator/package.json" ] \
  || { echo "the glTF validator is missing from $here/node_modules: run scripts/setup.sh" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
printf 'ncols 5\nnrows 4\nxllcorner 0\nyllcorner 0\ncellsize 30\nNODATA_value -1\n-1 10 20 30 40\n5 -1 25.5 35 45\n6 16 26 36 46\n7 17 27 37 900\n' >dem.asc
batch "$tool" make-texture --sun 40,30 linear --export-mesh default.glb
batch "$tool" --open dem.asc make-texture2 linear --export-mesh raster.glb
batch "$tool" --size 1100,1030 make-texture --sun 500,-200 linear --export-mesh sampled.glb
node "$here/validate.js" default.glb raster.glb sampled.glb
