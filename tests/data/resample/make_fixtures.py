#!/usr/bin/python3
# Writes the resampling fixtures beside this script: premultiplied BGRA test images and what
# Pillow's Lanczos resize makes of them, each channel resized on its own as a floating-point
# image (so Pillow applies no alpha handling of its own and rounds only at the end), then
# rounded to bytes and colour limited to alpha.
# File layout: "RSMP", then source width, height, target width, height as little-endian
# 16-bit numbers, then the source pixels and the expected pixels (BGRA, rows packed).
import os
import random
import struct

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))


def Picture(w, h, seed):
    """Premultiplied pixels: a soft gradient, a hard-edged opaque disc, a transparent corner
    and noise, so that edges, ringing and flat parts all occur."""
    rnd = random.Random(seed)
    pixels = []
    for y in range(h):
        for x in range(w):
            inDisc = (x - w * 0.6) ** 2 + (y - h * 0.4) ** 2 < (min(w, h) * 0.3) ** 2
            if x < w // 5 and y < h // 4:
                a = 0
            elif inDisc:
                a = 255
            else:
                a = min(255, max(0, int(40 + 200 * x / max(1, w - 1)) + rnd.randint(-30, 30)))
            if inDisc:
                colour = (20, 230, 250)
            else:
                colour = (rnd.randint(0, 255), int(255 * y / max(1, h - 1)), rnd.randint(0, 255))
            pixels.append(tuple(c * a // 255 for c in colour) + (a,))
    return pixels


def Resize(pixels, w, h, tw, th):
    out = []
    for c in range(4):
        plane = Image.new("F", (w, h))
        plane.putdata([float(p[c]) for p in pixels])
        resized = plane.resize((tw, th), Image.Resampling.LANCZOS, reducing_gap=1.0)
        out.append([min(255, max(0, int(v + 0.5))) if v > 0 else 0 for v in resized.getdata()])
    return [(min(out[0][i], out[3][i]), min(out[1][i], out[3][i]), min(out[2][i], out[3][i]), out[3][i])
            for i in range(tw * th)]


# name, source size, target size. Pillow's reducing gap of 1.0 averages boxes of the integer part
# of the ratio first, as ours does past a ratio of 2 (the two differ at a ratio of exactly 2,
# which no case here has).
CASES = [
    ("up", 23, 17, 37, 29),
    ("down", 48, 40, 36, 30),
    ("shrink", 50, 41, 11, 13),
    ("thin", 1, 19, 3, 7),
]


def main():
    for seed, (name, w, h, tw, th) in enumerate(CASES):
        pixels = Picture(w, h, seed)
        expected = Resize(pixels, w, h, tw, th)
        with open(os.path.join(HERE, name + ".bin"), "wb") as f:
            f.write(b"RSMP" + struct.pack("<4H", w, h, tw, th))
            for p in pixels + expected:
                f.write(bytes((p[2], p[1], p[0], p[3])))


if __name__ == "__main__":
    main()
