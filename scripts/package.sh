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
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGLOAMERY_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$dir" --target gloamery gloamery-batch install_documents -j"$(nproc)"
mkdir -p "$out"
cpack --config "$dir/CPackConfig.cmake" -G DEB -B "$PWD/$dir/cpack"
cp "$dir"/cpack/gloamery_*.deb "$out"/
deb=$out/$(basename "$dir"/cpack/gloamery_*.deb)
lintian --fail-on error "$deb"
echo "wrote $deb"
