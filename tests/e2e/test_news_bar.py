"""The news bar pixel by pixel. With the ticker's millisecond tick held, the bar's 310 x 30 text
window on screen after k steps equals a bar this test composes itself: the skin's picture and
bar images beneath, and the queued titles drawn from the news font's own glyph bitmaps (printed
by `wintool glyphs`) with the shadow pass, the text pass and the slot positions of the ticker's
rules. The font Wine hands out is cross-checked against FreeType's rendering of IPA Gothic."""
import time

import harness
from harness import wait_until
from test_face import Image

CLOCK_AT = (320, 240)
# The text window in the face: (20, 291), 310 x 30 (the default skin has no bar offset).
WINDOW_X, WINDOW_Y, WINDOW_W, WINDOW_H = 20, 291, 310, 30
SURFACE_W = 1024
BACKGROUND = (0x5B, 0x8D, 0xB8)
IPA_GOTHIC = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"


def grey_table():
    return [g * 255 // 64 if g <= 64 else 255 for g in range(256)]


def news_font_glyphs(clock, text):
    """`wintool glyphs` for `text`: (font line fields, [glyph dicts with their grey rows])."""
    code, out = clock.wintool("glyphs", text)
    assert code == 0, (code, out)
    lines = out.splitlines()
    font = dict(part.split("=", 1) for part in lines[0].split(" ")[1:3])
    font["face"] = lines[0].split(" face=", 1)[1]
    glyphs = []
    at = 1
    while at < len(lines):
        fields = dict(part.split("=", 1) for part in lines[at].split(" ")[1:] if "=" in part)
        at += 1
        if lines[at - 1].endswith(" error"):
            glyphs.append({"code": int(fields["code"], 16), "error": True})
            break
        g = {"code": int(fields["code"], 16), "error": False,
             "box": tuple(int(v) for v in fields["box"].split(",")),
             "origin": tuple(int(v) for v in fields["origin"].split(",")),
             "advance": tuple(int(v) for v in fields["advance"].split(",")),
             "stride": int(fields["stride"]), "rows": int(fields["rows"])}
        g["grey"] = [bytes.fromhex(lines[at + r]) for r in range(g["rows"])]
        at += g["rows"]
        glyphs.append(g)
    return {"height": int(font["height"]), "ascent": int(font["ascent"]), "face": font["face"]}, glyphs


class TextSurface:
    """A ticker text surface: 1024 x 30 straight-alpha BGRA, cleared to zero."""

    def __init__(self):
        self.px = [[0, 0, 0, 0] for _ in range(SURFACE_W * WINDOW_H)]

    def at(self, x, y):
        return self.px[y * SURFACE_W + x]

    def blit(self, left, top, grey, width, rows, table):
        # Shadow: the box one pixel right and down, overwritten with black of the glyph's alpha.
        for r in range(rows):
            for c in range(width):
                x, y = left + c + 1, top + r + 1
                if 0 <= x < SURFACE_W and 0 <= y < WINDOW_H:
                    self.px[y * SURFACE_W + x] = [0, 0, 0, table[grey[r][c]]]
        # Text: white over it; 0 leaves, 255 or a clear pixel writes, anything else mixes.
        for r in range(rows):
            for c in range(width):
                x, y = left + c, top + r
                a = table[grey[r][c]]
                if a == 0 or not (0 <= x < SURFACE_W and 0 <= y < WINDOW_H):
                    continue
                p = self.px[y * SURFACE_W + x]
                if a == 255 or p[3] == 0:
                    p[:] = [255, 255, 255, a]
                else:
                    p[:3] = [(255 * a + v * (255 - a)) >> 8 for v in p[:3]]
                    p[3] = max(p[3], a)

    def render(self, font, glyphs):
        """Draws the glyphs from the top-left corner; returns the width, as the ticker does."""
        table = grey_table()
        x = 0
        for g in glyphs:
            if g["error"]:
                break
            if g["rows"]:
                self.blit(x + g["origin"][0], font["ascent"] - g["origin"][1], g["grey"], g["stride"],
                          g["rows"], table)
            x += g["advance"][0]
        return min(max(x, 0), SURFACE_W)


class Slot:
    def __init__(self, index):
        self.index = index
        self.visible = self.width = self.scroll = self.x = self.gap = 0
        self.active = False
        self.surface = None
        self.text = ""

    def arm(self, width, surface):
        self.width, self.visible = width, min(width, WINDOW_W)
        self.x, self.scroll, self.gap, self.active = WINDOW_W, 0, self.visible, True
        self.surface = surface

    def step_one(self):
        """One pixel; returns (chain, finished)."""
        chain = False
        if self.x > 0:
            self.x -= 1
            if self.gap > 0:
                self.gap -= 1
            else:
                chain = True
        elif self.visible + self.scroll < self.width:
            self.scroll += 1
        elif self.scroll >= self.width:
            self.scroll, self.gap, self.x, self.active = 0, WINDOW_W, WINDOW_W, False
            return False, True
        else:
            self.scroll += 1
            self.gap += 1
            chain = True
        self.gap = min(self.gap, self.visible)
        return chain, False


def step_chain(slots, head):
    """One step led by `head`: each active slot at most once; returns the next head."""
    if not slots[head].active:
        return head
    moved = set()
    result, k = head, head
    for n in range(4):
        if k in moved or not slots[k].active:
            break
        moved.add(k)
        chain, finished = slots[k].step_one()
        if finished and n == 0:
            result = (k + 1) % 4
        if not chain:
            break
        k = (k + 1) % 4
    return result


def bar_beneath():
    """The text window of the default skin's composed picture, premultiplied, as (r, g, b, a)
    rows: the picture, the premultiplied bar image laid over it at (0, 280) where its alpha is
    not 0 (alpha ORed in), then the whole picture premultiplied."""
    picture, bar = Image("tarvo_1"), Image("tarvo_bar")
    rows = []
    for y in range(WINDOW_Y, WINDOW_Y + WINDOW_H):
        row = []
        for x in range(WINDOW_X, WINDOW_X + WINDOW_W):
            p = list(picture.at(x, y))
            b = bar.at(x, y - 280)
            if b[3]:
                p = [(v * b[3]) >> 8 for v in b[:3]] + [p[3] | b[3]]
            row.append([(v * p[3]) >> 8 for v in p[:3]] + [p[3]])
        rows.append(row)
    return rows


def draw_bar(beneath, slots):
    """DrawNewsBar: the picture's text window, then each slot's visible columns blended over it
    in slot order by the vector rule (alpha 0 keeps, 255 copies, else all four bytes mix; every
    touched pixel ends opaque)."""
    frame = [[list(p) for p in row] for row in beneath]
    for s in slots:
        count = s.visible - s.gap
        if not s.active or count <= 0 or not 0 <= s.x < WINDOW_W:
            continue
        count = min(count, WINDOW_W - s.x)
        if s.scroll < 0 or s.scroll + count > SURFACE_W:
            continue
        for y in range(WINDOW_H):
            for i in range(count):
                b, g, r, a = s.surface.at(s.scroll + i, y)
                if a == 0:
                    continue
                d = frame[y][s.x + i]
                if a == 255:
                    d[:] = [r, g, b, 255]
                else:
                    d[:] = [min(255, (dv * (256 - a) >> 8) + (sv * a >> 8)) for dv, sv in zip(d, (r, g, b, a))]
                    d[3] = 255
    return frame


def on_screen(frame):
    """Without a compositor Wine shows the premultiplied colour where alpha is not 0 and the
    desktop elsewhere."""
    return [[tuple(p[:3]) if p[3] else BACKGROUND for p in row] for row in frame]


def window_pixels(shot):
    return [[shot.pixel(CLOCK_AT[0] + WINDOW_X + x, CLOCK_AT[1] + WINDOW_Y + y) for x in range(WINDOW_W)]
            for y in range(WINDOW_H)]


def differences(got, want):
    return [((x, y), got[y][x], want[y][x]) for y in range(WINDOW_H) for x in range(WINDOW_W)
            if got[y][x] != want[y][x]]


def replay(clock, beneath, events=None, surfaces=None):
    """Replays the clock's trace (or `events` of it): the ticker draws the bar, then steps, then
    queues into a free slot. Returns the bar drawn at the last step, the slots (each with the
    text it shows), the news font and the texts queued. `surfaces` keeps rendered texts for the
    next replay."""
    import copy
    surfaces = {} if surfaces is None else surfaces
    font = None
    slots = [Slot(i) for i in range(4)]
    head = 0
    drawn = None
    shown = []
    for event in clock.events() if events is None else events:
        words = event.split(" ")
        if event.startswith("ticker step"):
            drawn = [copy.copy(s) for s in slots]
            head = step_chain(slots, head)
            assert event.endswith(f"head {head} x {slots[head].x}"), (event, head, slots[head].x)
        elif event.startswith("ticker slot"):
            index, width, text = int(words[2]), int(words[4]), bytes.fromhex(words[6]).decode("cp932")
            if text not in surfaces:
                font, glyphs = news_font_glyphs(clock, text)
                surface = TextSurface()
                assert surface.render(font, glyphs) == width, (text, width)
                surfaces[text] = (font, surface)
            font, surface = surfaces[text]
            slots[index].arm(width, surface)
            slots[index].text = text
            shown.append(text)
    return (draw_bar(beneath, drawn) if drawn else None), slots, font, shown


def test_after_k_held_steps_the_bar_equals_the_composed_bar(h):
    screen = h.screen()
    screen.paint_background("#5B8DB8")
    clock = h.clock(screen, cfg={"RssScrollTime": 40})
    t0 = 2000000
    hold, steps = clock.hold_tick, clock.ticker_steps

    hold(t0)
    h.feed_server(clock)
    clock.start()
    clock.wait_event(f"ticker reset at {t0}")
    beneath = bar_beneath()
    # Before the first title the text window shows the picture alone.
    time.sleep(0.5)
    bad = differences(window_pixels(screen.shot()), on_screen(beneath))
    assert not bad, f"{len(bad)} pixels of the empty bar differ, first {bad[:5]}"

    # k steps, each RssScrollTime after the last: the first queues a title, the next ones draw
    # and step. 160 steps bring the first title (108 pixels) fully in and the second one 51
    # pixels in behind it.
    k = 160
    now = t0 + 40
    hold(now)
    clock.wait_event("ticker slot 0")
    for n in range(1, k + 1):
        now += 40
        hold(now)
        wait_until(lambda: len(steps()) == n, 5, step=0.005, what=f"step {n}")
    time.sleep(0.3)
    shot = screen.shot()
    shot.save(h.artifact("news-bar-held.png"))
    assert len(steps()) == k

    frame, slots, font, shown = replay(clock, beneath)
    assert len(shown) >= 2, clock.events()
    assert font["face"] == "IPAゴシック", font
    # Two titles are in view: the first whole, the second entering.
    assert slots[0].active and slots[0].gap == 0 and slots[0].x < WINDOW_W - slots[0].width
    assert slots[1].active and 0 < slots[1].visible - slots[1].gap
    bad = differences(window_pixels(shot), on_screen(frame))
    assert not bad, f"{len(bad)} pixels differ after {k} steps, first {bad[:5]}"
    clock.quit(timeout=10)


def test_the_news_font_is_ipa_gothic_as_freetype_renders_it(h):
    from PIL import ImageFont
    screen = h.screen()
    clock = h.clock(screen)
    text = "【新着!】日本語の時計便りAbgjy0123"
    font, glyphs = news_font_glyphs(clock, text)
    assert font["face"] == "IPAゴシック", font
    assert len(glyphs) == len(text) and not any(g["error"] for g in glyphs)
    ipa = ImageFont.truetype(IPA_GOTHIC, 24)
    worst = 0
    levels = 0
    off_by_one = 0
    for ch, g in zip(text, glyphs):
        # FreeType's 256 coverage levels, put on Wine's 65 as Wine puts them: (v * 64 + 128) / 256.
        mask, (ox, oy) = ipa.getmask2(ch, mode="L", anchor="ls")
        mw, mh = mask.size
        theirs = {}
        for y in range(mh):
            for x in range(mw):
                v = mask.getpixel((x, y))
                if v:
                    theirs[(ox + x, oy + y)] = (v * 64 + 128) // 256
        ours = {}
        for r in range(g["rows"]):
            for c in range(g["box"][0]):
                v = g["grey"][r][c]
                if v:
                    ours[(g["origin"][0] + c, r - g["origin"][1])] = v
        # The same advance, and every pixel within one level of 64, wherever either has ink.
        assert g["advance"][0] == round(ipa.getlength(ch)), (ch, g["advance"], ipa.getlength(ch))
        for at in set(theirs) | set(ours):
            d = abs(theirs.get(at, 0) - ours.get(at, 0))
            worst = max(worst, d)
            off_by_one += d == 1
            assert d <= 1, (ch, at, ours.get(at, 0), theirs.get(at, 0))
        levels += len(ours)
    print(f"{len(glyphs)} glyphs, {levels} inked pixels, {off_by_one} differ by one level, "
          f"largest difference {worst} of 64 levels")
    # The ticker's pen moves by those advances, blanks included: a title's rendered width is
    # the sum of FreeType's advances for its characters.
    from test_news_offers import news_folder
    title = "General: server maintenance"
    h.feed_server(clock, news=news_folder(h, [(title, "http://127.0.0.1/a", "")]))
    clock.write_cfg({"ViewBrand": 1, "BootSignal": 0})
    clock.start()
    slot = clock.wait_event("ticker slot 0")
    width = int(slot.split(" ")[4])
    shown = bytes.fromhex(slot.split(" ")[6]).decode("cp932")
    assert shown == f"【{title}】", shown
    assert width == sum(round(ipa.getlength(ch)) for ch in shown), (width, shown)
    clock.quit(timeout=10)


if __name__ == "__main__":
    harness.run([test_after_k_held_steps_the_bar_equals_the_composed_bar,
                 test_the_news_font_is_ipa_gothic_as_freetype_renders_it])
