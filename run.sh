#!/usr/bin/env bash
# The main job. Without arguments: install what is needed, build the Linux and Windows
# plug-in and host, render the built-in demo signal through Vossamere2 ("Amount" 100,
# "Type" "Consumer") natively and under Wine, print both summaries and how far the two
# renders differ, plot its frequency response (out/response.png) and take pictures of its
# editor from both builds (out/editor-linux.png, out/editor-win64.png). With arguments: run
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
echo "== Editor: out/editor-linux.png"
# Without DISPLAY the tool opens the editor on a private Xvfb: the same picture on every machine.
env -u DISPLAY "$tool" --editor-png out/editor-linux.png --set Amount=100 --set Type=Consumer

echo
echo "== Windows: $win64/Vossamere2.dll under Wine"
scripts/wine.sh prefix "$win64"
trap 'scripts/wine.sh stop "$win64"' EXIT
# The editor needs a display: one Xvfb for the Windows part, and Wine's server is started
# inside it (it keeps the display it was started with).
export VOSS_DEMO_IN VOSS_DEMO_OUT VOSS_EDITOR_OUT
VOSS_DEMO_IN=$(winpath "$root/out/demo.wav")
VOSS_DEMO_OUT=$(winpath "$root/out/vossamere2-win64.wav")
VOSS_EDITOR_OUT=$(winpath "$root/out/editor-win64.png")
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -e
  tree=$1; shift
  scripts/wine.sh stop "$tree" && scripts/wine.sh warm "$tree"
  scripts/wine.sh run "$tree" wine "$tree/vst2-render.exe" --in "$VOSS_DEMO_IN" --out "$VOSS_DEMO_OUT" "$@"
  echo
  echo "== Editor: out/editor-win64.png"
  scripts/wine.sh run "$tree" wine "$tree/vst2-render.exe" --editor-png "$VOSS_EDITOR_OUT" \
    --set Amount=100 --set Type=Consumer
  scripts/wine.sh stop "$tree"' _ "$win64" "${settings[@]}"

echo
echo "== Linux against Windows"
"$tool" --compare out/vossamere2-linux.wav out/vossamere2-win64.wav

echo
echo "pictures of the editor: out/editor-linux.png, out/editor-win64.png"
