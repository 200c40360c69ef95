#!/usr/bin/env bash
# Builds the product for 32- and 64-bit Windows and packs dist/TarvoClock-<version>.zip and its
# .sha256: both programs, the Japanese read-me, the licences and the sample skin package. Two runs
# from one commit give the same bytes, whatever folders they build in.
# Usage: scripts/release.sh [suffix] builds in build/<preset><suffix>; a new folder takes its
# Debian source cache from MASCOT_DEBSRC_CACHE when that is set (see cmake/DebianSource.cmake).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
suffix=${1:-}
bash scripts/deps.sh >/dev/null
for preset in mingw-i686 mingw-x86_64; do
  dir="build/$preset$suffix"
  [ -f "$dir/build.ninja" ] || cmake --preset "$preset" -B "$dir" >/dev/null
  echo "== build $dir"
  cmake --build "$dir" --target TarvoClock | tail -1
done
version=$(sed -n 's/^#define TARVO_VERSION_TEXT "\(.*\)"$/\1/p' "build/mingw-i686$suffix/generated/version.h")
[ -n "$version" ] || { echo "no version in build/mingw-i686$suffix/generated/version.h"; exit 1; }
# Entries carry the commit's time, so the zip does not change with the hour it was made.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)
mkdir -p dist
zip="dist/TarvoClock-$version.zip"
python3 scripts/pack-release.py "$zip" "$version" "$stamp" \
  "build/mingw-i686$suffix/TarvoClock.exe" "build/mingw-x86_64$suffix/TarvoClock.exe"
(cd dist && sha256sum "$(basename "$zip")" > "$(basename "$zip").sha256")
echo "$zip"
cat "$zip.sha256"
