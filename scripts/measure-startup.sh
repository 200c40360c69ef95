#!/usr/bin/env bash
# Measures the clock from start to its first frame with a feed server that accepts and never
# answers, against a feed server port where nothing listens, one run each, and prints both with
# their ratio: the first frame waits for no network, so it is at most 1.2. A measurement, not a
# test. The feed server binds port 80 of a loopback address, which needs root.
# Usage: scripts/measure-startup.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh mingw-i686 >/dev/null
cd build/mingw-i686
python3 ../../tests/e2e/measure_startup.py --exe TarvoClockTest.exe --product TarvoClock.exe \
  --wintool wintool.exe
