#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (ASan + UBSan), fuzz targets over
# their corpora, the Wine-run Win32 tests and the end-to-end tests of the real program.
# Exits non-zero when anything fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh || { echo "0 passed, 1 failed"; exit 1; }

. scripts/wine-env.sh
# The prefixes of the 64-bit suite and of the second end-to-end lane are made beside the first.
(export WINEPREFIX="$root/build/wine-test64"; EnsureWinePrefix) &
prefix64=$!
(export WINEPREFIX="$root/build/wine-test-lane2"; EnsureWinePrefix) &
prefix_lane2=$!
EnsureWinePrefix
wait $prefix64 $prefix_lane2

# Starts Xvfb on the first free display from $1 to $2 and points DISPLAY at it; its pid in
# xvfb_pid.
start_display() {
  local n
  for n in $(seq "$1" "$2"); do [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}

start_display 60 89
xvfb=$xvfb_pid
# One Wine server for all the Win32 test runs saves its start-up each time.
wineserver -p
trap 'wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null' EXIT

total_passed=0
total_failed=0
# Adds the counts of one ctest log to the totals; a log without them counts as one failure.
add_counts() {
  local log=$1 line failed count
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ] && grep -q 'No tests were found' "$log"; then
    :
  elif [ -z "$line" ]; then
    total_failed=$((total_failed + 1))
  else
    failed=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    count=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    total_failed=$((total_failed + failed))
    total_passed=$((total_passed + count - failed))
  fi
}

run_ctest() {  # $1 = label, then ctest arguments
  local label=$1
  shift
  echo "== $label"
  local log
  log=$(mktemp)
  ctest --output-on-failure "$@" 2>&1 | tee "$log"
  add_counts "$log"
  rm -f "$log"
}

echo "== layers"
if python3 scripts/check-layers.py; then
  total_passed=$((total_passed + 1))
else
  total_failed=$((total_failed + 1))
fi
run_ctest "native unit tests" --test-dir build/native
run_ctest "fuzz targets" --test-dir build/fuzz
# The 64-bit Win32 suite runs beside the 32-bit one: both spend much of their time waiting on
# Wine. It has a prefix and a display of its own.
log64=$(mktemp)
(
  export WINEPREFIX="$root/build/wine-test64"
  start_display 90 119
  wineserver -p
  ctest --output-on-failure --test-dir build/mingw-x86_64
  wineserver -k 2>/dev/null
  kill $xvfb_pid 2>/dev/null
) >"$log64" 2>&1 &
run64=$!
run_ctest "Win32 tests under Wine" --test-dir build/mingw-i686 -E '^e2e_'
wait $run64
echo "== Win32 tests of the 64-bit build under Wine"
cat "$log64"
add_counts "$log64"
rm -f "$log64"

# The end-to-end cases spend most of their time waiting on the clock, so two run at once, each
# in a lane of its own (tests/e2e/lanes.json; see the harness).
run_ctest "end-to-end tests under Wine" --test-dir build/mingw-i686 -R '^e2e_' -j2 \
  --resource-spec-file "$root/tests/e2e/lanes.json"

# Which expat each build was made from, and whether apt names a newer one (the builds write it).
cat build/native/expat-source.txt build/fuzz/expat-source.txt build/mingw-i686/expat-source.txt \
  build/mingw-x86_64/expat-source.txt 2>/dev/null | sort -u
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
