#!/usr/bin/env bash
# Measures what an idle clock costs: the product runs beside a 400 x 330 layered widget that
# repaints once a second (tests/e2e/idle_widget.cpp) under one private Xvfb, and the CPU time
# each uses over the same window is printed with their ratio. A measurement, not a test.
# Usage: scripts/measure-idle.sh [seconds]   (default 20; CLOCK_EXE=path measures another build)
# The clock's FeedServer is FEED_SERVER (default 127.77.0.1, where scripts/run.sh serves the
# sample feeds): with a feed server there, the news bar scrolls during the measurement.
# CLOCK_SETTINGS="Key=value ..." adds settings to the clock's file.
# LOG_PIXELS=192 measures at that display DPI (default 96), set in the measuring prefix as the
# display settings set it; the clock then draws itself at that scale.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-20}
bash scripts/build.sh mingw-i686 >/dev/null
export WINEPREFIX="$root/build/wine-measure"
. scripts/wine-env.sh
EnsureWinePrefix

work=$(mktemp -d)
mkdir -p "$work/home"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$work/home/.asoundrc"
cp "${CLOCK_EXE:-build/mingw-i686/TarvoClock.exe}" "$work/TarvoClock.exe"
cp build/mingw-i686/idle_widget.exe "$work/"
printf '[TarvoClock]\r\nFeedServer=%s\r\n' "${FEED_SERVER:-127.77.0.1}" >"$work/TarvoClock.cfg"
# CLOCK_SETTINGS="Key=value ..." adds settings (e.g. RssScrollTime=100).
for setting in ${CLOCK_SETTINGS:-}; do printf '%s\r\n' "$setting" >>"$work/TarvoClock.cfg"; done
for n in $(seq 200 239); do [ -e "/tmp/.X$n-lock" ] || break; done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n" HOME="$work/home"
clock=
widget=
cleanup() {
  set +e
  for title in TarvoClock IdleWidget; do
    timeout 10 wine "$root/build/mingw-i686/wintool.exe" post "$title" 16 >/dev/null 2>&1 </dev/null
  done
  for _ in $(seq 100); do
    kill -0 "$clock" 2>/dev/null || kill -0 "$widget" 2>/dev/null || break
    sleep 0.1
  done
  kill "$clock" "$widget" 2>/dev/null
  timeout 10 wineserver -k >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
# On the measuring display: the first Wine program starts the prefix's desktop process there.
for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "${LOG_PIXELS:-96}" /f >/dev/null 2>&1 </dev/null
done

cd "$work"
wine TarvoClock.exe >/dev/null 2>&1 </dev/null &
clock=$!
wine idle_widget.exe >/dev/null 2>&1 </dev/null &
widget=$!
# Past the start voice, the skin load and the first frames.
sleep 8
# The clock's place and size, which show the scale it drew itself at.
timeout 10 wine "$root/build/mingw-i686/wintool.exe" info TarvoClock </dev/null 2>/dev/null |
  sed -n 's/.*\(rect=[^ ]*\) visible=1.*/clock window \1/p'

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
server=$(pgrep -n -f "wineserver" || true)
c0=$(ticks "$clock"); w0=$(ticks "$widget"); s0=$([ -n "$server" ] && ticks "$server" || echo 0)
sleep "$seconds"
c1=$(ticks "$clock"); w1=$(ticks "$widget"); s1=$([ -n "$server" ] && ticks "$server" || echo 0)
hz=$(getconf CLK_TCK)
clockTicks=$((c1 - c0))
widgetTicks=$((w1 - w0))
echo "over ${seconds} s (${hz} ticks a second):"
echo "  clock        ${clockTicks} ticks ($(awk -v t="$clockTicks" -v s="$seconds" -v h="$hz" 'BEGIN{printf "%.2f", 100*t/(s*h)}') % of a core)"
echo "  1 Hz widget  ${widgetTicks} ticks ($(awk -v t="$widgetTicks" -v s="$seconds" -v h="$hz" 'BEGIN{printf "%.2f", 100*t/(s*h)}') % of a core)"
echo "  wineserver   $((s1 - s0)) ticks (shared by both)"
awk -v c="$clockTicks" -v w="$widgetTicks" 'BEGIN{ if (w > 0) printf "  ratio clock / widget: %.1f\n", c / w; else print "  ratio: widget used no measurable time" }'
