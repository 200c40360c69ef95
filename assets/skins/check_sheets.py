#!/usr/bin/env python3
# Checks that every digit sheet keeps each glyph off the edge of its cell: only the pixels inside
# a one-pixel frame of a cell may carry ink. Ink on the edge is a glyph its cell cut, which ends
# in a hard stroke beside the glyph on the face, and would run into the neighbouring cell as soon
# as a scaled copy took a column more. Usage: check_sheets.py DECODED_DIR DECODED_2X_DIR
import os
import sys

from PIL import Image

from generate import MOJI_W, MOJI_H, SheetCells
from skin_table import BRANDS


def SheetFaults(path, factor):
    image = Image.open(path).convert("RGBA")
    if image.size != (MOJI_W * factor, MOJI_H * factor):
        return ["size %dx%d" % image.size]
    alpha = image.getchannel("A").load()
    faults = []
    allowed = set()
    for name, (x, y, w, h) in SheetCells():
        x, y, w, h = x * factor, y * factor, w * factor, h * factor
        interior = {(cx, cy) for cy in range(y + 1, y + h - 1) for cx in range(x + 1, x + w - 1)}
        allowed |= interior
        edge = [(cx, cy) for cy in range(y, y + h) for cx in range(x, x + w)
                if (cx, cy) not in interior and alpha[cx, cy] > 0]
        if edge:
            faults.append("%s: ink on the cell's edge at %d,%d (%d pixels)" % (name, edge[0][0], edge[0][1], len(edge)))
    cells = [tuple(v * factor for v in box) for _, box in SheetCells()]
    outside = [(cx, cy) for cy in range(image.height) for cx in range(image.width)
               if alpha[cx, cy] > 0 and (cx, cy) not in allowed and
               not any(x <= cx < x + w and y <= cy < y + h for x, y, w, h in cells)]
    if outside:
        faults.append("ink outside every cell at %d,%d (%d pixels)" % (outside[0][0], outside[0][1], len(outside)))
    return faults


def main():
    failures = []
    for brand in BRANDS:
        if not brand["skins"]:
            continue
        for directory, factor in ((sys.argv[1], 1), (sys.argv[2], 2)):
            for fault in SheetFaults(os.path.join(directory, brand["moji"] + ".png"), factor):
                failures.append("%s at %dx: %s" % (brand["moji"], factor, fault))
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
