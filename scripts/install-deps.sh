#!/usr/bin/env bash
# Installs every Debian package both build trees, the tests, the benchmarks and the
# asset tools need. Does nothing when all of them are already present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev googletest libbenchmark-dev
  libpng-dev zlib1g-dev libfreetype-dev libfontconfig-dev fonts-liberation
  libsndfile1-dev libpixman-1-dev libcairo2-dev
  nlohmann-json3-dev libcli11-dev zip unzip
  libx11-dev libxtst-dev
  g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 xvfb xauth dpkg-dev
  dpf-plugins-vst zam-plugins lsp-plugins-vst
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=300 update
$sudo apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends "${missing[@]}"
