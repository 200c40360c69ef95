#!/usr/bin/env bash
# Measures what drawing the skin at a display scale costs per skin load: natively, the first
# skin's three images decoded at 1 against decoded from the twice-size set and resampled to 1.5
# (tests/bench/resample_bench.cpp); under Wine, the program's whole LoadSkin at 1, 1.5 and 2
# (tests/e2e/skin_load_cost.cpp). Each printed with its ratio against the load at 1.
# A measurement, not a test. Usage: scripts/measure-skin-scale.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build/bench/build.ninja ] || cmake --preset bench >/dev/null
cmake --build --preset bench --target benchmarks >/dev/null
json=$(mktemp)
trap 'rm -f "$json"' EXIT
build/bench/benchmarks --benchmark_filter='AtOne' --benchmark_repetitions=9 \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$json" 2>/dev/null
echo "natively (median of 9 runs):"
python3 - "$json" <<'PY'
import json, sys
runs = {b["run_name"]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("aggregate_name") == "median"}
base = runs["LoadAtOne"]
for name in ("LoadAtOne", "LoadAtOneAndAHalf", "ResampleOnlyAtOneAndAHalf"):
    print("  %-26s %7.2f ms  ratio to the load at 1: %5.2f" % (name, runs[name], runs[name] / base))
PY

[ -f build/mingw-i686/build.ninja ] || cmake --preset mingw-i686 >/dev/null
cmake --build --preset mingw-i686 --target skin_load_cost >/dev/null
rm -f "$json"
export WINEPREFIX="$root/build/wine-measure"
. scripts/wine-env.sh
EnsureWinePrefix
. scripts/measure-env.sh
StartMeasureEnvironment
echo "under Wine, the whole LoadSkin of the first skin (median of 25 loads):"
timeout 300 wine build/mingw-i686/skin_load_cost.exe </dev/null 2>/dev/null
