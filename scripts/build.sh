#!/usr/bin/env bash
# Configures and builds the given presets (default: all four) after installing what is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native fuzz mingw-i686 mingw-x86_64)
for p in "${presets[@]}"; do
  echo "== build $p"
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p"
done
