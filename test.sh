#!/usr/bin/env bash
# The test command: installs what it needs, builds both trees and runs every test,
# natively on Linux and under Wine for the Windows build. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/build-libpng-win64.sh

jobs=$(nproc)

echo "== linux: build"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs"
echo "== linux: test"
ctest --preset linux -j "$jobs"

echo "== win64: build"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"

echo "== win64: test (Wine)"
scripts/wine.sh prefix build/win64
trap 'scripts/wine.sh stop build/win64' EXIT
# GUI tests need an X display; one Xvfb serves the whole run. Wine's desktop keeps the
# display it was started with, so the server is (re)started and warmed inside that display.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
  'scripts/wine.sh stop build/win64 && scripts/wine.sh warm build/win64 &&
   scripts/wine.sh run build/win64 ctest --preset win64 -j "$1"' _ "$jobs"

echo "== fuzz: clang libFuzzer targets, 30 s each"
scripts/fuzz.sh 30

echo "== packages: build, unpack and load"
tests/package/check-packages.sh
