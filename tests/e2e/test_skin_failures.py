"""Skins that cannot be used: a missing digit sheet is named and ends the start with
"初期化失敗"; a missing picture closes the clock without a word."""
import os
import subprocess

import harness
from harness import wait_until
from test_skin_dialog import KPZ_ENCODE, SKN_BUILD


def broken_package(folder, members):
    """Package "broken.skn" with brand code 7 and one skin naming pic, bar and moj; only the
    images in `members` are put in."""
    work = os.path.join(folder, "work")
    os.makedirs(work)
    doc = os.path.join(work, "brand.xml")
    with open(doc, "wb") as f:
        f.write("<brand><title>壊れた</title><code>7</code><skin><comment>c</comment><name>B</name>"
                "<file>pic</file><rss>bar</rss><moji>moj</moji></skin></brand>".encode("cp932"))
    files = [doc]
    sizes = {"pic": "200x200", "bar": "350x50", "moj": "75x362"}
    for stem in members:
        png = os.path.join(work, stem + ".png")
        subprocess.run(["convert", "-size", sizes[stem], "xc:#40a040ff", "PNG32:" + png], check=True, timeout=30)
        files.append(os.path.join(work, stem + ".kpz"))
        subprocess.run([KPZ_ENCODE, png, files[-1]], check=True, timeout=30)
    os.makedirs(os.path.join(folder, "skin"))
    subprocess.run([SKN_BUILD, "-o", os.path.join(folder, "skin", "broken.skn")] + files, check=True, timeout=30)


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


if __name__ == "__main__":
    harness.run([test_missing_digit_sheet_is_named_then_start_fails,
                 test_missing_picture_closes_without_a_message])
