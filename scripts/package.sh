#!/usr/bin/env bash
# Builds the plug-in in both trees in release configuration and writes the packages users
# download:
#   dist/Vossamere2-<version>-win64.zip            Vossamere2/Vossamere2.dll, Vossamere2/README.txt
#   dist/Vossamere2-<version>-linux-x86_64.tar.gz  Vossamere2/Vossamere2.so,  Vossamere2/README.txt
# The version is the project's (top-level CMakeLists.txt). The release trees live in
# build/release/{linux,win64} and are configured and built when missing. Every file in the
# archives carries the time of the last commit (or SOURCE_DATE_EPOCH), so running this
# again on the same sources gives the same archives, byte for byte.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build-libpng-win64.sh

release() {  # preset, tree
  cmake --preset "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$2" --target Vossamere2
}
cache() {  # tree, variable
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

linux=build/release/linux
win64=build/release/win64
echo "== release build: linux ($linux)"
release linux "$linux"
echo "== release build: win64 ($win64)"
release win64 "$win64"
version=$(cache "$linux" CMAKE_PROJECT_VERSION)
[ -n "$version" ] || { echo "package.sh: no project version in $linux" >&2; exit 1; }

epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
stage=build/release/stage
rm -rf "$stage"
for platform in linux win64; do
  dir="$stage/$platform/Vossamere2"
  mkdir -p "$dir"
  sed "s/@VERSION@/$version/" resources/package-README.txt >"$dir/README.txt"
done
cp "$linux/Vossamere2.so" "$stage/linux/Vossamere2/"
cp "$win64/Vossamere2.dll" "$stage/win64/Vossamere2/"
chmod 755 "$stage"/*/Vossamere2 "$stage/linux/Vossamere2/Vossamere2.so"
chmod 644 "$stage"/*/Vossamere2/README.txt "$stage/win64/Vossamere2/Vossamere2.dll"
find "$stage" -exec touch -h -d "@$epoch" {} +

mkdir -p dist
zip_name="dist/Vossamere2-$version-win64.zip"
tar_name="dist/Vossamere2-$version-linux-x86_64.tar.gz"
rm -f "$zip_name" "$tar_name"
# Entries in a fixed order, no extra attributes, times in UTC (zip stores local time).
(cd "$stage/win64" && TZ=UTC zip -X -q "$root/$zip_name" Vossamere2/ Vossamere2/README.txt Vossamere2/Vossamere2.dll)
(cd "$stage/linux" && tar --sort=name --owner=0 --group=0 --numeric-owner --format=gnu -cf - Vossamere2 |
  gzip -n -9 >"$root/$tar_name")

for f in "$zip_name" "$tar_name"; do
  printf '%s  %s bytes\n' "$f" "$(stat -c %s "$f")"
done
