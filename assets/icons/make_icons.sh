#!/usr/bin/env bash
# Renders the program and tray icons from their SVG sources into multi-size .ico files in
# resources/icons/: "icon" (16-256 px), the tray icon and the tray icon with the news badge.
# Each holds its sizes at twice the size too, as Windows picks them at 200 %: the program icon
# 32 for 16 and 64 for 32 (48 serves 150 %). The tray icons hold the small-icon size of every
# scale step from 100 % to 300 %, 16, 20, 24, 32, 40 and 48, so none is stretched.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../resources/icons"
if ! command -v rsvg-convert >/dev/null || ! command -v convert >/dev/null; then
  apt-get install -y -qq librsvg2-bin imagemagick >/dev/null
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

render() {  # $1 = svg, $2 = output ico, then sizes
  local svg=$1 ico=$2
  shift 2
  local pngs=()
  for s in "$@"; do
    rsvg-convert -w "$s" -h "$s" "$svg" -o "$tmp/$s.png"
    pngs+=("$tmp/$s.png")
  done
  convert "${pngs[@]}" "$ico"
  rm -f "$tmp"/*.png
}

render "$here/clock.svg" "$out/clock.ico" 16 32 48 64 256
render "$here/clock.svg" "$out/tray.ico" 16 20 24 32 40 48
render "$here/clock_news.svg" "$out/tray_news.ico" 16 20 24 32 40 48
