#!/usr/bin/env bash
# Builds the Debian package from a fresh Release tree and checks it with
# lintian. The package lands in the folder given (default: dist/).
#   scripts/package.sh [OUTPUT-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
out=${1:-dist}
dir=${GLOAMERY_PACKAGE_DIR:-build-package}

rm -rf "$dir"
# Only what the package holds is built: packing does not build the rest.
# The Python module goes where Debian's python3 looks, the QGIS provider
# where QGIS finds the system's plugins.
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DGLOAMERY_PYTHON=ON -DPython_EXECUTABLE=/usr/bin/python3 -DGLOAMERY_PYTHON_INSTALL_DIR=lib/python3/dist-packages >/dev/null
cmake --build "$dir" --target gloamery gloamery-batch gloamery_python install_documents -j"$(nproc)"
mkdir -p "$out"
cpack --config "$dir/CPackConfig.cmake" -G DEB -B "$PWD/$dir/cpack"
cp "$dir"/cpack/gloamery_*.deb "$out"/
deb=$out/$(basename "$dir"/cpack/gloamery_*.deb)
lintian --fail-on error "$deb"
echo "wrote $deb"
