"""The clock face on screen, pixel by pixel: the built-in skin's picture with the date and time
glyphs of its digit sheet, composed by the test from the same images, for fixed times."""
import os
import subprocess
import tempfile

import harness
from harness import ROOT, wait_until

IMAGES = os.path.join(ROOT, "resources", "images")
KPZ_DECODE = os.path.join(ROOT, "build", "native", "tools", "kpz", "kpz-decode")
CLOCK_AT = (320, 240)


class Image:
    """A decoded KPZ image as straight-alpha RGBA rows."""

    def __init__(self, name):
        with tempfile.TemporaryDirectory() as tmp:
            png = os.path.join(tmp, "image.png")
            subprocess.run([KPZ_DECODE, os.path.join(IMAGES, name + ".kpz"), png], check=True, timeout=30)
            size = subprocess.run(["identify", "-format", "%w %h", png], check=True, capture_output=True,
                                  text=True, timeout=30).stdout.split()
            self.width, self.height = int(size[0]), int(size[1])
            raw = subprocess.run(["convert", png, "-depth", "8", "rgba:-"], check=True, capture_output=True,
                                 timeout=30).stdout
        self.px = [list(raw[i:i + 4]) for i in range(0, len(raw), 4)]

    def at(self, x, y):
        return self.px[y * self.width + x]


class Frame:
    """A 400 x 330 RGBA canvas composed the way the clock composes its frame."""

    def __init__(self):
        self.px = [[0, 0, 0, 0] for _ in range(400 * 330)]

    def at(self, x, y):
        return self.px[y * 400 + x]

    def put(self, image):
        for y in range(image.height):
            for x in range(image.width):
                self.px[y * 400 + x] = list(image.at(x, y))

    def blend(self, sheet, dx, dy, w, h, sx, sy):
        # The vector rule (every processor this runs on has MMX): alpha 0 keeps, 255 copies,
        # anything else mixes all four bytes; touched pixels end opaque.
        for y in range(h):
            for x in range(w):
                src = sheet.at(sx + x, sy + y)
                a = src[3]
                if a == 0:
                    continue
                dst = self.at(dx + x, dy + y)
                if a == 255:
                    dst[:] = src[:3] + [255]
                else:
                    dst[:] = [min(255, (d * (256 - a) >> 8) + (s * a >> 8)) for d, s in zip(dst, src)]
                    dst[3] = 255

    def premultiply(self):
        for p in self.px:
            p[0], p[1], p[2] = (p[0] * p[3]) >> 8, (p[1] * p[3]) >> 8, (p[2] * p[3]) >> 8


def glyphs(month, day, hour, minute, clock24, clock12, dx):
    """The glyph copies of a time: (dx, dy, w, h, sx, sy)."""
    out = []
    if not clock24:
        out.append((30, 212, 18, 12, 36, 346) if hour < 12 else (96, 212, 18, 12, 54, 346))
    out.append((30, 182, 34, 28, 25, 28 * (month - 1)))
    out.append((64, 182, 11, 28, 59, 28 * (day // 10)))
    out.append((75, 182, 11, 28, 59, 28 * (day % 10)))
    h = hour % (24 if clock24 else 12)
    if not clock24 and clock12 and h == 0:
        h = 12
    out += [(30, 226, 18, 28, 7, 28 * (h // 10)), (48, 226, 18, 28, 7, 28 * (h % 10)),
            (79, 226, 18, 28, 7, 28 * (minute // 10)), (97, 226, 18, 28, 7, 28 * (minute % 10))]
    return [(g[0] + dx,) + g[1:] for g in out]


def expected_clock_area(picture, sheet, when, clock24, clock12, dx=0):
    month, day, hour, minute = when
    frame = Frame()
    frame.put(picture)
    for y in (232, 242):
        frame.blend(sheet, 69 + dx, y, 6, 6, 17, 300)
    frame.premultiply()
    for g in glyphs(month, day, hour, minute, clock24, clock12, dx):
        frame.blend(sheet, *g)
    return frame


def check_face(h, name, time_text, when, cfg, picture, sheet, dx=0):
    screen = h.screen()
    screen.paint_background("#5B8DB8")
    clock = h.clock(screen, cfg=cfg, env={"TARVO_TEST_TIME": time_text}).start()
    clock.wait_event("LoadSkin done")
    clock.wait_event("DrawTime %02d:%02d" % (when[2], when[3]))
    expect = expected_clock_area(picture, sheet, when, cfg.get("Clock24", 0) == 1, cfg.get("Clock12", 1) == 1, dx)

    def matches():
        shot = screen.shot()
        bad = []
        for y in range(182, 262):
            for x in range(30 + dx, 120 + dx):
                want = expect.at(x, y)
                got = shot.pixel(CLOCK_AT[0] + x, CLOCK_AT[1] + y)
                if want[3] and any(abs(g - w) > 1 for g, w in zip(got, want[:3])):
                    bad.append(((x, y), got, tuple(want)))
        return shot if not bad else (matches.last.__setitem__(0, bad) or None)
    matches.last = [None]
    try:
        shot = wait_until(matches, 10, what=f"the face of {name}")
    except AssertionError:
        raise AssertionError(f"{name}: {len(matches.last[0])} pixels differ, first {matches.last[0][:5]}")
    shot.save(h.artifact(f"face-{name}.png"))
    clock.quit()


def test_faces_show_the_digit_sheet_glyphs_for_fixed_times(h):
    picture, sheet = Image("tarvo_1"), Image("tarvo_moji")
    check_face(h, "0005-24h", "2026-12-07 00:05:10", (12, 7, 0, 5), {"Clock24": 1}, picture, sheet)
    check_face(h, "0005-12h", "2026-12-07 00:05:10", (12, 7, 0, 5), {"Clock24": 0, "Clock12": 1}, picture, sheet)
    check_face(h, "1230-pm", "2026-12-07 12:30:10", (12, 7, 12, 30), {"Clock24": 0, "Clock12": 1}, picture, sheet)
    check_face(h, "0301", "2026-03-01 08:00:10", (3, 1, 8, 0), {"Clock24": 1}, picture, sheet)


def test_the_wide_skin_draws_its_face_25_pixels_right(h):
    check_face(h, "wide", "2026-12-07 09:41:10", (12, 7, 9, 41), {"BRAND": 0, "CHARA": 1, "Clock24": 1},
               Image("tarvo_2"), Image("tarvo_moji"), dx=25)


def test_transparency_and_fallback_shape_on_the_real_face(h):
    panel = (CLOCK_AT[0] + 40, CLOCK_AT[1] + 190)  # a plain spot of the clock panel
    outside = (CLOCK_AT[0] + 5, CLOCK_AT[1] + 5)   # transparent corner of the picture
    background = (0x3A, 0x6E, 0xA5)

    def run(cfg, env):
        screen = h.screen()
        screen.paint_background("#3A6EA5")
        clock = h.clock(screen, cfg=cfg, env=env).start()
        clock.wait_event("LoadSkin done")
        # The picture can reach the screen a moment before the time drawn over it: wait until two
        # screenshots in a row agree on the panel.
        last = [None]

        def settled():
            shot = screen.shot()
            value = shot.pixel(*panel)
            same = value != background and value == last[0]
            last[0] = value
            return shot if same else None
        shot = wait_until(settled, 10, step=0.5, what="the face")
        clock.quit()
        return shot

    opaque = run({}, {})
    assert opaque.pixel(*outside) == background, opaque.pixel(*outside)
    half = run({"AlphaUse": 1, "ALPHA": 128}, {})
    assert all(abs(hv - ov * 128 // 255) <= 2 for hv, ov in zip(half.pixel(*panel), opaque.pixel(*panel))), \
        (half.pixel(*panel), opaque.pixel(*panel))
    # Without layered windows the window is cut to the picture's visible pixels.
    shaped = run({"resemble": 0}, {"TARVO_TEST_NO_LAYERED": "1"})
    shaped.save(h.artifact("face-fallback.png"))
    assert shaped.pixel(*outside) == background
    assert all(abs(sv - ov) <= 1 for sv, ov in zip(shaped.pixel(*panel), opaque.pixel(*panel))), \
        (shaped.pixel(*panel), opaque.pixel(*panel))


if __name__ == "__main__":
    harness.run([test_faces_show_the_digit_sheet_glyphs_for_fixed_times,
                 test_the_wide_skin_draws_its_face_25_pixels_right,
                 test_transparency_and_fallback_shape_on_the_real_face])
