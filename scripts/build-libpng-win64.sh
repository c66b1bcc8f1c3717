#!/usr/bin/env bash
# Builds a static libpng for the win64 tree from Debian's own libpng1.6 source package
# and caches it (and the source, whose contrib/pngsuite the PNG tests use) under
# build/deps-win64. Does nothing when the cached build is present.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps-win64"
prefix="$deps/prefix"
srcdir="$deps/libpng-src"

if [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ] && [ -d "$srcdir/contrib/pngsuite" ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# Source packages come from the same archive as the binary ones: enable deb-src there.
if ! grep -rqs -E '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    $sudo sed -i -E 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  else
    $sudo sed -n -E 's/^deb (.*)$/deb-src \1/p' /etc/apt/sources.list | $sudo tee /etc/apt/sources.list.d/voss-deb-src.list >/dev/null
  fi
  $sudo apt-get -o DPkg::Lock::Timeout=300 update
fi

mkdir -p "$deps/fetch"
rm -rf "$srcdir"
(
  cd "$deps/fetch"
  rm -rf libpng1.6-*
  # The plain package name would pick the security suite's version, whose files are not served.
  apt-get source --download-only libpng1.6/bookworm >/dev/null 2>&1 || apt-get source --download-only libpng1.6/bookworm
  dpkg-source --no-check -x libpng1.6_*.dsc "$srcdir" >/dev/null
)

build="$deps/libpng-build"
rm -rf "$build"
cmake -S "$srcdir" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DPNG_HARDWARE_OPTIMIZATIONS=ON -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON \
  -DCMAKE_C_FLAGS="-ffp-contract=off" >/dev/null
cmake --build "$build" >/dev/null
cmake --install "$build" >/dev/null
test -f "$prefix/lib/libpng16.a"
