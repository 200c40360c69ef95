#!/usr/bin/env python3
# Checks that every KPZ image decodes back to its render: pixel for pixel with alpha for
# four-channel images; for three-channel ones the render must be opaque everywhere and the
# colours must match. Usage: compare.py RENDER_DIR DECODED_DIR MANIFEST
import os
import sys

from PIL import Image, ImageChops


def main():
    renders, decoded, manifest = sys.argv[1:4]
    failures = []
    for line in open(manifest):
        stem, channels = line.split()
        a = Image.open(os.path.join(renders, stem + ".png")).convert("RGBA")
        b = Image.open(os.path.join(decoded, stem + ".png")).convert("RGBA")
        if a.size != b.size:
            failures.append("%s: size %s, decoded %s" % (stem, a.size, b.size))
            continue
        if channels == "rgb":
            if a.getchannel("A").getextrema() != (255, 255):
                failures.append("%s: stored without alpha but the render has transparent pixels" % stem)
            a, b = a.convert("RGB"), b.convert("RGB")
        if ImageChops.difference(a, b).getbbox() is not None:
            failures.append("%s: decoded pixels differ from the render" % stem)
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
