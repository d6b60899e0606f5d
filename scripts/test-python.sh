#!/usr/bin/env bash
# The Python package, as a user gets it: built by pip from a clean copy of
# the checkout in a fresh virtual environment (Debian's numpy through
# --system-site-packages; no package index is asked), then its pytest suite
# against the batch tool, the README's example on a generated GeoTIFF, and
# the module that `cmake --install` puts in place.
#   scripts/test-python.sh [BUILD_DIR]   (a tree configured with -DGLOAMERY_PYTHON=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=$repo/${1:-build}
python=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- pip install from a clean copy"
mkdir "$work/src"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$work/src"
else
  tar --exclude='./build*' --exclude='./dist' -cf - . | tar -xf - -C "$work/src"
fi
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install -q --no-build-isolation --no-index "$work/src"
# Gone, as after any install: the plugins must be found in the package.
rm -rf "$work/src/build-python"
cd "$work"
"$work/venv/bin/python" -c "import gloamery, sys; sys.exit(not gloamery.__file__.startswith('$work/venv/'))"
# The toolkit comes in with its plugin, when a file needs it, never with the module.
if ldd "$work"/venv/lib/python3*/site-packages/gloamery/_gloamery*.so | grep -q libQt; then
  echo "the module links the toolkit" >&2; exit 1
fi

echo "-- pytest"
# Exit status 5 (no tests collected) fails here like any other.
GLOAMERY_BATCH=$build/batch/gloamery-batch \
  "$work/venv/bin/python" -m pytest -q -rs -p no:cacheprovider "$work/src/python/tests"

echo "-- the README's example"
example=python/examples/light_dem.py
"$python" - "$repo/README.md" "$repo/$example" <<'PY'
import sys
readme, example = (open(p).read() for p in sys.argv[1:])
indented = "".join("    " + line if line.strip() else "\n" for line in example.splitlines(True))
sys.exit(0 if indented in readme else f"README.md does not show {sys.argv[2]} as it stands")
PY
"$work/venv/bin/python" "$repo/python/examples/make_hills.py" "$work/hills.tif"
MPLBACKEND=Agg "$work/venv/bin/python" "$repo/$example" "$work/hills.tif" "$work/hills-lit.png"
test -s "$work/hills-lit.png"
"$work/venv/bin/python" "$repo/$example" "$work/hills.tif" "$work/hills-lit.tif"
"$python" -c "
from osgeo import gdal
lit, dem = gdal.Open('$work/hills-lit.tif'), gdal.Open('$work/hills.tif')
assert lit.GetGeoTransform() == dem.GetGeoTransform() and lit.GetProjection() == dem.GetProjection()
"

echo "-- cmake --install"
cmake --install "$build" --prefix "$work/prefix" --component python >/dev/null
site=$(find "$work/prefix" -name _gloamery*.so -printf '%h\n' | head -1)
PYTHONPATH=$(dirname "$site") "$python" -c "
import gloamery, numpy as np
assert gloamery.__file__.startswith('$work/prefix/'), gloamery.__file__
ws = gloamery.Workspace(64, 48)
ws.save('grass', '$work/g.bmp')  # read back through the plugin installed beside it
assert np.array_equal(gloamery.load('$work/g.bmp'), ws.grass)
ws.linear()
"
echo "Python package: OK"
