#!/usr/bin/env bash
# Measures what loading and saving a play list of 10,000 entries costs under Wine
# (tests/e2e/list_load_cost.cpp): the program's whole-file read and save, against one profile
# section read and one profile call per key, with the parsed file kept between calls (Wine) and
# read again at every call (Windows). A measurement, not a test. Usage: scripts/measure-playlist.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build/mingw-i686/build.ninja ] || cmake --preset mingw-i686 >/dev/null
cmake --build build/mingw-i686 --target list_load_cost >/dev/null
export WINEPREFIX="$root/build/wine-measure"
. scripts/wine-env.sh
EnsureWinePrefix
timeout 900 wine build/mingw-i686/list_load_cost.exe </dev/null 2>/dev/null
timeout 10 wineserver -k >/dev/null 2>&1 || true
