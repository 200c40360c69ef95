#!/usr/bin/env python3
"""Packs the release zip: sorted entries under one folder, one fixed time, fixed attributes, so
the same inputs always give the same bytes. Texts for Windows users get CR LF; the read-me also a
byte-order mark, so Notepad on any Windows opens it as UTF-8."""
import sys
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def windows_text(text, bom=False):
    body = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    return (b"\xef\xbb\xbf" if bom else b"") + body


def main():
    zip_path, version, stamp, exe32, exe64 = sys.argv[1:6]
    readme = (ROOT / "assets/release/readme.txt").read_text(encoding="utf-8").replace("@VERSION@", version)
    licence = (ROOT / "LICENSE").read_text(encoding="utf-8") + "\n\n" + (ROOT / "NOTICE").read_text(encoding="utf-8")
    entries = {
        "TarvoClock.exe": Path(exe32).read_bytes(),
        "TarvoClock64.exe": Path(exe64).read_bytes(),
        "readme.txt": windows_text(readme, bom=True),
        "LICENSE.txt": windows_text(licence),
        "skin/sample.skn": (ROOT / "assets/news/skins/sample.skn").read_bytes(),
    }
    # The zip format keeps local time to two seconds from 1980 on.
    when = time.gmtime(max(int(stamp), 315532800))[:6]
    with zipfile.ZipFile(zip_path, "w") as z:
        for name in sorted(entries):
            info = zipfile.ZipInfo("TarvoClock/" + name, date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
            z.writestr(info, entries[name], compresslevel=9)


if __name__ == "__main__":
    main()
