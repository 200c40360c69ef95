#!/usr/bin/env python3
# Composes every built-in skin the way the clock does (picture, news bar, colon, a sample date
# and time from its digit sheet) on a light and a dark background, all in one review picture.
# Usage: contact_sheet.py PNG_DIR OUT.png [FACES_DIR]
import os
import sys

from PIL import Image, ImageDraw, ImageFont

from skin_table import BRANDS

FACE_W, FACE_H = 400, 330
LIGHT, DARK = (0xF0, 0xF0, 0xF0, 255), (0x20, 0x28, 0x30, 255)
LABEL_H = 22
LABEL_FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"

# Sample times: (month, day, hour, minute, twelve-hour display).
SAMPLES = [(12, 7, 10, 8, True), (3, 1, 19, 45, True), (7, 24, 23, 59, False), (11, 30, 0, 5, True)]


def Blend(face, moji, src, dst, offset):
    sx, sy, w, h = src
    glyph = moji.crop((sx, sy, sx + w, sy + h))
    face.alpha_composite(glyph, (dst[0] + offset, dst[1]))


def Face(pngDir, brand, skinIndex, skin, sample):
    picture = Image.open(os.path.join(pngDir, skin["file"] + ".png")).convert("RGBA")
    bar = Image.open(os.path.join(pngDir, skin["rss"] + ".png")).convert("RGBA")
    moji = Image.open(os.path.join(pngDir, brand["moji"] + ".png")).convert("RGBA")
    offset = 25 if (brand["code"] == 1 and skinIndex == 1) else 0
    face = Image.new("RGBA", (FACE_W, FACE_H), (0, 0, 0, 0))
    face.alpha_composite(picture, (0, 0))
    face.alpha_composite(bar, (offset, 280))
    for y in (232, 242):
        Blend(face, moji, (17, 300, 6, 6), (69, y), offset)
    month, day, hour, minute, twelve = sample
    if twelve:
        mark = (36, 346, 18, 12) if hour < 12 else (54, 346, 18, 12)
        Blend(face, moji, mark, (30, 212) if hour < 12 else (96, 212), offset)
        hour %= 12
        if hour == 0:
            hour = 12
    Blend(face, moji, (25, 28 * (month - 1), 34, 28), (30, 182), offset)
    Blend(face, moji, (59, 28 * (day // 10), 11, 28), (64, 182), offset)
    Blend(face, moji, (59, 28 * (day % 10), 11, 28), (75, 182), offset)
    Blend(face, moji, (7, 28 * (hour // 10), 18, 28), (30, 226), offset)
    Blend(face, moji, (7, 28 * (hour % 10), 18, 28), (48, 226), offset)
    Blend(face, moji, (7, 28 * (minute // 10), 18, 28), (79, 226), offset)
    Blend(face, moji, (7, 28 * (minute % 10), 18, 28), (97, 226), offset)
    return face


def Ticker(face, offset):
    """A stand-in ticker line: white text with a black shadow, as the news bar draws it."""
    draw = ImageDraw.Draw(face)
    font = ImageFont.truetype(LABEL_FONT, 16)
    text = "ニュース: 新しいスキンを公開しました"
    draw.text((offset + 23, 292), text, font=font, fill=(0, 0, 0, 255))
    draw.text((offset + 22, 291), text, font=font, fill=(255, 255, 255, 255))


def main():
    pngDir, out = sys.argv[1], sys.argv[2]
    facesDir = sys.argv[3] if len(sys.argv) > 3 else None
    rows = [b for b in BRANDS if b["skins"]]
    columns = max(len(b["skins"]) for b in rows)
    tileH = LABEL_H + 2 * FACE_H
    sheet = Image.new("RGBA", (columns * FACE_W, len(rows) * tileH), (255, 255, 255, 255))
    draw = ImageDraw.Draw(sheet)
    font = ImageFont.truetype(LABEL_FONT, 15)
    n = 0
    for r, brand in enumerate(rows):
        for c, skin in enumerate(brand["skins"]):
            face = Face(pngDir, brand, c, skin, SAMPLES[n % len(SAMPLES)])
            n += 1
            offset = 25 if (brand["code"] == 1 and c == 1) else 0
            Ticker(face, offset)
            x, y = c * FACE_W, r * tileH
            draw.text((x + 6, y + 3), "%s %d-%d  %s  (%s)" % (brand["title"], brand["code"], c + 1,
                                                              skin["name"], skin["file"]),
                      font=font, fill=(0, 0, 0, 255))
            for k, bg in enumerate((LIGHT, DARK)):
                tile = Image.new("RGBA", (FACE_W, FACE_H), bg)
                tile.alpha_composite(face)
                sheet.paste(tile, (x, y + LABEL_H + k * FACE_H))
            if facesDir:
                os.makedirs(facesDir, exist_ok=True)
                both = Image.new("RGBA", (2 * FACE_W, FACE_H))
                for k, bg in enumerate((LIGHT, DARK)):
                    tile = Image.new("RGBA", (FACE_W, FACE_H), bg)
                    tile.alpha_composite(face)
                    both.paste(tile, (k * FACE_W, 0))
                both.convert("RGB").save(os.path.join(facesDir, skin["file"] + ".png"))
    sheet.convert("RGB").save(out, optimize=True)


if __name__ == "__main__":
    main()
