#!/usr/bin/env bash
# The feed check's memory under Wine: working set and private bytes after checks 1, 10, 50 and
# 100 of two 2 MiB feeds given by address (HTTPS, and gzip over HTTP) from loopback servers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset mingw-i686 >/dev/null 2>&1
cmake --build --preset mingw-i686 -j2 --target feed_memory_cost >/dev/null
exec python3 tests/win32/feed_http/feed_servers.py --wine-run scripts/wine-run.sh \
  --exe build/mingw-i686/feed_memory_cost.exe
