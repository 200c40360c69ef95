#!/usr/bin/env bash
# Draws the program and tray icons (a small clock face; the second tray icon carries a red
# dot for unread news) and writes them as multi-size .ico files into resources/icons/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../resources/icons"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

face() {  # $1 = output png, then extra drawing options
  local target=$1
  shift
  convert -size 256x256 xc:none \
    -fill '#2A3F66' -stroke '#101A2E' -strokewidth 10 -draw 'circle 128,128 128,12' \
    -fill '#F4F7FC' -stroke none -draw 'circle 128,128 128,34' \
    -stroke '#2A3F66' -strokewidth 10 \
    -draw 'line 128,52 128,68' -draw 'line 204,128 188,128' \
    -draw 'line 128,204 128,188' -draw 'line 52,128 68,128' \
    -stroke '#1B2740' -strokewidth 16 -draw 'line 128,128 128,72' \
    -strokewidth 12 -draw 'line 128,128 176,152' \
    -stroke none -fill '#E0463C' -draw 'circle 128,128 128,140' \
    "$@" "$target"
}

face "$tmp/clock.png"
face "$tmp/news.png" -fill '#E0463C' -stroke '#FFFFFF' -strokewidth 10 -draw 'circle 200,56 200,8'

for name in clock news; do
  for s in 16 32 48; do convert "$tmp/$name.png" -resize ${s}x${s} "$tmp/$name-$s.png"; done
done
convert "$tmp/clock-16.png" "$tmp/clock-32.png" "$tmp/clock-48.png" "$out/clock.ico"
convert "$tmp/clock-16.png" "$tmp/clock-32.png" "$out/tray.ico"
convert "$tmp/news-16.png" "$tmp/news-32.png" "$out/tray_news.ico"
