#!/usr/bin/env bash
# Measures the URL-feed parser against Debian's python3-feedparser on one 1 MiB RSS 2.0 feed
# (100 items with long escaped-HTML descriptions, English and Japanese), in one run on the same
# file: the median time of one parse by each, and their ratio. Ours is timed in the Release
# build (tools/feed/feed-read --time); feedparser in the system's Python. Installs
# python3-feedparser when missing (apt, as scripts/deps.sh installs packages).
# A measurement, not a test. Usage: scripts/measure-feed-parse.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if ! /usr/bin/python3 -c 'import feedparser' 2>/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_ apt-get install -y -qq --no-install-recommends python3-feedparser >/dev/null 2>&1 ||
    { echo "cannot install python3-feedparser" >&2; exit 1; }
fi

cmake --preset bench >/dev/null
cmake --build build/bench --target feed-read >/dev/null
feed=build/bench/feed-1mib.xml

/usr/bin/python3 - "$feed" <<'PY'
import sys
from email.utils import format_datetime
from datetime import datetime, timedelta, timezone
from html import escape

path = sys.argv[1]
target = 1 << 20
paragraph = ("<p>The clock's news, item {n}: a <b>new skin</b> for the season, "
             "<a href=\"http://clock.test/skins/{n}\">see it here</a> &amp; more&hellip;</p>\n"
             "<p>\u6642\u8a08\u306e\u304a\u77e5\u3089\u305b\u3067\u3059\u3002"
             "\u65b0\u3057\u3044\u30b9\u30ad\u30f3\u3092\u304a\u697d\u3057\u307f\u304f\u3060\u3055\u3044\u3002</p>\n")
zone = timezone(timedelta(hours=9))
start = datetime(2024, 3, 1, 9, 0, tzinfo=zone)


def document(paragraphs):
    items = []
    for n in range(100):
        body = "".join(paragraph.format(n=n) for _ in range(paragraphs))
        items.append(
            f"<item><title>Clock news {n}: tips &amp; skins</title>"
            f"<link>http://clock.test/news/{n}</link>"
            f"<guid>http://clock.test/news/{n}</guid>"
            f"<pubDate>{format_datetime(start + timedelta(hours=n))}</pubDate>"
            f"<description>{escape(body, quote=False)}</description></item>\n")
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
            "<title>Clock news</title><link>http://clock.test/</link>"
            "<description>Sample feed for timing</description>\n"
            + "".join(items) + "</channel></rss>\n").encode("utf-8")


paragraphs = 1
while len(document(paragraphs + 1)) <= target:
    paragraphs += 1
with open(path, "wb") as f:
    f.write(document(paragraphs))
PY

ours=$(build/bench/tools/feed/feed-read --time 50 "$feed")
echo "ours:       $ours"
ours_ms=$(printf '%s\n' "$ours" | sed -E 's/.*median ([0-9.]+) ms.*/\1/')

/usr/bin/python3 - "$feed" "$ours_ms" <<'PY'
import statistics
import sys
import time

import feedparser

path, ours_ms = sys.argv[1], float(sys.argv[2])
data = open(path, "rb").read()
times = []
for _ in range(7):
    begin = time.perf_counter()
    parsed = feedparser.parse(data)
    times.append((time.perf_counter() - begin) * 1000)
median = statistics.median(times)
print(f"feedparser: 7 parses of {len(data)} bytes, {len(parsed.entries)} items: "
      f"fastest {min(times):.3f} ms, median {median:.3f} ms (feedparser {feedparser.__version__})")
print(f"ratio: feedparser takes {median / ours_ms:.1f} times as long as ours (medians)")
PY
