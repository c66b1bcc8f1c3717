#!/usr/bin/env bash
# Checks the release packages as a user gets them: scripts/package.sh writes both archives,
# a second run (and one with the Linux release tree removed) gives the same bytes, each
# archive holds exactly the plug-in and the README, and the unpacked plug-ins load and render
# the demo signal: the .so natively, the .dll under Wine, both identical to the Linux build
# tree's plug-in. Needs both build trees (build/linux, build/win64) with vst2-render built and
# the win64 tree's Wine prefix ready. Exits non-zero on the first failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
linux_tool=build/linux/vst2-render
win64_tool=build/win64/vst2-render.exe

fail() {
  echo "check-packages: $*" >&2
  exit 1
}

scripts/package.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' build/release/linux/CMakeCache.txt)
zip_file="dist/Vossamere2-$version-win64.zip"
tar_file="dist/Vossamere2-$version-linux-x86_64.tar.gz"
[ -f "$zip_file" ] && [ -f "$tar_file" ] || fail "missing $zip_file or $tar_file"
first=$(sha256sum "$zip_file" "$tar_file")

echo "== package.sh again, and with the Linux release tree missing: same archives"
scripts/package.sh >/dev/null
[ "$(sha256sum "$zip_file" "$tar_file")" = "$first" ] || fail "a second run changed the archives"
rm -rf build/release/linux
scripts/package.sh >/dev/null
[ -f build/release/linux/Vossamere2.so ] || fail "the missing tree was not built"
[ "$(sha256sum "$zip_file" "$tar_file")" = "$first" ] || fail "a rebuilt tree changed the archives"

echo "== contents"
expected=$'Vossamere2/\nVossamere2/README.txt\nVossamere2/Vossamere2.dll'
[ "$(unzip -Z1 "$zip_file")" = "$expected" ] || fail "unexpected contents of $zip_file"
[ "$(tar -tzf "$tar_file")" = "${expected/.dll/.so}" ] || fail "unexpected contents of $tar_file"

unpacked=build/package-check
rm -rf "$unpacked"
mkdir -p "$unpacked/win64" "$unpacked/linux"
unzip -q "$zip_file" -d "$unpacked/win64"
tar -xzf "$tar_file" -C "$unpacked/linux"
cmp -s "$unpacked/win64/Vossamere2/README.txt" "$unpacked/linux/Vossamere2/README.txt" || fail "the READMEs differ"
grep -q "^Vossamere2 $version - " "$unpacked/linux/Vossamere2/README.txt" || fail "the README does not name version $version"
for word in Power Amount Type .vst VSTPlugins; do
  grep -q -- "$word" "$unpacked/linux/Vossamere2/README.txt" || fail "the README does not mention $word"
done

echo "== the unpacked plug-ins load and render"
settings=(--set Amount=100 --set Type=Consumer --out-format double)
"$linux_tool" --demo "$unpacked/demo.wav" >/dev/null
"$linux_tool" --plugin "$unpacked/linux/Vossamere2/Vossamere2.so" --list | grep -q "^version     10000 " ||
  fail "the unpacked .so does not report version 10000"
"$linux_tool" --plugin "$unpacked/linux/Vossamere2/Vossamere2.so" --in "$unpacked/demo.wav" \
  --out "$unpacked/linux.wav" "${settings[@]}" >/dev/null
"$linux_tool" --in "$unpacked/demo.wav" --out "$unpacked/tree.wav" "${settings[@]}" >/dev/null
winpath() { printf 'Z:%s' "$(printf '%s' "$root/$1" | tr / '\\')"; }
scripts/wine.sh run build/win64 wine "$win64_tool" --plugin "$(winpath "$unpacked/win64/Vossamere2/Vossamere2.dll")" \
  --in "$(winpath "$unpacked/demo.wav")" --out "$(winpath "$unpacked/win64.wav")" "${settings[@]}" >/dev/null
for other in tree win64; do
  "$linux_tool" --compare "$unpacked/linux.wav" "$unpacked/$other.wav" | grep -q "^largest sample difference: 0 " ||
    fail "the unpacked .so and the $other render differ"
done
echo "== packages: both archives reproduce, unpack, load and render"
