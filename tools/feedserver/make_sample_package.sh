#!/bin/sh
# Builds assets/news/skins/sample.skn, the skin package the sample feeds offer ("[1s]sample.skn"),
# with our own skn-build from built-in images: one extra skin for brand 1.
# Usage: tools/feedserver/make_sample_package.sh BUILD_DIR   (a native build with skn-build)
set -eu
build=$(cd "${1:?usage: make_sample_package.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/sample.xml.utf8" <<'XML'
<?xml version="1.0" encoding="Shift_JIS"?>
<brand>
  <title>タルボ</title>
  <code>1</code>
  <skin>
    <comment>配布スキンの見本：雪の日のタルボ。</comment>
    <name>タルボ 配布見本</name>
    <file>sample_pic</file>
    <rss>sample_bar</rss>
    <moji>sample_moji</moji>
  </skin>
</brand>
XML
iconv -f utf-8 -t cp932 "$work/sample.xml.utf8" > "$work/sample.xml"
cp "$root/resources/images/tarvo_3.kpz" "$work/sample_pic.kpz"
cp "$root/resources/images/tarvo_bar.kpz" "$work/sample_bar.kpz"
cp "$root/resources/images/tarvo_moji.kpz" "$work/sample_moji.kpz"
mkdir -p "$root/assets/news/skins"
"$build/tools/skn/skn-build" -o "$root/assets/news/skins/sample.skn" "$work/sample.xml" \
  "$work/sample_pic.kpz" "$work/sample_bar.kpz" "$work/sample_moji.kpz"
"$build/tools/skn/skn-list" "$root/assets/news/skins/sample.skn"
