#!/bin/sh
# Makes the seed corpora of the package and catalogue fuzz targets with our own tools.
# Usage: tools/skn/make_seeds.sh BUILD_DIR   (a native build with skn-build and kpz-encode)
set -eu
build=$(cd "${1:?usage: make_seeds.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pkg="$root/tests/fuzz/corpus/package"
cat_dir="$root/tests/fuzz/corpus/catalogue"
mkdir -p "$pkg" "$cat_dir"

cat > "$work/brand.xml" <<'XML'
<?xml version="1.0" encoding="Shift_JIS"?>
<brand>
<title>Seed brand</title>
<code>7</code>
<skin><comment>first <b>skin</b></comment><name>One</name><file>pic</file><rss>bar</rss><moji>moj</moji></skin>
<skin><name>Two</name><file>pic</file><moji>moj</moji></skin>
</brand>
XML
printf '<brand><skin><name>early</name></skin><title>T</title><code>2</code><skin><name>x</name></skin></brand>' > "$work/early.xml"
printf '<brand><code>13</code><title>out of range</title></brand>' > "$work/code13.xml"
printf '</skin><brand><code>1</code><title>t</title></skin><skin><file>f</file></brand>' > "$work/reversed.xml"
cp "$work"/*.xml "$cat_dir/"

convert -size 6x5 gradient:'#ff000080-#0000ffff' "PNG32:$work/pic.png"
"$build/tools/kpz/kpz-encode" "$work/pic.png" "$work/pic.kpz"
"$build/tools/kpz/kpz-encode" --raw --rgb "$work/pic.png" "$work/moj.kpz"
cp "$work/pic.kpz" "$work/bar.kpz"
(cd "$work" && "$build/tools/skn/skn-build" -o "$pkg/skin.skn" brand.xml pic.kpz bar.kpz moj.kpz)
(cd "$work" && "$build/tools/skn/skn-build" --skip 9 -o "$pkg/skip9.skn" pic.kpz early.xml)
(cd "$work" && "$build/tools/skn/skn-build" -o "$pkg/xml_only.skn" reversed.xml)
