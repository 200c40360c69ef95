"""The skin dialog on the real clock: the catalogue read from packages in the skin folder, the
lists and comment it shows, a choice made with the keyboard, Cancel and OK, and the choice saved."""
import os
import subprocess

import harness
from harness import wait_until, xdo

WM_COMMAND = 0x0111
COMMAND_SKIN = 40031
TOOLS = os.path.join(harness.ROOT, "build", "native", "tools")
SKN_BUILD = os.path.join(TOOLS, "skn", "skn-build")
KPZ_ENCODE = os.path.join(TOOLS, "kpz", "kpz-encode")
# Images at the sizes of the face layout: picture, news bar and digit sheet.
IMAGES = {"pic": ("200x200", "#40a040ff"), "bar": ("350x50", "#2050c0ff"), "moj": ("75x362", "#ffffff80")}


def make_package(folder, package, code, title, skins):
    """A package made by our tools: a catalogue document (Shift-JIS) and plain images."""
    for tool in (SKN_BUILD, KPZ_ENCODE):
        assert os.path.exists(tool), f"{tool} is missing: build the native preset first"
    work = os.path.join(folder, "work-" + package)
    os.makedirs(work)
    doc = f"<brand><title>{title}</title><code>{code}</code>"
    for name, comment in skins:
        doc += (f"<skin><comment>{comment}</comment><name>{name}</name>"
                "<file>pic</file><rss>bar</rss><moji>moj</moji></skin>")
    doc += "</brand>"
    members = [os.path.join(work, "brand.xml")]
    with open(members[0], "wb") as f:
        f.write(doc.encode("cp932"))
    for stem, (size, colour) in IMAGES.items():
        png = os.path.join(work, stem + ".png")
        subprocess.run(["convert", "-size", size, "xc:" + colour, "PNG32:" + png], check=True, timeout=30)
        members.append(os.path.join(work, stem + ".kpz"))
        subprocess.run([KPZ_ENCODE, png, members[-1]], check=True, timeout=30)
    subprocess.run([SKN_BUILD, "-o", os.path.join(folder, "skin", package)] + members, check=True, timeout=30)


def start_clock(h, screen, brand, chara):
    clock = h.clock(screen, cfg={"BRAND": brand, "CHARA": chara})
    os.makedirs(os.path.join(clock.folder, "skin"))
    # Codes above the built-in brands: records 6 and 7, listed after whatever is built in.
    make_package(clock.folder, "seven.skn", 7, "第七", [("S0", "最初"), ("S1", "二番目の<説明>")])
    make_package(clock.folder, "eight.skn", 8, "Eighth", [("E0", "only one")])
    clock.start()
    clock.wait_event("LoadSkin done")
    events = clock.events()
    assert "package seven.skn added" in events and "package eight.skn added" in events, events
    return clock


def open_dialog(clock):
    assert clock.post(WM_COMMAND, COMMAND_SKIN) == 0
    return wait_until(lambda: clock.dialogs(), 30, what="the skin dialog")[0]


def test_dialog_lists_packages_previews_and_cancel_restores(h):
    screen = h.screen()
    clock = start_clock(h, screen, 6, 1)
    box = open_dialog(clock)
    screen.shot(h.artifact("skin-dialog.png"))
    assert box["caption"] == "スキン選択", box
    # The comment of the skin the settings select (brand record 6, skin 1), angle brackets kept.
    for text in ("ブランド", "スキン", "二番目の<説明>", "OK", "キャンセル"):
        assert text in box["texts"], (text, box)
    clock_rect = next(w for w in clock.windows() if w["visible"])["rect"]
    l, t, r, b = box["rect"]
    assert b <= clock_rect[1] or t >= clock_rect[3], (box, clock_rect)

    # The brand list has the focus: the next entry is record 7 (code 8), whose one skin
    # replaces CHARA 1.
    xdo(screen, "key", "Down")
    clock.wait_event("SKIN choose BRAND=7 CHARA=0")
    wait_until(lambda: (lambda d: d and "only one" in d[0]["texts"])(clock.dialogs()), 10,
               what="the new skin's comment in the dialog")
    assert clock.press(2) == 0
    clock.wait_event("SKIN dialog closed BRAND=6 CHARA=1")
    events = clock.events()
    assert events.index("SKIN choose BRAND=6 CHARA=1") > events.index("SKIN choose BRAND=7 CHARA=0"), events
    # Each choice and the Cancel made the clock thread load the skin again.
    wait_until(lambda: sum(e.startswith("LoadSkin done") for e in clock.events()) >= 3, 20, what="the reloads")
    clock.quit()
    saved = clock.read_cfg()
    assert saved.get("BRAND") == "6" and saved.get("CHARA") == "1", saved


def test_dialog_ok_keeps_the_choice(h):
    screen = h.screen()
    clock = start_clock(h, screen, 6, 0)
    open_dialog(clock)
    xdo(screen, "key", "Down")
    clock.wait_event("SKIN choose BRAND=7 CHARA=0")
    assert clock.press(1) == 0
    clock.wait_event("SKIN dialog closed BRAND=7 CHARA=0")
    clock.quit()
    saved = clock.read_cfg()
    assert saved.get("BRAND") == "7" and saved.get("CHARA") == "0", saved


if __name__ == "__main__":
    harness.run([test_dialog_lists_packages_previews_and_cancel_restores,
                 test_dialog_ok_keeps_the_choice])
