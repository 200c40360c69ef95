#!/usr/bin/env bash
# Runs one Windows executable under Wine with the project's prefix; used by ctest for the
# MinGW-built tests. Without a display it brings up a private Xvfb for the run.
#
# Wine's helper processes (services, explorer) that the first program starts inherit its
# standard output and live on after it; if that were ctest's pipe, ctest would wait for them
# until its timeout. So the output goes through a file, shown once the program has ended.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
EnsureWinePrefix
# A home of the tests' own whose ALSA default device is a file sink to nowhere, so the
# programs have a sound device to play to on a machine without a sound card.
export HOME="$here/../build/wine-test-home"
if [ ! -f "$HOME/.asoundrc" ]; then
  mkdir -p "$HOME"
  printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "/dev/null"\n format "raw"\n}\n' \
    >"$HOME/.asoundrc"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Now and then, on a loaded machine, Wine fails to load the program at all and hands it to its
# start.exe, which answers "ShellExecuteEx" failed; the program never ran, so it is started
# again (at most three tries). A program that ran and failed is never run twice.
for try in 1 2 3; do
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@" >"$out" 2>&1 </dev/null
  else
    wine "$@" >"$out" 2>&1 </dev/null
  fi
  code=$?
  [ $code -ne 0 ] && grep -q 'ShellExecuteEx' "$out" && ! grep -q '^\[==========\]' "$out" \
    || break
  echo "wine-run: Wine could not start $1 (try $try); starting it again" >&2
  sleep 1
done
cat "$out"
exit $code
