#!/usr/bin/env python3
"""Fails on any include under src/ that runs up the layer order, on any portable file that
reaches Windows headers, and on non-ASCII text in portable code outside comments: the portable
library is compiled without the Windows build's conversion to code page 932, so such a literal
would reach the program as UTF-8 mojibake. The order, top to bottom, is the README's "Where
things are"."""
import pathlib
import re
import sys

LAYERS = ["app", "timesvc", "player", "news", "render", "skin", "settings", "base"]
RANK = {name: i for i, name in enumerate(LAYERS)}
WINDOWS_HEADERS = re.compile(
    r"^(windows|winsock2?|ws2tcpip|mmsystem|dshow|shellapi|shlobj|commctrl|commdlg|objbase|"
    r"ole2|wmsdk\w*|uuids|strmif|control|evcode|[a-z]*_win32)\.h$", re.I)
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def main() -> int:
    src = pathlib.Path(__file__).resolve().parent.parent / "src"
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".cpp", ".h"):
            continue
        layer = path.parent.name
        if layer not in RANK:
            faults.append(f"{path.relative_to(src)}: folder {layer} has no place in the layers")
            continue
        portable = not re.search(r"_win32\.(cpp|h)$", path.name)
        text = path.read_text(encoding="utf-8")
        if portable:
            code = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
            for number, line in enumerate(code.splitlines(), 1):
                line = re.sub(r"//.*", "", line)
                if any(ord(c) > 127 for c in line):
                    faults.append(f"{path.relative_to(src)}:{number}: non-ASCII text in portable code")
        for number, line in enumerate(text.splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = m.group(1)
            where = f"{path.relative_to(src)}:{number}"
            parts = target.split("/")
            if len(parts) == 2 and parts[0] in RANK and RANK[parts[0]] < RANK[layer]:
                faults.append(f"{where}: {layer} includes {target}, a layer above it")
            if portable and WINDOWS_HEADERS.match(parts[-1]):
                faults.append(f"{where}: portable file includes {target}")
    for fault in faults:
        print(fault)
    print(f"layer check: {len(faults)} fault(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
