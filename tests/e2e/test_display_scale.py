"""The clock at the display's scale: the window and the picture at 96, 144 and 192 DPI (set in the
prefix as Windows sets it, and put back after), the size menu, a DPI change as Windows sends it,
the news bar in the scaled font, and the dialogs' texts at 200 %."""
import os
import re
import subprocess

import harness
from harness import close_menu, open_menu, wait_until
from test_face import Image

CLOCK_AT = (320, 240)
BACKGROUND = (0x5B, 0x8D, 0xB8)
DPI_KEYS = (r"HKCU\Control Panel\Desktop",
            r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts")
# The clock area (the panel the time is drawn on) and the news bar's top, at 1.
PANEL = (30, 182, 120, 262)
BAR_TOP = 280


def reg(h, *args):
    return subprocess.run(["wine", "reg"] + list(args), env=h.wine_env, capture_output=True, timeout=60)


class LogPixels:
    """The prefix's display DPI for the programs started inside the block; the values it had
    come back afterwards, whatever happens inside."""

    def __init__(self, h, dpi):
        self.h, self.dpi, self.saved = h, dpi, []

    def __enter__(self):
        for key in DPI_KEYS:
            out = reg(self.h, "query", key, "/v", "LogPixels")
            found = re.search(rb"LogPixels\s+REG_DWORD\s+0x([0-9a-fA-F]+)", out.stdout)
            self.saved.append(int(found.group(1), 16) if found else None)
            assert reg(self.h, "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(self.dpi),
                       "/f").returncode == 0
        return self

    def __exit__(self, *exc):
        for key, value in zip(DPI_KEYS, self.saved):
            if value is None:
                reg(self.h, "delete", key, "/v", "LogPixels", "/f")
            else:
                reg(self.h, "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(value), "/f")
        return False


def start(h, screen, cfg=None):
    values = {"LEFT": CLOCK_AT[0], "TOP": CLOCK_AT[1], "BootSignal": 0}
    values.update(cfg or {})
    clock = h.clock(screen, cfg=values, env={"TARVO_TEST_TIME": "2026-12-07 10:00:05"}).start()
    clock.wait_event("LoadSkin done")
    return clock


def after(events, first, then):
    """Whether an event starting with `then` follows the first one starting with `first`."""
    at = next((i for i, e in enumerate(events) if e.startswith(first)), None)
    return at is not None and any(e.startswith(then) for e in events[at + 1:])


def face_rect(clock):
    return next(w for w in clock.windows() if w["visible"])["rect"]


def wait_size(clock, width, height):
    def sized():
        r = face_rect(clock)
        return r if (r[2] - r[0], r[3] - r[1]) == (width, height) else None
    return wait_until(sized, 15, what=lambda: f"the clock at {width}x{height} (is {face_rect(clock)})")


def picture_differences(shot, image, at, scale):
    """Pixels of the picture on screen that differ from `image` (decoded from its file, drawn at
    1:1), outside the panel and the bar: without a compositor Wine shows the premultiplied colour
    where alpha is not 0 and the desktop elsewhere."""
    assert at[0] + image.width <= shot.width and at[1] + image.height <= shot.height, (at, shot.width)
    panel = tuple(round(v * scale) for v in PANEL)
    bar_top = round(BAR_TOP * scale)
    bad = []
    for y in range(min(image.height, bar_top)):
        for x in range(image.width):
            if panel[0] <= x < panel[2] and panel[1] <= y < panel[3]:
                continue
            r, g, b, a = image.at(x, y)
            want = ((r * a) >> 8, (g * a) >> 8, (b * a) >> 8) if a else BACKGROUND
            got = shot.pixel(at[0] + x, at[1] + y)
            if got != want:
                bad.append(((x, y), got, want))
    return bad


def check_dpi(h, dpi, size, image=None):
    with LogPixels(h, dpi):
        screen = h.screen(width=1280, height=1024)
        screen.paint_background("#5B8DB8")
        clock = start(h, screen)
        rect = wait_size(clock, *size)
        assert any(e == f"dpi {dpi}" for e in clock.events()), clock.events()
        if image is not None:
            last = [None]

            def same():
                last[0] = picture_differences(screen.shot(), image, rect[:2], size[0] / 400)
                return not last[0]
            try:
                wait_until(same, 10, step=0.5, what=f"the picture at {dpi} DPI")
            except AssertionError:
                raise AssertionError(f"{dpi} DPI: {len(last[0])} pixels differ, first {last[0][:5]}")
            screen.shot(h.artifact(f"display-scale-{dpi}.png"))
        clock.quit()


def test_window_and_picture_follow_the_display_dpi(h):
    check_dpi(h, 96, (400, 330), Image("tarvo_1"))
    check_dpi(h, 144, (600, 495))
    check_dpi(h, 192, (800, 660), Image("tarvo_1-2x"))


def test_clock_scale_50_at_96_dpi_is_half_size(h):
    screen = h.screen()
    clock = start(h, screen, {"ClockScale": 50})
    wait_size(clock, 200, 165)
    clock.quit()


def test_size_menu_sets_clock_scale(h):
    screen = h.screen()
    clock = start(h, screen)
    wait_size(clock, 400, 330)
    # "サイズ" is the third item; its sub-menu opens on its first item, 50 %: five down is 200 %.
    open_menu(clock, screen, CLOCK_AT[0] + 200, CLOCK_AT[1] + 100)
    clock.wait_event("menu size check 2")  # 100 %
    close_menu(clock, screen, "Down", "Down", "Down", "Right", "Down", "Down", "Down", "Down", "Down",
               "Return")
    # Grown from its corner at (320, 240) it would reach past the 1024 x 768 screen: it is pulled
    # back just enough to stay whole on it.
    assert wait_size(clock, 800, 660)[:2] == (224, 108)
    open_menu(clock, screen, CLOCK_AT[0] + 400, CLOCK_AT[1] + 200)
    clock.wait_event("menu size check 5")  # 200 %
    close_menu(clock, screen, "Escape")
    clock.quit()
    assert clock.read_cfg()["ClockScale"] == "200"


def test_dpi_change_takes_the_suggested_rectangle(h):
    screen = h.screen()
    clock = start(h, screen)
    wait_size(clock, 400, 330)
    code, _ = clock.wintool("dpichanged", harness.APP_TITLE, 144, 100, 60, 700, 555)
    assert code == 0, code
    wait_until(lambda: face_rect(clock) == (100, 60, 700, 555), 15,
               what=lambda: f"the suggested rectangle (is {face_rect(clock)})")
    clock.wait_event("face size 600x495")
    # The tray icon is loaded again at the taskbar's scale (which under Wine stays the system's).
    wait_until(lambda: after(clock.events(), "dpi changed to 144", "tray icon at "), 10,
               what="the tray icon loaded again")
    clock.quit()
    cfg = clock.read_cfg()
    assert (cfg["LEFT"], cfg["TOP"]) == ("100", "60"), cfg


def ticker_widths(clock):
    """The width each queued title rendered to, by its text."""
    widths = {}
    for e in clock.events():
        m = re.match(r"ticker slot \d+ width (\d+) text ([0-9a-f]+)", e)
        if m:
            widths.setdefault(m.group(2), int(m.group(1)))
    return widths


def news_clock(h, screen):
    clock = h.clock(screen, cfg={"LEFT": CLOCK_AT[0], "TOP": CLOCK_AT[1], "BootSignal": 0,
                                 "RssScrollTime": 20})
    h.feed_server(clock)
    clock.start()
    wait_until(lambda: ticker_widths(clock), 30, what="a queued title")
    return clock


def test_news_bar_scrolls_in_the_scaled_font_at_144_dpi(h):
    screen = h.screen()
    plain = news_clock(h, screen)
    at_one = ticker_widths(plain)
    plain.quit()
    with LogPixels(h, 144):
        screen = h.screen()
        screen.paint_background("#5B8DB8")
        clock = news_clock(h, screen)
        rect = wait_size(clock, 600, 495)
        clock.wait_event("ticker at scale 1.500: font 36 px, text 1536x45")
        scaled = ticker_widths(clock)
        text, width = next((t, w) for t, w in scaled.items() if t in at_one)
        # The same title in a font half as large again (glyph advances round a little each).
        assert abs(width - at_one[text] * 1.5) <= at_one[text] * 0.05 + 4, (width, at_one[text])
        # The text window, (20, 291) 310 x 30 at 1, moves on screen.
        box = (rect[0] + 30, rect[1] + 437, rect[0] + 30 + 465, rect[1] + 437 + 45)

        def window():
            shot = screen.shot()
            return [shot.pixel(x, y) for y in range(box[1], box[3], 3) for x in range(box[0], box[2], 3)]
        first = window()
        wait_until(lambda: window() != first, 10, step=0.3, what="the bar to scroll")
        clock.quit()


def test_dialog_texts_fit_at_200_percent(h):
    suite = os.path.join(os.path.dirname(os.path.abspath(h.args.exe)), "win32_tests.exe")
    with LogPixels(h, 192):
        screen = h.screen()
        env = dict(h.wine_env)
        env.update(screen.env())
        run = subprocess.run(["wine", suite, "--gtest_filter=DialogTextsTest.*"], env=env,
                             cwd=os.path.dirname(suite), capture_output=True, timeout=240)
        out = run.stdout.decode("utf-8", "replace")
        assert "[  PASSED  ] 1 test" in out, out[-3000:]


if __name__ == "__main__":
    harness.run([test_window_and_picture_follow_the_display_dpi,
                 test_clock_scale_50_at_96_dpi_is_half_size,
                 test_size_menu_sets_clock_scale,
                 test_dpi_change_takes_the_suggested_rectangle,
                 test_news_bar_scrolls_in_the_scaled_font_at_144_dpi,
                 test_dialog_texts_fit_at_200_percent])
