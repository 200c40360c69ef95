#!/usr/bin/env python3
# Writes the SVG sources of every built-in skin image: character pictures, news bars and digit
# sheets, from the shared parts and the skin table below. Usage: generate.py OUT_DIR
import os
import sys

from PIL import ImageFont

import parts as P
from skin_table import BRANDS, FONTS

FACE_W, FACE_H = 350, 330
WIDE_W = 400
WIDE_SHIFT = 25

# Digit sheet: where every glyph cell lies (x, y, w, h) in the 75 x 362 sheet.
MOJI_W, MOJI_H = 75, 362


def LargeDigitCell(d):
    return (7, 28 * d, 18, 28)


def SmallDigitCell(d):
    return (59, 28 * d, 11, 28)


def MonthCell(m):
    return (25, 28 * (m - 1), 34, 28)


COLON_CELL = (17, 300, 6, 6)
MORNING_CELL = (36, 346, 18, 12)
AFTERNOON_CELL = (54, 346, 18, 12)


def SheetCells():
    """Every cell of a sheet at 1, named for messages."""
    cells = [("large %d" % d, LargeDigitCell(d)) for d in range(10)]
    cells += [("small %d" % d, SmallDigitCell(d)) for d in range(10)]
    cells += [("month %d" % m, MonthCell(m)) for m in range(1, 13)]
    return cells + [("colon", COLON_CELL), ("AM", MORNING_CELL), ("PM", AFTERNOON_CELL)]


def Svg(width, height, body, defs=""):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n'
            '<defs>%s</defs>\n%s\n</svg>\n' % (width, height, width, height, defs, body))


# ---------------------------------------------------------------------------------------------
# Character pictures.

BACK_HAIR = {"ponytail": P.BackPonytail, "bob": P.BackBob, "long": P.BackLong, "buns": P.BackBuns}
# Head wear that covers the top of the head, where a ponytail is tied: under it the ponytail
# starts lower and its ribbon is not shown.
HATS = ("beanie", "shako")


def Props(names, p, layer):
    """Seasonal and decorative props. `layer` 'back' is drawn behind the character, 'front'
    over it; every prop stays out of the clock area."""
    out = []
    for name in names:
        if layer == "back" and name == "clocks":
            for x, y, r, hour, minute in ((46, 54, 14, 10, 10), (120, 124, 10, 3, 0), (162, 30, 9, 7, 30),
                                          (334, 262, 9, 12, 45)):
                out.append(P.Circle(x, y, r + 2.5, p["button"], p["line"], 1.6))
                out.append(P.ClockFace(x, y, r, "#FFFDF6", p["line"], hour, minute))
        elif layer == "back" and name == "snow":
            for x, y, r in ((40, 40, 8), (100, 100, 6), (160, 30, 6), (330, 120, 7), (150, 150, 5), (320, 230, 6)):
                out.append(P.Snowflake(x, y, r, "#9CC9F0"))
        elif layer == "back" and name == "fireworks":
            out.append(P.Firework(60, 64, 34, "#FF8FB1"))
            out.append(P.Firework(150, 30, 22, "#FFD34D"))
            out.append(P.Firework(140, 118, 14, "#7FD8FF"))
        elif layer == "back" and name == "sakura":
            for x, y, a in ((40, 60, 20), (120, 120, -30), (160, 40, 60), (330, 180, 10), (318, 60, -50),
                            (70, 140, 80), (150, 200, 30)):
                out.append(P.Petal(x, y, 7, a, "#FFC4D6"))
        elif layer == "back" and name == "bats":
            out.append(P.Bat(60, 60, 12, "#3B2E52"))
            out.append(P.Bat(140, 30, 9, "#3B2E52"))
            out.append(P.Bat(325, 140, 8, "#3B2E52"))
        elif layer == "back" and name == "moon":
            out.append(P.Path("M92,22 A36,36 0 1 0 92,94 A46,46 0 0 1 92,22 Z", "#FFE79A", p["line"], 2))
            for x, y, r in ((140, 30, 5), (160, 150, 4), (330, 160, 5), (30, 130, 4)):
                out.append(P.Sparkle(x, y, r * 1.6, "#FFF3B0"))
        elif layer == "back" and name == "leaves":
            for x, y, a, c in ((40, 50, 30, "#E8833A"), (110, 110, -40, "#D4533A"), (160, 36, 70, "#F2B33D"),
                               (330, 190, 20, "#D4533A"), (320, 60, -20, "#E8833A"), (152, 190, 50, "#F2B33D")):
                out.append(P.Leaf(x, y, 9, a, c, "#7A3B1E"))
        elif layer == "back" and name == "notes":
            for x, y in ((60, 70, ), (140, 40), (330, 150)):
                out.append(P.Note(x, y, p["accent"]))
        elif layer == "back" and name == "sparkles":
            for x, y, r in ((50, 60, 9), (140, 36, 7), (330, 150, 7), (110, 130, 6), (160, 190, 5)):
                out.append(P.Sparkle(x, y, r, p["accent"]))
        elif layer == "back" and name == "sunflowers":
            out.append(P.Sunflower(52, 110, 26, "#8A5A2B"))
            out.append(P.Sunflower(330, 170, 14, "#8A5A2B"))
            for x, y in ((120, 40), (150, 130)):
                out.append(P.Circle(x, y, 6, "#CFEFFF", "#5AA9D6", 1.4))
        elif layer == "back" and name == "balloons":
            out.append(P.Balloon(60, 70, 20, "#FF7E9D", p["line"]))
            out.append(P.Balloon(112, 50, 16, "#FFD34D", p["line"]))
            for x, y, c in ((150, 30, "#5CC8B0"), (330, 140, "#FF7E9D"), (160, 160, "#9C8CFF"), (320, 60, "#FFD34D")):
                out.append(P.Path("M%d,%d l7,2 l-2,6 l-7,-2 Z" % (x, y), c, None))
        elif layer == "front" and name == "pumpkin":
            out.append(P.Pumpkin(322, 256, 18, p["line"]))
    return "".join(out)


def HeadAccessory(skin, p, cx):
    kind = skin.get("head", "")
    if kind == "witchhat":
        return P.WitchHat(p, cx, p["accent"], skin.get("hat_tilt", -8))
    if kind == "beanie":
        return P.Beanie(p, cx)
    if kind == "shako":
        return P.Shako(p, cx)
    if kind == "beret":
        return P.Beret(p, cx, p["accent"])
    if kind == "partyhat":
        return P.PartyHat(p, cx, p["accent"], "#FFFFFF")
    if kind == "flower":
        return P.Flower(cx + 40, 62, 12, "#FFFFFF", p["accent"], p["line"])
    if kind == "sunflower":
        return P.Sunflower(cx + 42, 62, 12, p["line"])
    if kind == "leafclip":
        return P.Leaf(cx + 42, 64, 10, 40, "#E8833A", "#7A3B1E")
    if kind == "bowclip":
        return P.Ribbon(cx + 40, 58, 12, p["accent"], p["line"], 20)
    if kind == "batclip":
        return P.Bat(cx + 36, 52, 10, "#3B2E52")
    return ""


def Character(skin, brand):
    p = dict(brand["palette"])
    p.update(skin.get("palette", {}))
    p.setdefault("sleeve", p["outfit"])
    cx = brand["cx"]
    hair = brand["hair"]
    panel = brand["panel"]
    out = []
    if hair == "bob":
        out.append(P.HoodBack(p, cx))
    hatted = skin.get("head", "") in HATS
    if hair == "ponytail":
        out.append(P.BackPonytail(p, cx, hatted))
    else:
        out.append(BACK_HAIR[hair](p, cx))
    out.append(P.Body(p, cx, skin["outfit"]))
    if skin.get("scarf"):
        out.append(P.Scarf(p, cx, skin["scarf"][0], skin["scarf"][1]))
    hold = panel in ("board", "stand")
    sleeve, rightHand = P.Arm(p, cx, 1, skin.get("pose", "down"), None, skin.get("item", ""))
    out.append(sleeve)
    leftHand = ""
    if not hold:
        sleeve, leftHand = P.Arm(p, cx, -1, skin.get("left_pose", "chest"), None)
        out.append(sleeve)
    out.append(P.Head(p, cx))
    out.append(P.Face(p, cx, skin.get("eyes", "open"), skin.get("mouth", "smile")))
    out.append(P.Bangs(p, cx, brand["locks"]))
    if hair == "ponytail" and not hatted:
        out.append(P.Ribbon(cx + 36, 46, 12, p["ribbon"], p["line"], 30))
    if hair == "bob":
        out.append(P.Stroke(P.Fmt("M X(-62),150 C X(-70),90 X(-40),44 X(0),42 C X(40),44 X(70),90 X(62),150", cx),
                            p["outfit_shade"], 5))
    out.append(HeadAccessory(skin, p, cx))
    out.append(rightHand)
    out.append(leftHand)
    out.append(P.PANELS[panel](p))
    if hold:
        out.append("".join(P.Arm(p, cx, -1, "hold", brand["hand"])))
    out.append(Props(skin.get("props", []), p, "front"))
    return Props(skin.get("props", []), p, "back"), "\n".join(out)


def Spotlights():
    """Soft beams at both sides of the wide skin; drawn outside the rim so they stay soft."""
    return "".join(P.Path("M%d,330 L%d,200 Q%d,188 %d,200 L%d,330 Z" % (x - 10, x - 6, x, x + 6, x + 10),
                          "#FFF4B8", None, extra='opacity="0.55"') for x in (14, 386))


def WideExtras(p):
    """The stage skin is 400 pixels wide: a garland of pennants across the top and spotlights
    at both sides frame the shifted face."""
    out = [P.Stroke("M0,10 Q100,34 200,16 Q300,34 400,10", p["line"], 2)]
    colours = ["#FF7EB6", "#FFD34D", "#7FD8FF", "#9C8CFF", "#7BE0A0"]
    for i in range(13):
        x = 8 + i * 31.5
        t = x / 400.0
        y = 10 + 22 * (1 - (2 * ((t * 2) % 1) - 1) ** 2)
        out.append(P.Path("M%.1f,%.1f l14,0 l-7,16 Z" % (x - 7, y - 2), colours[i % 5], p["line"], 1.4))
    for x in (14, 386):
        out.append(P.Star(x, 160, 9, "#FFD34D", p["line"], 1.4))
        out.append(P.Star(x, 100, 6, "#FF7EB6", p["line"], 1.2))
    return "".join(out)


# A light rim around the whole figure keeps dark outfits and hair readable on dark wallpapers.
HALO = ('<filter id="halo" x="-5%" y="-5%" width="110%" height="110%" color-interpolation-filters="sRGB">'
        '<feMorphology in="SourceAlpha" operator="dilate" radius="2.2" result="grown"/>'
        '<feGaussianBlur in="grown" stdDeviation="0.6" result="soft"/>'
        '<feFlood flood-color="#FFFFFF" flood-opacity="0.92"/>'
        '<feComposite in2="soft" operator="in" result="rim"/>'
        '<feMerge><feMergeNode in="rim"/><feMergeNode in="SourceGraphic"/></feMerge></filter>')


def Picture(skin, brand):
    p = dict(brand["palette"])
    p.update(skin.get("palette", {}))
    # Scattered props float free of the rim: they are light or outlined enough on their own.
    props, figure = Character(skin, brand)
    body = props + '<g filter="url(#halo)">%s</g>' % figure
    if skin.get("wide"):
        body = (Spotlights() + '<g filter="url(#halo)">%s</g>' % WideExtras(p)
                + '<g transform="translate(%d,0)">%s</g>' % (WIDE_SHIFT, body))
        return Svg(WIDE_W, FACE_H, body, HALO)
    return Svg(FACE_W, FACE_H, body, HALO)


# ---------------------------------------------------------------------------------------------
# News bars: 350 x 50, a calm dark window (x 20-330, y 11-41) for white text with a black
# shadow, a frame in the skin's colours around it.

def Bar(skin, brand):
    p = dict(brand["palette"])
    p.update(skin.get("palette", {}))
    frame, frame2, window = p["bar"], p["bar2"], p["bar_window"]
    defs = ('<linearGradient id="f" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
            '<linearGradient id="w" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
            % (frame, frame2, window[0], window[1]))
    out = []
    if brand["bar_shape"] == "square":
        out.append('<rect x="0" y="0" width="350" height="50" fill="url(#f)"/>')
        out.append('<rect x="0.5" y="0.5" width="349" height="49" fill="none" stroke="%s"/>' % p["line"])
    else:
        out.append('<rect x="1" y="1" width="348" height="48" rx="14" fill="url(#f)" stroke="%s" '
                   'stroke-width="2"/>' % p["line"])
    out.append('<rect x="12" y="5" width="326" height="42" rx="9" fill="%s"/>' % p["bar_edge"])
    out.append('<rect x="14" y="7" width="322" height="38" rx="7" fill="url(#w)"/>')
    deco = brand["bar_deco"]
    for x in (6.5, 343.5):
        if deco == "clock":
            out.append(P.ClockFace(x, 25, 5.5, p["bar_edge"], p["line"]))
        elif deco == "paw":
            out.append(P.Circle(x, 27, 3.6, p["accent"]) + P.Circle(x - 3.6, 21, 1.7, p["accent"])
                       + P.Circle(x, 19.5, 1.7, p["accent"]) + P.Circle(x + 3.6, 21, 1.7, p["accent"]))
        elif deco == "moon":
            out.append(P.Sparkle(x, 25, 5, p["accent"]))
        else:
            out.append(P.Flower(x, 25, 6, "#FFFFFF", p["accent"], None))
    return Svg(350, 50, "".join(out), defs)


# ---------------------------------------------------------------------------------------------
# Digit sheets.

class GlyphFitter:
    """Places a text in a cell: measures its ink with the font file itself, so that the SVG
    text lands exactly where the layout wants it. What is fitted is the whole glyph as drawn,
    outline and shadow included, with the font's margin clear all round: a glyph the cell's clip
    had to cut would end in a hard stroke on the face. The clip stays as a last guard."""

    def __init__(self, font):
        self.font = font
        self.measure = ImageFont.truetype(font["file"], 200)
        self.clips = []
        self.body = []

    def Ink(self, text):
        left, top, right, bottom = self.measure.getbbox(text, anchor="ls")
        return left / 200.0, top / 200.0, right / 200.0, bottom / 200.0

    def Place(self, text, cell, height, align="center", top=None, squeeze=1.0):
        x, y, w, h = cell
        f = self.font
        margin = f["margin"]
        shadowShift = 1.0 if f.get("shadow") else 0.0
        left, inkTop, right, bottom = self.Ink(text)
        # Smaller glyphs get a thinner outline, in proportion: the full one would leave a date
        # digit or a mark little room for its own strokes in a cell this small.
        outline = f["outline_width"] * min(1.0, float(height) / f["large_height"])
        # The outline is drawn in the squeezed text's own units: thinned across by the squeeze,
        # widened to make up for it, so it keeps its width across and grows along.
        strokeWidth = outline / max(squeeze, 0.5)
        width = w - 2 * margin - strokeWidth * squeeze - shadowShift
        inkW = (right - left) * height / (bottom - inkTop) * squeeze
        if inkW > width:
            squeeze *= width / inkW
            strokeWidth = outline / max(squeeze, 0.5)
        halfAcross = strokeWidth * squeeze / 2.0
        halfAlong = strokeWidth / 2.0
        height = min(height, h - 2 * margin - 2 * halfAlong - shadowShift)
        size = height / (bottom - inkTop)
        inkW = (right - left) * size * squeeze
        outerW = inkW + 2 * halfAcross + shadowShift
        if align == "center":
            inkX = x + (w - outerW) / 2.0 + halfAcross
        else:
            inkX = x + w - margin - shadowShift - halfAcross - inkW
        if top is None:
            inkY = y + (h - (height + 2 * halfAlong + shadowShift)) / 2.0 + halfAlong
        else:
            inkY = y + max(top, margin + halfAlong)
        baseX = inkX - left * size * squeeze
        baseY = inkY - inkTop * size
        clip = "c%d" % len(self.clips)
        self.clips.append('<clipPath id="%s"><rect x="%d" y="%d" width="%d" height="%d"/></clipPath>'
                          % (clip, x, y, w, h))
        text_attrs = ('font-family="\'%s\'" font-weight="%s" font-size="%.2f" fill="%s" stroke="%s" '
                      'stroke-width="%.2f" stroke-linejoin="round" paint-order="stroke"'
                      % (f["family"], f["weight"], size, f["fill"], f["outline"], strokeWidth))
        transform = "translate(%.2f,%.2f) scale(%.3f,1)" % (baseX, baseY, squeeze)
        shadow = ""
        if shadowShift:
            shadow = ('<text transform="translate(%.2f,%.2f) scale(%.3f,1)" font-family="\'%s\'" font-weight="%s" '
                      'font-size="%.2f" fill="%s" stroke="%s" stroke-width="%.2f" stroke-linejoin="round">%s</text>'
                      % (baseX + shadowShift, baseY + shadowShift, squeeze, f["family"], f["weight"], size,
                         f["shadow"], f["shadow"], strokeWidth, text))
        self.body.append('<g clip-path="url(#%s)">%s<text transform="%s" %s>%s</text></g>'
                         % (clip, shadow, transform, text_attrs, text))


def Moji(font):
    g = GlyphFitter(font)
    for d in range(10):
        g.Place(str(d), LargeDigitCell(d), font["large_height"])
        g.Place(str(d), SmallDigitCell(d), font["small_height"], top=font["date_top"], squeeze=0.82)
    for m in range(1, 13):
        g.Place("%d/" % m, MonthCell(m), font["small_height"], align="right", top=font["date_top"],
                squeeze=0.82)
    g.Place("AM", MORNING_CELL, font["mark_height"])
    g.Place("PM", AFTERNOON_CELL, font["mark_height"])
    # The dot and its outline keep the same margin clear as the glyphs.
    x, y, w, h = COLON_CELL
    ring = 1.0
    radius = min(w, h) / 2.0 - font["margin"] - ring / 2.0
    colon = P.Circle(x + w / 2.0, y + h / 2.0, radius, font["fill"], font["outline"], ring)
    return Svg(MOJI_W, MOJI_H, "\n".join(g.body) + colon, "".join(g.clips))


# ---------------------------------------------------------------------------------------------

def Write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    manifest = []
    for brand in BRANDS:
        if not brand["skins"]:
            continue
        Write(os.path.join(out, brand["moji"] + ".svg"), Moji(FONTS[brand["font"]]))
        manifest.append((brand["moji"], "rgba"))
        for skin in brand["skins"]:
            Write(os.path.join(out, skin["file"] + ".svg"), Picture(skin, brand))
            manifest.append((skin["file"], "rgba"))
            if skin["rss"] not in [m[0] for m in manifest]:
                Write(os.path.join(out, skin["rss"] + ".svg"), Bar(skin, brand))
                manifest.append((skin["rss"], "rgb" if brand["bar_shape"] == "square" else "rgba"))
    Write(os.path.join(out, "manifest.txt"), "".join("%s %s\n" % m for m in manifest))


if __name__ == "__main__":
    main()
