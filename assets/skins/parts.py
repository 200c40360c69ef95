# Shared SVG parts of the four characters: heads, hair, faces, outfits, arms, panels and props.
#
# Every part is a function returning SVG markup for a 350 x 330 face (the wide skin wraps the
# whole picture in a translation). The character stands right of the clock area, which sits at
# x 30-120, y 182-262 and is always covered by a calm panel; nothing of the character may reach
# into it.
import math

LINE_WIDTH = 2.4


def Path(d, fill, line, width=LINE_WIDTH, extra=""):
    stroke = 'stroke="%s" stroke-width="%s"' % (line, width) if line else 'stroke="none"'
    return ('<path d="%s" fill="%s" %s stroke-linejoin="round" stroke-linecap="round" %s/>'
            % (d, fill, stroke, extra))


def Circle(x, y, r, fill, line=None, width=LINE_WIDTH, extra=""):
    stroke = 'stroke="%s" stroke-width="%s"' % (line, width) if line else 'stroke="none"'
    return '<circle cx="%.1f" cy="%.1f" r="%.1f" fill="%s" %s %s/>' % (x, y, r, fill, stroke, extra)


def Ellipse(x, y, rx, ry, fill, line=None, width=LINE_WIDTH, extra=""):
    stroke = 'stroke="%s" stroke-width="%s"' % (line, width) if line else 'stroke="none"'
    return ('<ellipse cx="%.1f" cy="%.1f" rx="%.1f" ry="%.1f" fill="%s" %s %s/>'
            % (x, y, rx, ry, fill, stroke, extra))


def Stroke(d, colour, width, extra=""):
    return ('<path d="%s" fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round" '
            'stroke-linejoin="round" %s/>' % (d, colour, width, extra))


def Fmt(template, cx):
    """Replaces the X(dx) markers of a path template by cx + dx, so one outline serves any
    horizontal position of the character."""
    out = []
    i = 0
    while i < len(template):
        if template.startswith("X(", i):
            j = template.index(")", i)
            out.append("%.1f" % (cx + float(template[i + 2:j])))
            i = j + 1
        else:
            out.append(template[i])
            i += 1
    return "".join(out)


# ---------------------------------------------------------------------------------------------
# Star, heart, flower and other small shapes used as props and trims.

def StarPath(x, y, r, inner=0.45, points=5, rotate=-90):
    pts = []
    for k in range(points * 2):
        rr = r if k % 2 == 0 else r * inner
        a = math.radians(rotate + k * 180.0 / points)
        pts.append("%.1f,%.1f" % (x + rr * math.cos(a), y + rr * math.sin(a)))
    return "M" + " L".join(pts) + " Z"


def Star(x, y, r, fill, line=None, width=1.6):
    return Path(StarPath(x, y, r), fill, line, width)


def Sparkle(x, y, r, fill):
    d = ("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f "
         "Q%.1f,%.1f %.1f,%.1f Z" % (x, y - r, x, y, x + r, y, x, y, x, y + r, x, y, x - r, y,
                                     x, y, x, y - r))
    return Path(d, fill, None)


def Heart(x, y, s, fill, line=None):
    d = ("M%.1f,%.1f C%.1f,%.1f %.1f,%.1f %.1f,%.1f C%.1f,%.1f %.1f,%.1f %.1f,%.1f Z"
         % (x, y + s * 0.9, x - s * 1.3, y + s * 0.1, x - s * 0.6, y - s * 0.9, x, y - s * 0.25,
            x + s * 0.6, y - s * 0.9, x + s * 1.3, y + s * 0.1, x, y + s * 0.9))
    return Path(d, fill, line, 1.4)


def Flower(x, y, r, petal, centre, line, petals=5):
    out = []
    for k in range(petals):
        a = math.radians(-90 + k * 360.0 / petals)
        out.append(Ellipse(x + r * 0.55 * math.cos(a), y + r * 0.55 * math.sin(a), r * 0.5,
                           r * 0.5, petal, line, 1.3))
    out.append(Circle(x, y, r * 0.32, centre, line, 1.2))
    return "".join(out)


def Petal(x, y, s, angle, fill):
    d = ("M0,%.1f C%.1f,%.1f %.1f,%.1f 0,%.1f C%.1f,%.1f %.1f,%.1f 0,%.1f Z"
         % (-s, s * 0.9, -s * 0.6, s * 0.5, s * 0.8, s * 0.7, -s * 0.5, s * 0.8, -s * 0.9, -s * 0.6, -s))
    return '<g transform="translate(%.1f,%.1f) rotate(%d)">%s</g>' % (
        x, y, angle, Path(d, fill, "#E07A98", 1.0))


def Leaf(x, y, s, angle, fill, vein):
    d = "M0,%.1f Q%.1f,0 0,%.1f Q%.1f,0 0,%.1f Z" % (-s, s * 0.8, s, -s * 0.8, -s)
    return '<g transform="translate(%.1f,%.1f) rotate(%d)">%s%s</g>' % (
        x, y, angle, Path(d, fill, vein, 1.2), Stroke("M0,%.1f L0,%.1f" % (-s * 0.8, s * 1.2), vein, 1.1))


def Snowflake(x, y, r, colour):
    out = []
    for k in range(3):
        a = math.radians(k * 60)
        dx, dy = r * math.cos(a), r * math.sin(a)
        out.append(Stroke("M%.1f,%.1f L%.1f,%.1f" % (x - dx, y - dy, x + dx, y + dy), colour, 2.2))
    out.append(Circle(x, y, r * 0.25, colour))
    return "".join(out)


def Note(x, y, colour):
    return (Ellipse(x, y, 5, 3.8, colour, None, extra='transform="rotate(-20 %.1f %.1f)"' % (x, y))
            + Stroke("M%.1f,%.1f L%.1f,%.1f L%.1f,%.1f" % (x + 4.3, y, x + 4.3, y - 16, x + 10, y - 12),
                     colour, 2))


def ClockFace(x, y, r, fill, line, hour=10, minute=10):
    """A small round clock: face, four hour marks and two hands."""
    out = [Circle(x, y, r, fill, line, max(1.0, r * 0.18))]
    for k in range(4):
        a = math.radians(k * 90)
        out.append(Circle(x + r * 0.72 * math.cos(a), y + r * 0.72 * math.sin(a), max(0.6, r * 0.09), line))
    for value, share, length in ((hour + minute / 60.0, 12.0, 0.45), (minute, 60.0, 0.68)):
        a = math.radians(value / share * 360.0 - 90)
        out.append(Stroke("M%.1f,%.1f L%.1f,%.1f" % (x, y, x + r * length * math.cos(a), y + r * length * math.sin(a)),
                          line, max(1.0, r * 0.16)))
    return "".join(out)


def Goldfish(x, y, s):
    return (Path("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Z"
                 % (x - s, y, x, y - s * 0.8, x + s, y, x, y + s * 0.8, x - s, y), "#F2683C", "#B8402A", 1.1)
            + Path("M%.1f,%.1f l%.1f,%.1f l0,%.1f Z" % (x + s * 0.9, y, s * 0.7, -s * 0.6, s * 1.2),
                   "#F2683C", "#B8402A", 1.1)
            + Circle(x - s * 0.45, y - s * 0.1, s * 0.14, "#3A2020"))


def Firework(x, y, r, colour):
    out = []
    for k in range(12):
        a = math.radians(k * 30)
        out.append(Stroke("M%.1f,%.1f L%.1f,%.1f" % (x + r * 0.35 * math.cos(a), y + r * 0.35 * math.sin(a),
                                                   x + r * math.cos(a), y + r * math.sin(a)), colour, 2.4))
        out.append(Circle(x + r * 1.15 * math.cos(a), y + r * 1.15 * math.sin(a), 1.8, colour))
    return "".join(out)


def Bat(x, y, s, fill):
    d = ("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f "
         "Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Z"
         % (x, y - s * 0.3, x - s * 0.8, y - s * 1.0, x - s * 2, y - s * 0.3,
            x - s * 1.4, y + s * 0.1, x - s * 1.2, y + s * 0.5,
            x - s * 0.5, y + s * 0.1, x, y + s * 0.5,
            x + s * 0.5, y + s * 0.1, x + s * 1.2, y + s * 0.5,
            x + s * 1.4, y + s * 0.1, x + s * 2, y - s * 0.3,
            x + s * 0.8, y - s * 1.0, x, y - s * 0.3))
    return Path(d, fill, "#FFFFFF", 1.2)


def Pumpkin(x, y, s, line):
    return (Ellipse(x - s * 0.45, y, s * 0.6, s * 0.8, "#F08A24", line, 1.5)
            + Ellipse(x + s * 0.45, y, s * 0.6, s * 0.8, "#F08A24", line, 1.5)
            + Ellipse(x, y, s * 0.6, s * 0.85, "#FFA23A", line, 1.5)
            + Path("M%.1f,%.1f l2,-%.1f l3,1 l-2,%.1f Z" % (x - 1, y - s * 0.8, s * 0.5, s * 0.45),
                   "#5C8A3A", line, 1.2))


def Balloon(x, y, r, fill, line):
    return (Stroke("M%.1f,%.1f q-6,18 2,40" % (x, y + r * 1.15), line, 1.2)
            + Ellipse(x, y, r, r * 1.15, fill, line, 1.8)
            + Ellipse(x - r * 0.35, y - r * 0.45, r * 0.22, r * 0.32, "#FFFFFF", None,
                      extra='opacity="0.7"')
            + Path("M%.1f,%.1f l-3,5 h6 Z" % (x, y + r * 1.12), fill, line, 1.2))


def Sunflower(x, y, r, line):
    out = []
    for k in range(12):
        out.append('<ellipse cx="%.1f" cy="%.1f" rx="%.1f" ry="%.1f" fill="#FFCB2E" stroke="%s" '
                   'stroke-width="1.1" transform="rotate(%d %.1f %.1f)"/>'
                   % (x, y - r * 0.62, r * 0.2, r * 0.4, line, k * 30, x, y))
    out.append(Circle(x, y, r * 0.42, "#8A5A2B", line, 1.3))
    out.append(Circle(x - r * 0.12, y - r * 0.12, r * 0.14, "#A8743F"))
    return "".join(out)


# ---------------------------------------------------------------------------------------------
# Panels that carry the clock area. Each keeps the area x 30-120, y 182-262 plain.

def PanelBoard(p):
    out = [Path("M22,176 Q22,168 30,168 H124 Q132,168 132,176 V266 Q132,274 124,274 H30 "
                "Q22,274 22,266 Z", p["panel_edge"], p["line"], 2.4)]
    out.append(Path("M27,180 Q27,173 34,173 H120 Q127,173 127,180 V262 Q127,269 120,269 H34 "
                    "Q27,269 27,262 Z", p["panel"], None))
    for x, y in ((25, 171), (129, 171), (25, 271), (129, 271)):
        out.append(Circle(x, y, 2.4, p["panel"], p["line"], 1.2))
    return "".join(out)


def PanelBubble(p):
    d = ("M24,186 Q24,170 40,170 H118 Q134,170 134,186 V206 L170,186 L136,232 V256 "
         "Q136,272 120,272 H40 Q24,272 24,256 Z")
    return (Path(d, p["panel"], p["panel_edge"], 3.2)
            + Circle(146, 178, 4, p["panel"], p["panel_edge"], 2)
            + Circle(158, 164, 2.6, p["panel"], p["panel_edge"], 1.6))


def PanelScroll(p):
    out = []
    out.append(Path("M26,176 H126 V268 H26 Z", p["panel"], p["panel_edge"], 2.4))
    for y in (172, 272):
        out.append(Path("M18,%d Q18,%d 26,%d H126 Q134,%d 134,%d Q134,%d 126,%d H26 Q18,%d 18,%d Z"
                        % (y, y - 7, y - 7, y - 7, y, y + 7, y + 7, y + 7, y),
                        p["panel_roll"], p["line"], 2.2))
        out.append(Ellipse(18, y, 3, 7, p["panel_edge"], p["line"], 1.6))
        out.append(Ellipse(134, y, 3, 7, p["panel_edge"], p["line"], 1.6))
    return "".join(out)


def PanelStand(p):
    wood, dark = "#C98F55", p["line"]
    out = [Path("M70,270 h14 v60 h-14 Z", wood, dark, 2.2),
           Path("M52,318 h50 v8 h-50 Z", wood, dark, 2.0)]
    out.append(Path("M20,178 Q20,166 32,166 H122 Q134,166 134,178 V264 Q134,276 122,276 H32 "
                    "Q20,276 20,264 Z", p["panel_edge"], dark, 2.4))
    out.append(Path("M26,182 Q26,172 36,172 H118 Q128,172 128,182 V260 Q128,270 118,270 H36 "
                    "Q26,270 26,260 Z", p["panel"], None))
    return "".join(out)


PANELS = {"board": PanelBoard, "bubble": PanelBubble, "scroll": PanelScroll, "stand": PanelStand}


# ---------------------------------------------------------------------------------------------
# Hair behind the head.

# The ponytail's lock: tied high at the back of the head, swinging out to the viewer's right and
# down behind the shoulder, ending in two points. Under a hat it starts lower, below the brim.
PONYTAIL = ("M X(18),48 C X(54),14 X(96),32 X(92),86 C X(89),126 X(78),160 X(92),204 "
            "Q X(80),198 X(76),206 L X(70),222 C X(56),198 X(58),168 X(62),140 "
            "C X(66),110 X(62),82 X(34),66 Z")
PONYTAIL_LOW = ("M X(40),66 C X(68),56 X(96),74 X(92),110 C X(89),140 X(80),168 X(92),206 "
                "Q X(80),200 X(76),208 L X(70),224 C X(56),200 X(58),172 X(62),146 "
                "C X(64),118 X(60),96 X(44),84 Z")


def BackPonytail(p, cx, low=False):
    """Short back hair that ends at the nape, and the ponytail beside it."""
    out = [Path(Fmt("M X(-58),96 C X(-64),128 X(-60),156 X(-48),170 C X(-26),176 X(26),176 "
                    "X(48),170 C X(60),156 X(64),128 X(58),96 Z", cx), p["hair_shade"], p["line"])]
    out.append(Path(Fmt(PONYTAIL_LOW if low else PONYTAIL, cx), p["hair"], p["line"]))
    top = 88 if low else 64
    out.append(Stroke(Fmt("M X(72),%d C X(84),%d X(72),150 X(80),190" % (top + 10, top + 44), cx),
                      p["hair_shade"], 3))
    out.append(Stroke(Fmt("M X(66),%d C X(74),%d X(66),160 X(70),196" % (top + 30, top + 64), cx),
                      p["hair_shade"], 2))
    if not low:
        out.append(Stroke(Fmt("M X(44),34 C X(62),24 X(80),32 X(86),52", cx), p["hair_hi"], 3.4,
                          'opacity="0.85"'))
    out.append(Stroke(Fmt("M X(88),%d C X(86),%d X(82),128 X(82),140" % (top + 26, top + 40), cx),
                      p["hair_hi"], 2.6, 'opacity="0.7"'))
    return "".join(out)


def BackBob(p, cx):
    return Path(Fmt("M X(-60),96 C X(-66),130 X(-64),160 X(-56),176 C X(-30),182 X(30),182 "
                    "X(56),176 C X(64),160 X(66),130 X(60),96 Z", cx), p["hair_shade"], p["line"])


def BackLong(p, cx):
    return (Path(Fmt("M X(-58),90 C X(-72),150 X(-74),220 X(-70),284 Q X(-50),278 X(-40),290 "
                     "Q X(-20),276 X(0),288 Q X(20),276 X(40),290 Q X(50),278 X(70),284 "
                     "C X(74),220 X(72),150 X(58),90 Z", cx), p["hair_shade"], p["line"]))


def BackBuns(p, cx):
    out = [Path(Fmt("M X(-58),96 C X(-66),130 X(-66),170 X(-58),196 Q X(-40),190 X(-30),198 "
                    "L X(30),198 Q X(40),190 X(58),196 C X(66),170 X(66),130 X(58),96 Z", cx),
                p["hair_shade"], p["line"])]
    for s in (-1, 1):
        out.append(Circle(cx + s * 44, 52, 24, p["hair"], p["line"]))
        out.append(Stroke("M%.1f,%.1f q%d,-10 %d,-4" % (cx + s * 34, 40, s * 10, s * 20), p["hair_hi"], 3))
        # A layering arc and a small bow make the round shapes read as buns, not ears.
        bx = cx + s * 48
        out.append(Stroke("M%.1f,52 A12,12 0 0 1 %.1f,52" % (bx - 12, bx + 12), p["hair_shade"], 2))
        out.append(Ribbon(cx + s * 64, 68, 7, p["accent"], p["line"], s * 30))
    return "".join(out)


def HoodBack(p, cx):
    ears = "".join(Path(Fmt(d, cx), p["outfit"], p["line"]) + Path(Fmt(e, cx), p["outfit2"], None)
                   for d, e in (("M X(-56),70 L X(-66),10 L X(-22),44 Z", "M X(-54),60 L X(-60),24 L X(-32),46 Z"),
                                ("M X(56),70 L X(66),10 L X(22),44 Z", "M X(54),60 L X(60),24 L X(32),46 Z")))
    hood = Path(Fmt("M X(-70),120 C X(-76),60 X(-40),32 X(0),32 C X(40),32 X(76),60 X(70),120 "
                    "C X(70),160 X(60),184 X(40),190 L X(-40),190 C X(-60),184 X(-70),160 X(-70),120 Z", cx),
                p["outfit"], p["line"])
    return ears + hood


# ---------------------------------------------------------------------------------------------
# Body: one A-line torso shared by all outfits, details per kind.

# The jacket of the blazer and the band uniform: the torso down to a hem at the hips.
BLAZER = ("M X(-26),172 Q X(-40),174 X(-44),194 L X(-51),264 Q X(0),272 X(51),264 L X(44),194 "
          "Q X(40),174 X(26),172 Z")
TORSO = ("M X(-26),172 Q X(-40),174 X(-44),194 L X(-50),250 Q X(-66),300 X(-74),330 L X(74),330 "
         "Q X(66),300 X(50),250 L X(44),194 Q X(40),174 X(26),172 Z")
SKIRT = "M X(-50),246 Q X(-68),300 X(-78),330 L X(78),330 Q X(68),300 X(50),246 Z"


def Body(p, cx, kind):
    line = p["line"]
    out = [Path(Fmt("M X(-9),150 h18 v28 h-18 Z", cx), p["skin_shade"], line, 2)]
    if kind == "sailor":
        out.append(Path(Fmt(TORSO, cx), p["outfit2"], line))
        out.append(Path(Fmt(SKIRT, cx), p["outfit"], line))
        for dx in (-44, -22, 0, 22, 44):
            out.append(Stroke(Fmt("M X(%d),252 L X(%d),330" % (dx * 0.95, dx * 1.5), cx), p["outfit_shade"], 2))
        out.append(Path(Fmt("M X(-30),172 L X(-48),206 L X(-14),206 L X(0),196 L X(14),206 L X(48),206 "
                            "L X(30),172 L X(0),200 Z", cx), p["outfit"], line))
        out.append(Stroke(Fmt("M X(-40),202 L X(-18),202 M X(18),202 L X(40),202", cx), p["outfit2"], 2))
        out.append(Path(Fmt("M X(0),204 L X(-16),196 L X(-16),214 Z M X(0),204 L X(16),196 L X(16),214 Z", cx),
                        p["accent"], line, 1.8))
        out.append(Path(Fmt("M X(0),204 l -6,22 l 6,-5 l 6,5 Z", cx), p["accent"], line, 1.6))
        out.append(Circle(cx, 204, 4, p["accent"], line, 1.6))
    elif kind == "blazer":
        out.append(Path(Fmt(TORSO, cx), p["outfit2"], line))
        out.append(Path(Fmt(SKIRT, cx), p["skirt"], line))
        for dx in (-44, -22, 0, 22, 44):
            out.append(Stroke(Fmt("M X(%d),262 L X(%d),330" % (dx * 0.95, dx * 1.5), cx), p["skirt_shade"], 2))
        # A tartan: two light bands across the pleats.
        out.append(Stroke(Fmt("M X(-59),282 L X(59),282 M X(-68),308 L X(68),308", cx), p["skirt_line"], 2.6))
        out.append(Path(Fmt(BLAZER, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-16),174 L X(0),224 L X(16),174 Z", cx), p["outfit2"], line, 1.8))
        for s_ in (-1, 1):
            out.append(Path(Fmt("M X(%d),174 L X(%d),177 L X(%d),200 L X(%d),198 L X(0),224 Z"
                                % (s_ * 16, s_ * 27, s_ * 21, s_ * 13), cx), p["outfit_shade"], line, 1.8))
            out.append(Stroke(Fmt("M X(%d),246 L X(%d),246" % (s_ * 42, s_ * 24), cx), p["outfit_shade"], 2.4))
        out.append(Path(Fmt("M X(-6),176 L X(6),176 L X(4),184 L X(-4),184 Z", cx), p["accent_shade"], line, 1.4))
        out.append(Path(Fmt("M X(-4),184 L X(4),184 L X(7),208 L X(0),216 L X(-7),208 Z", cx), p["accent"], line, 1.6))
        out.append(Stroke(Fmt("M X(0),224 L X(0),266", cx), p["outfit_shade"], 2))
        for y in (236, 254):
            out.append(Circle(cx + 6, y, 3.2, p["button"], line, 1.3))
        out.append(ClockFace(cx - 27, 212, 6, p["button"], line))
    elif kind == "band":
        out.append(Path(Fmt(SKIRT, cx), p["outfit2"], line))
        for dx in (-44, -22, 0, 22, 44):
            out.append(Stroke(Fmt("M X(%d),262 L X(%d),330" % (dx * 0.95, dx * 1.5), cx), p["outfit2_shade"], 2))
        out.append(Path(Fmt(TORSO, cx), p["outfit"], line))
        out.append(Path(Fmt(BLAZER, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-18),172 L X(18),172 L X(16),184 L X(-16),184 Z", cx), p["accent"], line, 1.8))
        out.append(Stroke(Fmt("M X(0),184 L X(0),266", cx), p["outfit_shade"], 2))
        # Braided frogging across the chest, each cord ending in a knot.
        for y in (200, 216, 232, 248):
            out.append(Stroke(Fmt("M X(-20),%d L X(20),%d" % (y, y), cx), p["line"], 5))
            out.append(Stroke(Fmt("M X(-20),%d L X(20),%d" % (y, y), cx), p["accent"], 2.8))
            for dx in (-22, 22):
                out.append(Circle(cx + dx, y, 3, p["accent"], line, 1.2))
        out.append(Path(Fmt("M X(-51),258 Q X(0),268 X(51),258 L X(52),268 Q X(0),278 X(-52),268 Z", cx),
                        p["accent"], line, 1.8))
    elif kind == "coat":
        out.append(Path(Fmt(TORSO, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-74),318 Q X(0),332 X(74),318 L X(77),330 L X(-77),330 Z", cx), p["outfit2"], line, 2))
        out.append(Stroke(Fmt("M X(0),196 L X(0),318", cx), p["outfit_shade"], 2))
        for y in (214, 242, 270):
            out.append(Circle(cx - 10, y, 3.4, p["accent"], line, 1.4))
            out.append(Circle(cx + 10, y, 3.4, p["accent"], line, 1.4))
        out.append(Path(Fmt("M X(-34),178 Q X(0),204 X(34),178 Q X(40),196 X(22),204 Q X(0),214 X(-22),204 "
                            "Q X(-40),196 X(-34),178 Z", cx), p["outfit2"], line, 2))
    elif kind == "duffle":
        out.append(Path(Fmt(TORSO, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-40),186 Q X(0),200 X(40),186 L X(43),204 Q X(0),218 X(-43),204 Z", cx),
                        p["outfit_shade"], line, 1.8))
        out.append(Stroke(Fmt("M X(0),212 L X(0),328", cx), p["outfit_shade"], 2))
        for y in (226, 254, 282):
            out.append(Stroke(Fmt("M X(-17),%d L X(17),%d" % (y, y), cx), p["line"], 1.8))
            out.append(Path(Fmt("M X(-9),%.1f L X(9),%.1f Q X(12),%d X(9),%.1f L X(-9),%.1f Q X(-12),%d X(-9),%.1f Z"
                                % (y - 3, y - 3, y, y + 3, y + 3, y, y - 3), cx), p["outfit2"], line, 1.5))
        for s_ in (-1, 1):
            out.append(Path(Fmt("M X(%d),270 L X(%d),270 L X(%d),296 L X(%d),296 Z"
                                % (s_ * 22, s_ * 48, s_ * 52, s_ * 24), cx), p["outfit_shade"], line, 1.8))
    elif kind == "yukata":
        out.append(Path(Fmt(TORSO, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-20),172 L X(12),232 L X(20),232 L X(-8),172 Z", cx), p["outfit2"], line, 1.8))
        out.append(Path(Fmt("M X(20),172 L X(-4),222 L X(8),232 L X(30),176 Z", cx), p["outfit"], line, 1.8))
        for (dx, y) in ((-30, 270), (28, 288), (-10, 306), (40, 250), (-44, 300)):
            out.append(Flower(cx + dx, y, 9, p["outfit2"], p["accent"], None))
        out.append(Path(Fmt("M X(-47),226 L X(47),226 L X(49),252 L X(-49),252 Z", cx), p["accent"], line, 2))
        out.append(Path(Fmt("M X(24),236 l 22,-10 l -2,28 Z", cx), p["accent_shade"], line, 1.6))
    elif kind == "hoodie":
        out.append(Path(Fmt(TORSO, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-30),254 Q X(0),246 X(30),254 L X(34),290 Q X(0),296 X(-34),290 Z", cx),
                        p["outfit_shade"], line, 1.8))
        out.append(Heart(cx, 272, 8, p["outfit2"], line))
        out.append(Stroke(Fmt("M X(-10),184 L X(-12),214 M X(10),184 L X(12),214", cx), p["outfit2"], 2.6))
        out.append(Circle(cx - 12, 216, 3, p["outfit2"], line, 1.2))
        out.append(Circle(cx + 12, 216, 3, p["outfit2"], line, 1.2))
        out.append(Path(Fmt("M X(-74),316 Q X(0),330 X(74),316 L X(76),330 L X(-76),330 Z", cx), p["outfit_shade"], line, 1.8))
    elif kind == "robe":
        out.append(Path(Fmt(TORSO, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-30),172 Q X(-66),196 X(-62),238 Q X(-30),226 X(0),236 Q X(30),226 X(62),238 "
                            "Q X(66),196 X(30),172 Z", cx), p["outfit_shade"], line))
        out.append(Stroke(Fmt("M X(-58),232 Q X(-30),220 X(0),230 Q X(30),220 X(58),232", cx), p["accent"], 2.4))
        out.append(Path(Fmt("M X(0),184 l 8,8 l -8,8 l -8,-8 Z", cx), p["accent"], line, 1.6))
        out.append(Stroke(Fmt("M X(-70),318 Q X(0),330 X(70),318", cx), p["accent"], 2.4))
        for (dx, y) in ((-30, 280), (26, 298), (40, 262), (-14, 312)):
            out.append(Star(cx + dx, y, 4.5, p["accent"], None))
    elif kind == "dress":
        out.append(Path(Fmt(TORSO, cx), p["outfit"], line))
        out.append(Path(Fmt("M X(-28),214 Q X(0),220 X(28),214 L X(40),316 Q X(0),326 X(-40),316 Z", cx),
                        p["outfit2"], line, 2))
        out.append(Stroke(Fmt("M X(-36),296 Q X(0),306 X(36),296", cx), p["accent"], 2))
        out.append(Path(Fmt("M X(-18),174 Q X(0),188 X(18),174 L X(14),182 Q X(0),194 X(-14),182 Z", cx),
                        p["outfit2"], line, 1.6))
        out.append(Path(Fmt("M X(0),200 L X(-14),192 L X(-14),208 Z M X(0),200 L X(14),192 L X(14),208 Z", cx),
                        p["accent"], line, 1.6))
        out.append(Circle(cx, 200, 3.4, p["accent"], line, 1.4))
    elif kind == "sweater":
        out.append(Path(Fmt(TORSO, cx), p["outfit2"], line))
        out.append(Path(Fmt("M X(-26),172 Q X(-40),174 X(-44),194 L X(-50),262 Q X(0),272 X(50),262 "
                            "L X(44),194 Q X(40),174 X(26),172 Z", cx), p["outfit"], line))
        for dx in (-32, -16, 0, 16, 32):
            out.append(Stroke(Fmt("M X(%d),200 L X(%d),258" % (dx * 0.9, dx), cx), p["outfit_shade"], 2))
        out.append(Path(Fmt("M X(-50),258 Q X(0),272 X(50),258 L X(51),266 Q X(0),280 X(-51),266 Z", cx),
                        p["outfit_shade"], line, 1.8))
        out.append(Path(Fmt("M X(-20),172 Q X(0),186 X(20),172 L X(20),180 Q X(0),194 X(-20),180 Z", cx),
                        p["outfit_shade"], line, 1.8))
    return "".join(out)


def HeldItem(p, item, hx, hy):
    """Something in the hand, drawn between the sleeve and the hand so the fingers close over it."""
    line = p["line"]
    if item == "wand":
        return (Stroke("M%.1f,%.1f L%.1f,%.1f" % (hx - 5, hy + 12, hx + 14, hy - 36), line, 6)
                + Stroke("M%.1f,%.1f L%.1f,%.1f" % (hx - 5, hy + 12, hx + 14, hy - 36), "#A8744A", 3.4)
                + Star(hx + 15, hy - 40, 10, p["accent"], line, 1.8)
                + Sparkle(hx + 30, hy - 52, 5, p["accent"]) + Sparkle(hx + 2, hy - 56, 4, p["accent"]))
    if item == "baton":
        d = "M%.1f,%.1f L%.1f,%.1f" % (hx - 8, hy + 16, hx + 20, hy - 44)
        return (Stroke(d, line, 6.5) + Stroke(d, "#EEF0F6", 3.6)
                + Circle(hx + 21, hy - 46, 5.5, p["accent"], line, 1.6)
                + Circle(hx - 9, hy + 18, 4.5, p["accent"], line, 1.6)
                + Sparkle(hx + 34, hy - 56, 5, p["accent"]))
    if item == "watch":
        # A pocket watch on its chain, held up by the chain's end.
        return (Stroke("M%.1f,%.1f q12,-6 10,-22" % (hx + 2, hy - 4), p["button"], 2.4)
                + Circle(hx + 12, hy - 44, 15, p["button"], line, 2.2)
                + Circle(hx + 12, hy - 62, 3.6, "none", line, 1.8)
                + ClockFace(hx + 12, hy - 44, 11, "#FFFDF6", line))
    if item == "goldfish":
        # A festival bag of water with a goldfish, shown on the palm, tied with a red cord.
        bx = hx + 4
        bag = ("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Z"
               % (bx - 8, hy - 60, bx - 34, hy - 28, bx, hy - 6, bx + 34, hy - 28, bx + 8, hy - 60,
                  bx, hy - 65, bx - 8, hy - 60))
        return (Path(bag, "#EAF8FF", None)
                + '<clipPath id="bagclip"><path d="%s"/></clipPath>' % bag
                + '<rect x="%.1f" y="%.1f" width="70" height="40" fill="#8FD0F2" opacity="0.85" '
                  'clip-path="url(#bagclip)"/>' % (bx - 35, hy - 38)
                + Path(bag, "none", line, 2)
                + Goldfish(bx + 1, hy - 22, 10)
                + Ellipse(bx - 14, hy - 44, 2.5, 6, "#FFFFFF", None, 'opacity="0.8"')
                + Stroke("M%.1f,%.1f l16,0" % (bx - 8, hy - 60), "#E0524F", 3.4)
                + Stroke("M%.1f,%.1f q10,-14 20,-4" % (bx - 3, hy - 62), "#E0524F", 2))
    if item == "fan":
        return (Stroke("M%.1f,%.1f L%.1f,%.1f" % (hx, hy + 8, hx + 6, hy - 18), line, 5.5)
                + Stroke("M%.1f,%.1f L%.1f,%.1f" % (hx, hy + 8, hx + 6, hy - 18), "#C98F55", 3)
                + Circle(hx + 8, hy - 34, 17, "#FFFFFF", line, 2.2)
                + Circle(hx + 8, hy - 34, 12, "#FFB3C7", None)
                + Flower(hx + 8, hy - 34, 11, "#FFFFFF", p["accent"], None))
    if item == "book":
        return (Path("M%.1f,%.1f l34,-6 l4,30 l-34,6 Z" % (hx - 30, hy - 16), "#6B8FD6", line, 2)
                + Stroke("M%.1f,%.1f l30,-5" % (hx - 27, hy - 10), "#FFFFFF", 2)
                + Stroke("M%.1f,%.1f l30,-5" % (hx - 26, hy - 4), "#FFFFFF", 2))
    if item == "lollipop":
        return (Stroke("M%.1f,%.1f L%.1f,%.1f" % (hx, hy + 6, hx + 4, hy - 26), line, 4.5)
                + Stroke("M%.1f,%.1f L%.1f,%.1f" % (hx, hy + 6, hx + 4, hy - 26), "#FFFFFF", 2.4)
                + Circle(hx + 5, hy - 36, 12, "#FF8C1A", line, 2)
                + Stroke("M%.1f,%.1f a5,5 0 1 1 5,5 a9,9 0 0 1 -9,-9" % (hx + 3, hy - 36), "#FFF1DC", 2.2))
    return ""


def Arm(p, cx, side, pose, hand, item=""):
    """side -1 is the arm on the viewer's left (towards the panel). pose 'hold' reaches the
    panel's right edge, 'down' rests at the hip, 'wave' is raised beside the head, 'chest'
    rests on the chest. Returns the sleeve and, separately, the hand with what it holds, so
    that a raised hand can be drawn in front of the hair."""
    sx, sy = cx + side * 38, 186
    if pose == "hold":
        hx, hy = hand
        d = "M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f" % (sx, sy, sx - 6, hy + 4, hx + 10, hy + 2)
    elif pose == "wave":
        hx, hy = sx + side * 30, 142
        d = "M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f" % (sx, sy, sx + side * 30, sy - 2, hx, hy + 8)
    elif pose == "chest":
        hx, hy = cx + side * 8, 226
        d = "M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f" % (sx, sy, sx + side * 10, 236, hx + side * 6, hy)
    else:
        hx, hy = sx + side * 10, 252
        d = "M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f" % (sx, sy, sx + side * 10, 222, hx, hy - 6)
    sleeve = Stroke(d, p["line"], 19) + Stroke(d, p["sleeve"], 14.5)
    return sleeve, HeldItem(p, item, hx, hy) + Circle(hx, hy, 8, p["skin"], p["line"], 2)


# ---------------------------------------------------------------------------------------------
# Head and face.

FACE = ("M X(-50),100 C X(-52),140 X(-30),166 X(0),168 C X(30),166 X(52),140 X(50),100 "
        "C X(48),60 X(-48),60 X(-50),100 Z")


def Head(p, cx):
    return Path(Fmt(FACE, cx), p["skin"], p["line"])


def Eye(p, x, y, kind, side):
    line = p["line"]
    if kind == "closed":
        return Stroke("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f" % (x - 10, y + 2, x, y - 9, x + 10, y + 2), line, 3.2)
    if kind == "wink" and side > 0:
        return Stroke("M%.1f,%.1f L%.1f,%.1f L%.1f,%.1f" % (x - 9, y - 6, x + 7, y, x - 9, y + 5), line, 3)
    out = [Ellipse(x, y + 1, 9.5, 12.5, "#FFFFFF", None),
           Ellipse(x, y + 2, 8, 11, p["eye"], None),
           Ellipse(x, y - 2, 8, 7, p["eye_dark"], None, extra='opacity="0.55"'),
           Ellipse(x, y + 3, 4, 6, p["eye_dark"], None),
           Ellipse(x, y + 8, 5, 2.6, p["eye_light"], None, extra='opacity="0.85"'),
           Circle(x - 3 * side - 1, y - 3, 3.2, "#FFFFFF"),
           Circle(x + 3, y + 5, 1.5, "#FFFFFF"),
           Stroke("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f" % (x - 11, y - 7, x, y - 15, x + 11, y - 8), line, 3.4),
           Stroke("M%.1f,%.1f l%.1f,-3" % (x + side * 10.5, y - 8 + (1 if side < 0 else 0), side * 4), line, 2.4)]
    return "".join(out)


def Face(p, cx, eyes, mouth):
    out = []
    for side in (-1, 1):
        out.append(Ellipse(cx + side * 32, 140, 8, 4.5, p["blush"], None, extra='opacity="0.55"'))
        out.append(Eye(p, cx + side * 20, 124, eyes, side))
        out.append(Stroke("M%.1f,%.1f q%d,-4 %d,-1" % (cx + side * 13, 104, side * 7, side * 14), p["hair_shade"], 2))
    if mouth == "open":
        out.append(Path("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f Z" % (cx - 6, 145, cx, 156, cx + 6, 145),
                        "#D9546A", p["line"], 1.8))
        out.append(Path("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f Q%.1f,%.1f %.1f,%.1f Z"
                        % (cx - 3, 151.5, cx, 149, cx + 3, 151.5, cx, 154, cx - 3, 151.5), "#FF98A8", None))
    elif mouth == "cat":
        out.append(Stroke("M%.1f,%.1f q3,4 6,0 q3,4 6,0" % (cx - 6, 146), p["line"], 2))
    else:
        out.append(Stroke("M%.1f,%.1f Q%.1f,%.1f %.1f,%.1f" % (cx - 6, 146, cx, 151, cx + 6, 146), p["line"], 2))
    return "".join(out)


def Bangs(p, cx, locks):
    """Front hair with a zigzag fringe; `locks` is how far the side locks hang (y of their tips)."""
    d = Fmt("M X(-54),%d C X(-64),120 X(-66),70 X(-40),50 C X(-20),34 X(20),34 X(40),50 "
            "C X(66),70 X(64),120 X(54),%d Q X(48),130 X(44),110 Q X(40),100 X(40),90 "
            "Q X(34),100 X(26),106 Q X(24),92 X(20),82 Q X(12),98 X(2),104 Q X(0),90 X(-4),80 "
            "Q X(-12),98 X(-22),104 Q X(-22),92 X(-24),84 Q X(-32),100 X(-40),104 Q X(-42),96 X(-40),90 "
            "Q X(-44),110 X(-48),128 Z" % (locks, locks), cx)
    # The fringe casts a soft cel shadow on the forehead: the same outline moved down, kept
    # inside the face.
    out = ['<clipPath id="faceclip"><path d="%s"/></clipPath>' % Fmt(FACE, cx),
           '<g clip-path="url(#faceclip)"><path d="%s" transform="translate(0,6)" fill="%s"/></g>'
           % (d, p["skin_shade"]),
           Path(d, p["hair"], p["line"])]
    out.append(Stroke(Fmt("M X(-32),56 Q X(0),42 X(32),56", cx), p["hair_hi"], 5, 'opacity="0.8"'))
    out.append(Stroke(Fmt("M X(-50),100 Q X(-54),120 X(-50),%d M X(50),100 Q X(54),120 X(50),%d"
                          % (locks - 16, locks - 16), cx), p["hair_shade"], 2.2))
    return "".join(out)


# ---------------------------------------------------------------------------------------------
# Head accessories.

def Ribbon(x, y, s, fill, line, angle=0):
    d = ("M0,0 L%.1f,%.1f Q%.1f,0 %.1f,%.1f Z M0,0 L%.1f,%.1f Q%.1f,0 %.1f,%.1f Z"
         % (-s, -s * 0.7, -s * 1.2, -s, s * 0.7, s, -s * 0.7, s * 1.2, s, s * 0.7))
    return '<g transform="translate(%.1f,%.1f) rotate(%d)">%s%s</g>' % (
        x, y, angle, Path(d, fill, line, 1.8), Circle(0, 0, s * 0.3, fill, line, 1.6))


def WitchHat(p, cx, band, tilt=-8):
    hat = ('<g transform="rotate(%d %.1f 60)">' % (tilt, cx)
           + Path(Fmt("M X(-30),52 C X(-20),34 X(-4),12 X(24),4 C X(14),18 X(20),34 X(30),52 Z", cx),
                  p["hat"], p["line"])
           + Path(Fmt("M X(-26),44 Q X(0),50 X(26),44 L X(29),52 Q X(0),58 X(-29),52 Z", cx), band, p["line"], 1.8)
           + Ellipse(cx, 56, 76, 12, p["hat"], p["line"])
           + Stroke(Fmt("M X(-60),58 Q X(0),70 X(60),58", cx), p["hat_shade"], 2.4)
           + Star(cx + 20, 42, 6, p["accent"], p["line"], 1.2)
           + "</g>")
    return hat


def Beanie(p, cx):
    """A knitted hat pulled over the head, ribbed at the brim, with a pompom."""
    out = [Path(Fmt("M X(-52),76 C X(-58),24 X(58),24 X(52),76 Z", cx), p["hat"], p["line"])]
    for dx in (-30, -10, 10, 30):
        out.append(Stroke(Fmt("M X(%d),40 Q X(%d),56 X(%d),70" % (dx * 0.6, dx * 0.9, dx), cx), p["hat_shade"], 2))
    out.append(Path(Fmt("M X(-56),66 Q X(0),56 X(56),66 L X(56),82 Q X(0),72 X(-56),82 Z", cx),
                    p["hat_shade"], p["line"], 2))
    for dx in range(-48, 52, 8):
        out.append(Stroke(Fmt("M X(%d),%.1f l 0,11" % (dx, 63 + abs(dx) * 0.05), cx), p["hat"], 1.6))
    out.append(Circle(cx, 26, 12, p["pompom"], p["line"], 2))
    out.append(Stroke("M%.1f,22 q4,-4 8,-1" % (cx - 6), p["line"], 1.2, 'opacity="0.4"'))
    return "".join(out)


def Shako(p, cx):
    """A marching band's tall hat with a visor, a gold plate and a plume."""
    out = ['<g transform="rotate(5 %.1f 60)">' % cx]
    out.append(Path(Fmt("M X(-10),20 C X(-17),8 X(-5),1 X(1),7 C X(7),0 X(20),6 X(10),20 Z", cx),
                    p["plume"], p["line"], 1.8))
    out.append(Path(Fmt("M X(-31),62 L X(-27),20 Q X(0),13 X(27),20 L X(31),62 Q X(0),69 X(-31),62 Z", cx),
                    p["outfit"], p["line"]))
    out.append(Ellipse(cx, 20, 27, 6, p["outfit_shade"], p["line"], 1.8))
    out.append(Path(Fmt("M X(-31),52 Q X(0),59 X(31),52 L X(31),62 Q X(0),69 X(-31),62 Z", cx),
                    p["accent"], p["line"], 1.6))
    out.append(Path(Fmt("M X(-32),62 Q X(0),71 X(32),62 Q X(28),73 X(0),76 Q X(-28),73 X(-32),62 Z", cx),
                    p["line"], p["line"], 1.2))
    out.append(Star(cx, 37, 10, p["accent"], p["line"], 1.4))
    out.append("</g>")
    return "".join(out)


def Beret(p, cx, fill):
    return (Path(Fmt("M X(-48),58 C X(-50),28 X(40),18 X(56),44 C X(60),56 X(20),60 X(-48),58 Z", cx),
                 fill, p["line"])
            + Stroke(Fmt("M X(4),24 l 2,-8", cx), p["line"], 3))


def PartyHat(p, cx, fill, dots):
    return (Path(Fmt("M X(-16),44 L X(4),9 L X(18),40 Z", cx), fill, p["line"])
            + Circle(cx + 4, 9, 5, dots, p["line"], 1.6)
            + Circle(cx - 4, 34, 2.6, dots) + Circle(cx + 8, 27, 2.6, dots) + Circle(cx + 3, 19, 2, dots))


def Scarf(p, cx, fill, stripe):
    return (Path(Fmt("M X(-30),164 Q X(0),182 X(30),164 L X(34),180 Q X(0),198 X(-34),180 Z", cx), fill, p["line"])
            + Path(Fmt("M X(16),184 L X(30),228 L X(12),230 L X(4),188 Z", cx), fill, p["line"])
            + Stroke(Fmt("M X(8),206 L X(24),204 M X(11),218 L X(27),216", cx), stripe, 2.4))
