#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Only asks apt when something is missing, so a second run costs nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config libpng-dev
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins qt6-image-formats-plugins
  libgdal-dev zlib1g-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth libx11-6 libxtst6 libxcb1-dev
  clang libclang-rt-14-dev libomp-14-dev
  python3
  parallel slurm-wlm munge gdal-bin time
  dpkg-dev file lintian desktop-file-utils man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
