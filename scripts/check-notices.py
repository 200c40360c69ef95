#!/usr/bin/env python3
"""Checks that NOTICE carries the notice of every library linked into the program.

Reads the linker's map of the program (which archive members it took) and NOTICE, whose sections
are headings underlined with dashes. Every archive the program took a member from must be ours,
or have its section in NOTICE by the table below; an archive the table does not know fails the
check, so a library linked in later cannot ship without its notice.
Usage: check-notices.py PROGRAM.map NOTICE"""
import os
import re
import sys

XIPH = "libogg, libvorbis and libvorbisfile"
MINGW = "MinGW-w64 runtime and winpthreads"
GCC = "GCC runtime libraries"
NOTICES = {
    "libexpat.a": "Expat",
    "libz.a": "zlib",
    "libogg.a": XIPH, "libvorbis.a": XIPH, "libvorbisfile.a": XIPH, "libvorbisenc.a": XIPH,
    "libstdc++.a": GCC, "libgcc.a": GCC, "libgcc_eh.a": GCC,
    "libpthread.a": MINGW, "libwinpthread.a": MINGW, "libmingw32.a": MINGW, "libmingwex.a": MINGW,
    "libmsvcrt.a": MINGW, "libucrt.a": MINGW,
}
OURS = {"libmascot_core.a", "libmascot_win32_product.a"}


def linked_archives(map_text):
    """Archive paths named in the map's list of members taken to satisfy references."""
    archives = set()
    taking = False
    for line in map_text.splitlines():
        if line.startswith("Archive member included"):
            taking = True
            continue
        if taking and re.match(r"^(Discarded input sections|Allocating common symbols|Memory Configuration)", line):
            break
        m = re.match(r"^(\S.*?\.a)\(", line) if taking else None
        if m:
            archives.add(m.group(1))
    return archives


def main():
    map_path, notice_path = sys.argv[1], sys.argv[2]
    with open(map_path, encoding="utf-8", errors="replace") as f:
        archives = linked_archives(f.read())
    with open(notice_path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    headings = {lines[i] for i in range(len(lines) - 1)
                if lines[i] and re.fullmatch(r"-{3,}", lines[i + 1]) and len(lines[i + 1]) == len(lines[i])}
    if not archives:
        print(f"no archive members in {map_path}")
        return 1
    faults = []
    for path in sorted(archives):
        name = os.path.basename(path)
        if name in OURS:
            continue
        heading = NOTICES.get(name)
        # Windows' own DLLs are reached through MinGW-w64's import libraries, in its sysroot.
        if heading is None and re.search(r"/[^/]*-w64-mingw32/lib/lib[^/]+\.a$", os.path.normpath(path)):
            heading = MINGW
        if heading is None:
            faults.append(f"{path}: no notice is known for this library (add its section to NOTICE and a row here)")
        elif heading not in headings:
            faults.append(f"{path}: NOTICE has no section \"{heading}\"")
    for fault in faults:
        print(fault)
    print(f"{len(archives)} linked archives, {len(faults)} without their notice")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
