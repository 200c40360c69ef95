#!/usr/bin/env bash
# Peak memory of one URL-feed parse, natively: the Release feed-read tool reads a tiny feed (the
# idle figure), a 2 MiB well-formed feed, and two 2 MiB hostile documents: entities expanded
# into attribute values, and elements nested as deep as the bytes allow. Prints each run's peak
# resident set (GNU time's, so no parent's pages count) and how far it is above the idle run.
# Installs GNU time when missing (apt, as scripts/deps.sh installs packages).
# A measurement, not a test. Usage: scripts/measure-feed-parse-memory.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if [ ! -x /usr/bin/time ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_ apt-get install -y -qq --no-install-recommends time >/dev/null 2>&1 ||
    { echo "cannot install GNU time" >&2; exit 1; }
fi

cmake --preset bench >/dev/null
cmake --build build/bench --target feed-read -j2 >/dev/null
tool=build/bench/tools/feed/feed-read
work=build/bench/feed-memory
mkdir -p "$work"

/usr/bin/python3 - "$work" <<'PY'
import os
import sys

work = sys.argv[1]
size = 2 << 20
head = '<?xml version="1.0" encoding="UTF-8"?>\n'
channel = '<rss version="2.0"><channel><title>Clock news</title><link>http://clock.test/</link>'


def well_formed(target):
    items, length, n = [], 0, 0
    while length < target - 600:
        items.append(f"<item><title>Item {n}</title><link>http://clock.test/{n}</link>"
                     f"<description>{'x' * 400}</description></item>\n")
        length += len(items[-1])
        n += 1
    return head + channel + "".join(items) + "</channel></rss>\n"


def attribute_expansion():
    # One kilobyte entity, referenced in one attribute value until the document is 2 MiB.
    prologue = head + '<!DOCTYPE rss [<!ENTITY a "' + "a" * 1024 + '">]>' + channel + '<x a="'
    tail = '"/></channel></rss>\n'
    return prologue + "&a;" * ((size - len(prologue) - len(tail)) // 3) + tail


def deep_nesting():
    prologue = head + channel
    return prologue + "<a>" * ((size - len(prologue)) // 3)


for name, text in [("idle", well_formed(1024)), ("well-formed", well_formed(size)),
                   ("attribute-expansion", attribute_expansion()), ("deep-nesting", deep_nesting())]:
    with open(os.path.join(work, name + ".xml"), "w", encoding="utf-8") as f:
        f.write(text)
PY

idle=
for name in idle well-formed attribute-expansion deep-nesting; do
  file=$work/$name.xml
  # feed-read fails on what is no feed; its peak counts all the same.
  /usr/bin/time -f %M -o "$work/$name.peak" "$tool" "$file" >"$work/$name.out" || true
  peak=$(tail -1 "$work/$name.peak")
  idle=${idle:-$peak}
  status=$(sed -n 's/^status: //p' "$work/$name.out")
  awk -v name="$name" -v bytes="$(stat -c %s "$file")" -v peak="$peak" -v idle="$idle" \
    -v status="$status" 'BEGIN { printf "%-20s %8d bytes: peak %6.1f MiB, %5.1f MiB above idle (%s)\n",
      name, bytes, peak / 1024, (peak - idle) / 1024, status }'
done
