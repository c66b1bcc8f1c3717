#!/usr/bin/env bash
# The main job. Without arguments: install what is needed, build the Linux and Windows
# plug-in and host, render the built-in demo signal through Vossamere2 ("Amount" 100,
# "Type" "Consumer") natively and under Wine, print both summaries and how far the two
# renders differ, and plot its frequency response (out/response.png). With arguments: run
# the Linux vst2-render with them.
# VOSS_LINUX_BUILD / VOSS_WIN64_BUILD choose other build trees (default build/linux, build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
linux=${VOSS_LINUX_BUILD:-build/linux}
win64=${VOSS_WIN64_BUILD:-build/win64}
tool="$root/$linux/vst2-render"

build_linux() {
  (cd "$root" && cmake --preset linux -B "$linux" >/dev/null &&
    cmake --build "$linux" --target vst2-render Vossamere2)
}

if [ $# -gt 0 ]; then
  if [ ! -x "$tool" ] || [ ! -f "$root/$linux/Vossamere2.so" ]; then
    "$root/scripts/install-deps.sh" >&2
    build_linux >&2
  fi
  exec "$tool" "$@"
fi

cd "$root"
scripts/install-deps.sh
scripts/build-libpng-win64.sh

echo "== build: linux ($linux)"
build_linux
echo "== build: win64 ($win64)"
cmake --preset win64 -B "$win64" >/dev/null
cmake --build "$win64" --target vst2-render Vossamere2

mkdir -p out
settings=(--set Amount=100 --set Type=Consumer --out-format double)
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

echo
echo "== demo signal"
"$tool" --demo out/demo.wav

echo
echo "== Linux: $linux/Vossamere2.so"
"$tool" --in out/demo.wav --out out/vossamere2-linux.wav "${settings[@]}"

echo
echo "== Frequency response: out/response.png"
"$tool" --response out/response.png --response-csv out/response.csv --set Amount=100 --set Type=Consumer

echo
echo "== Windows: $win64/Vossamere2.dll under Wine"
scripts/wine.sh prefix "$win64"
scripts/wine.sh warm "$win64"
trap 'scripts/wine.sh stop "$win64"' EXIT
scripts/wine.sh run "$win64" wine "$win64/vst2-render.exe" \
  --in "$(winpath "$root/out/demo.wav")" --out "$(winpath "$root/out/vossamere2-win64.wav")" \
  "${settings[@]}"

echo
echo "== Linux against Windows"
"$tool" --compare out/vossamere2-linux.wav out/vossamere2-win64.wav
