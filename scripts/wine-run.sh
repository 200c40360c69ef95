#!/usr/bin/env bash
# Runs one Windows executable under Wine with the project's prefix; used by ctest for the
# MinGW-built tests. Without a display it brings up a private Xvfb for the run.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
EnsureWinePrefix
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
exec wine "$@"
