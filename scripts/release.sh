#!/usr/bin/env bash
# Builds the product for 32- and 64-bit Windows and packs dist/TarvoClock-<version>.zip and its
# .sha256: both programs, the Japanese read-me, the licences and the sample skin package. Two runs
# from one commit give the same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh >/dev/null
for preset in mingw-i686 mingw-x86_64; do
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  echo "== build $preset"
  cmake --build --preset "$preset" --target TarvoClock | tail -1
done
version=$(sed -n 's/^#define TARVO_VERSION_TEXT "\(.*\)"$/\1/p' build/mingw-i686/generated/version.h)
[ -n "$version" ] || { echo "no version in build/mingw-i686/generated/version.h"; exit 1; }
# Entries carry the commit's time, so the zip does not change with the hour it was made.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)
mkdir -p dist
zip="dist/TarvoClock-$version.zip"
python3 scripts/pack-release.py "$zip" "$version" "$stamp" \
  build/mingw-i686/TarvoClock.exe build/mingw-x86_64/TarvoClock.exe
(cd dist && sha256sum "$(basename "$zip")" > "$(basename "$zip").sha256")
echo "$zip"
cat "$zip.sha256"
