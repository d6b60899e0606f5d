#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Only asks apt when something is missing, so a second run costs nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache libpng-dev
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins qt6-image-formats-plugins
  libgdal-dev zlib1g-dev nlohmann-json3-dev libhowardhinnant-date-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth libx11-6 libxtst6 libxcb1-dev
  clang libclang-rt-14-dev libomp-14-dev
  python3
  python3-dev python3-venv python3-pip python3-numpy python3-pytest python3-setuptools
  pybind11-dev python3-pybind11 python3-gdal python3-matplotlib
  parallel slurm-wlm munge gdal-bin time
  dpkg-dev file lintian desktop-file-utils man-db help2man
  qgis python3-qgis qgis-providers
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node and npm run the glTF validator and the ephemeris; a node of the machine's own (which
# brings its npm) is kept.
command -v node >/dev/null && command -v npm >/dev/null || missing+=(nodejs npm)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Khronos glTF validator, for the terrain export's test (the version
# pinned in tests/mesh/package-lock.json).
mesh=$(cd "$(dirname "$0")/../tests/mesh" && pwd)
if [ ! -e "$mesh/node_modules/gltf-validator/package.json" ]; then
  echo "Installing the glTF validator (npm)"
  npm ci --prefix "$mesh" --no-audit --no-fund --loglevel=error
fi

# astronomy-engine, the ephemeris the sun's position is checked against (the
# version pinned in tests/solar/package-lock.json).
solar=$(cd "$(dirname "$0")/../tests/solar" && pwd)
if [ ! -e "$solar/node_modules/astronomy-engine/package.json" ]; then
  echo "Installing astronomy-engine (npm)"
  npm ci --prefix "$solar" --no-audit --no-fund --loglevel=error
fi
