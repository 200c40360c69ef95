"""Skins whose images are missing or unusual: a missing digit sheet is named and ends the start
with "初期化失敗"; a saved skin that is gone or has lost its picture gives way to the first
built-in skin, which is then saved; a skin with sheets of another size than the previous skin's
gets surfaces of its own size; a damaged bar leaves the previous one exactly as it was."""
import os
import subprocess

import harness
from harness import wait_until
from test_skin_dialog import KPZ_ENCODE, SKN_BUILD


def broken_package(folder, members, package="broken.skn", code=7, sizes=None, colour="#40a040ff"):
    """A package with one skin naming pic, bar and moj; only the images in `members` are put in."""
    work = os.path.join(folder, "work-" + package)
    os.makedirs(work)
    doc = os.path.join(work, "brand.xml")
    with open(doc, "wb") as f:
        f.write(f"<brand><title>壊れた</title><code>{code}</code><skin><comment>c</comment><name>B</name>"
                "<file>pic</file><rss>bar</rss><moji>moj</moji></skin></brand>".encode("cp932"))
    files = [doc]
    sizes = sizes or {"pic": "200x200", "bar": "350x50", "moj": "75x362"}
    for stem in members:
        png = os.path.join(work, stem + ".png")
        subprocess.run(["convert", "-size", sizes[stem], "xc:" + colour, "PNG32:" + png], check=True, timeout=30)
        files.append(os.path.join(work, stem + ".kpz"))
        subprocess.run([KPZ_ENCODE, png, files[-1]], check=True, timeout=30)
    os.makedirs(os.path.join(folder, "skin"), exist_ok=True)
    subprocess.run([SKN_BUILD, "-o", os.path.join(folder, "skin", package)] + files, check=True, timeout=30)


def next_box(clock, seen):
    def fresh():
        boxes = [b for b in clock.dialogs() if tuple(b["texts"]) not in seen]
        return boxes[0] if boxes else None
    box = wait_until(fresh, 30, what="a message box")
    seen.add(tuple(box["texts"]))
    return box


def test_missing_digit_sheet_is_named_then_start_fails(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"BRAND": 6, "CHARA": 0})
    broken_package(clock.folder, ["pic", "bar"])
    clock.start()
    seen = set()
    box = next_box(clock, seen)
    assert box["caption"] == "TarvoClock" and any("moj.kpz が見つかりません" in t and "broken.skn" in t
                                                   for t in box["texts"]), box
    # The clock thread's box: owned by no window of the UI thread, in front of the active one.
    shown = [w for w in clock.windows("#32770") if w["visible"]]
    assert [(w["owner"], w["topmost"]) for w in shown] == [(0, 1)], shown
    assert clock.press(1) == 0
    box = next_box(clock, seen)
    assert "初期化失敗" in box["texts"], box
    assert clock.press(1) == 0
    assert clock.wait_exit(15) == 0


def assert_falls_back_to_the_first_skin(clock):
    clock.wait_event("LoadSkin: falling back to the first built-in skin")
    clock.wait_event("LoadSkin done")
    assert not clock.dialogs()
    clock.quit()
    cfg = clock.read_cfg()
    assert (cfg["BRAND"], cfg["CHARA"]) == ("0", "0"), cfg


def test_missing_picture_falls_back_to_the_first_built_in_skin(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"BRAND": 6, "CHARA": 0})
    broken_package(clock.folder, ["bar", "moj"])
    clock.start()
    clock.wait_event("LoadSkin: no picture pic")
    assert_falls_back_to_the_first_skin(clock)


def test_a_saved_skin_that_is_gone_falls_back_to_the_first_built_in_skin(h):
    # A package deleted from the skin folder, and a hand-edited brand out of every table.
    for cfg in ({"BRAND": 6, "CHARA": 0}, {"BRAND": 99, "CHARA": 3}):
        screen = h.screen()
        clock = h.clock(screen, name=f"gone-{cfg['BRAND']}", cfg=cfg)
        clock.start()
        assert_falls_back_to_the_first_skin(clock)
        # And the next start is an ordinary one.
        before = len(clock.events())
        clock.start()
        wait_until(lambda: any(e.startswith("LoadSkin done") for e in clock.events()[before:]), 30,
                   what="the second start")
        assert not any("falling back" in e for e in clock.events()[before:])
        clock.quit()


def test_a_damaged_bar_keeps_the_previous_bar_untouched(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"BRAND": 6, "CHARA": 0})
    # Half-transparent, so a second premultiplication would darken it.
    broken_package(clock.folder, ["pic", "bar", "moj"], "seven.skn", 7, colour="#40a04080")
    broken_package(clock.folder, ["pic", "moj"], "eight.skn", 8)
    # Eight's bar member is there but holds no image.
    with open(os.path.join(clock.folder, "work-eight.skn", "bar.kpz"), "wb") as f:
        f.write(b"KPZ damaged")
    subprocess.run([SKN_BUILD, "-o", os.path.join(clock.folder, "skin", "eight.skn")] +
                   [os.path.join(clock.folder, "work-eight.skn", n) for n in ("brand.xml", "pic.kpz", "bar.kpz", "moj.kpz")],
                   check=True, timeout=30)
    clock.start()
    clock.wait_event("LoadSkin done")
    sums = lambda: [e for e in clock.events() if e.startswith("bar sum")]
    first = sums()[-1]
    # Eight, then seven, then eight again: the damaged bar never replaces or darkens seven's.
    for key in ("Down", "Up", "Down"):
        clock.post(0x0111, 40031)
        wait_until(lambda: clock.dialogs(), 30, what="the skin dialog")
        count = len(sums())
        subprocess.run(["xdotool", "key", key], env={"DISPLAY": screen.display}, check=True, timeout=20)
        wait_until(lambda: len(sums()) > count, 30, what="a reload")
        assert sums()[-1] == first, sums()
        assert clock.press(1) == 0
        wait_until(lambda: not clock.dialogs(), 10, what="the dialog closed")
    clock.quit()


def test_sheets_of_another_size_get_surfaces_of_their_own_size(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"BRAND": 6, "CHARA": 0})
    everything = ["pic", "bar", "moj"]
    broken_package(clock.folder, everything, "seven.skn", 7)
    broken_package(clock.folder, everything, "eight.skn", 8,
                   {"pic": "200x200", "bar": "360x60", "moj": "90x400"})
    clock.start()
    clock.wait_event("sheets moji 75x362 bar 350x50")
    clock.post(0x0111, 40031)
    wait_until(lambda: clock.dialogs(), 30, what="the skin dialog")
    subprocess.run(["xdotool", "key", "Down"], env={"DISPLAY": screen.display}, check=True, timeout=20)
    clock.wait_event("sheets moji 90x400 bar 360x60")
    assert clock.press(1) == 0
    clock.quit()


if __name__ == "__main__":
    harness.run([test_missing_digit_sheet_is_named_then_start_fails,
                 test_missing_picture_falls_back_to_the_first_built_in_skin,
                 test_a_saved_skin_that_is_gone_falls_back_to_the_first_built_in_skin,
                 test_a_damaged_bar_keeps_the_previous_bar_untouched,
                 test_sheets_of_another_size_get_surfaces_of_their_own_size])
