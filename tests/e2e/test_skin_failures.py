"""Skins whose images are missing or unusual: a missing digit sheet is named and ends the start
with "初期化失敗"; a missing picture closes the clock without a word; a skin with sheets of
another size than the previous skin's gets surfaces of its own size."""
import os
import subprocess

import harness
from harness import wait_until
from test_skin_dialog import KPZ_ENCODE, SKN_BUILD


def broken_package(folder, members, package="broken.skn", code=7, sizes=None):
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
        subprocess.run(["convert", "-size", sizes[stem], "xc:#40a040ff", "PNG32:" + png], check=True, timeout=30)
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
    assert clock.press(1) == 0
    box = next_box(clock, seen)
    assert "初期化失敗" in box["texts"], box
    assert clock.press(1) == 0
    assert clock.wait_exit(15) == 0


def test_missing_picture_closes_without_a_message(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"BRAND": 6, "CHARA": 0})
    broken_package(clock.folder, ["bar", "moj"])
    clock.start()
    assert clock.wait_exit(30) == 0
    events = clock.events()
    assert "LoadSkin: no picture pic.kpz" in events and "WM_CLOSE" in events, events
    assert not any(e.startswith("LoadSkin done") for e in events), events


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
    clock.close()
    assert clock.wait_exit(15) == 0


if __name__ == "__main__":
    harness.run([test_missing_digit_sheet_is_named_then_start_fails,
                 test_missing_picture_closes_without_a_message,
                 test_sheets_of_another_size_get_surfaces_of_their_own_size])
