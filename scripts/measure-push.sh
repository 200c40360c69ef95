#!/usr/bin/env bash
# Measures what one push of a layered window costs under Wine (tests/e2e/push_cost.cpp): CPU per
# push of a shaped 400 x 330 window with the news bar's strip changed and given as the dirty
# rectangle, beside the whole frame pushed and other window sizes, each as a ratio against the
# first. The news bar pushes once per step, so this is the floor of what scrolling costs.
# A measurement, not a test. Usage: scripts/measure-push.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh mingw-i686 >/dev/null
export WINEPREFIX="$root/build/wine-measure"
. scripts/wine-env.sh
EnsureWinePrefix
for n in $(seq 200 239); do [ -e "/tmp/.X$n-lock" ] || break; done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'timeout 10 wineserver -k >/dev/null 2>&1; kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export DISPLAY=":$n"
echo "one layered push under Wine (300 pushes each):"
timeout 300 wine build/mingw-i686/push_cost.exe </dev/null 2>/dev/null
