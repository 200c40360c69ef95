#!/usr/bin/env python3
# Writes the five built-in brand documents (UTF-8; the pipeline converts them to Shift-JIS)
# from the skin table. Usage: catalogue.py OUT_DIR
import os
import sys

from skin_table import BRANDS


def Document(brand):
    lines = ['<?xml version="1.0" encoding="Shift_JIS"?>', "<brand>",
             "  <title>%s</title>" % brand["title"], "  <code>%d</code>" % brand["code"]]
    for skin in brand["skins"]:
        # Texts go in verbatim: the clock copies element contents byte for byte, so a comment
        # may carry angle brackets of its own.
        lines += ["  <skin>",
                  "    <comment>%s</comment>" % skin["comment"],
                  "    <name>%s</name>" % skin["name"],
                  "    <file>%s</file>" % skin["file"],
                  "    <rss>%s</rss>" % skin["rss"],
                  "    <moji>%s</moji>" % brand["moji"],
                  "  </skin>"]
    lines.append("</brand>")
    return "\r\n".join(lines) + "\r\n"


# Field sizes of the clock's brand and skin records, less the terminating zero; stems also
# leave room for the ".kpz" the clock appends.
LIMITS = {"title": 63, "comment": 255, "name": 127, "file": 27, "rss": 27, "moji": 27}


def TooLong(brand):
    problems = []
    texts = [("title", brand["title"])]
    for skin in brand["skins"]:
        texts += [(k, skin[k]) for k in ("comment", "name", "file", "rss")]
        texts.append(("moji", brand["moji"]))
    for field, text in texts:
        if len(text.encode("shift_jis")) > LIMITS[field]:
            problems.append("%s: %s is longer than %d bytes" % (brand["key"], field, LIMITS[field]))
    return problems


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    problems = [p for brand in BRANDS for p in TooLong(brand)]
    if problems:
        sys.exit("\n".join(problems))
    for brand in BRANDS:
        with open(os.path.join(out, brand["key"] + ".xml"), "w", encoding="utf-8", newline="") as f:
            f.write(Document(brand))


if __name__ == "__main__":
    main()
