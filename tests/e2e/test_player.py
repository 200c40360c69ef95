"""The player panel and the play-list window on the real program: files dropped on the clock
play in order, heard in the sound sink by their pitch; the panel's buttons are clicked with the
mouse; the list window's rows are read, played, deleted and dragged; lists are saved and
loaded; failures, videos, auto-hide and the volume slider; the popup menu opens and closes it.
"""
import array
import os
import shutil
import subprocess
import time

import harness
from harness import wait_until

WM_COMMAND = 0x0111
WM_CLOSE = 0x0010
WM_MOUSEMOVE = 0x0200
CMD_MINIMIZE = 40002
CMD_PLAYER = 40039
PANEL_TITLE, PANEL_POSITION, PANEL_VOLUME = 1032, 1003, 1042
PLAY, NEXT, BACK, LIST, HIDE, CLOSE = 1043, 1044, 1045, 1046, 1056, 2
LOOP, SHUFFLE, TIME = 1004, 1005, 1047
LIST_VIEW, SAVE, LOAD = 1030, 1048, 1050
# A message box's text control: picks the warning among the visible dialogs.
BOX_TEXT = 0xFFFF
LOUD = 1e-3
WINDOW = 480


def xdo(screen, *args):
    subprocess.run(["xdotool"] + [str(a) for a in args], env={"DISPLAY": screen.display}, check=True,
                   timeout=20)


def media_folder(h):
    folder = os.path.abspath(h.args.media or os.path.join(harness.ROOT, "build", "media"))
    subprocess.run(["bash", os.path.join(harness.ROOT, "scripts", "make-test-media.sh"), folder],
                   check=True, timeout=300)
    return folder


def win_path(path):
    return "Z:" + path.replace("/", "\\")


class Player:
    """One clock with the test media copied beside it, watched through the panel and list."""

    def __init__(self, h, screen, cfg=None, files=("a330.mp3", "b440.wav", "c660.wma"), env=None):
        self.h, self.screen = h, screen
        base = {"LEFT": 320, "TOP": 240}
        base.update(cfg or {})
        self.clock = h.clock(screen, cfg=base, env=env)
        media = media_folder(h)
        self.media = os.path.join(self.clock.folder, "media")
        os.makedirs(self.media)
        for name in os.listdir(media):
            src = os.path.join(media, name)
            if os.path.isfile(src):
                shutil.copy(src, self.media)
            elif not name.endswith(".mp3"):
                shutil.copytree(src, os.path.join(self.media, name))
        self.files = [self.path(f) for f in files]
        # Every playback opens the sound device afresh; the sink keeps what each one played.
        home = os.path.join(self.clock.folder, "home")
        os.makedirs(home)
        with open(os.path.join(home, ".asoundrc"), "w") as f:
            f.write('pcm.!default {\n type file\n slave.pcm "null"\n'
                    f' file "| cat >> {self.clock.sound}"\n format "raw"\n}}\n')

    def path(self, name):
        return win_path(os.path.join(self.media, name))

    def start(self):
        self.clock.start()
        self.clock.wait_event("LoadSkin done")
        wait_until(lambda: any(w["visible"] for w in self.clock.windows()), 30, what="the clock")
        return self

    def events(self, prefix):
        return [e for e in self.clock.events() if e.startswith(prefix)]

    def wait_count(self, prefix, count, timeout=30):
        return wait_until(lambda: len(self.events(prefix)) >= count and self.events(prefix), timeout,
                          what=f"{count} x '{prefix}' (have {self.clock.events()[-15:]})")

    def drop(self, target, *paths):
        code, _ = self.clock.wintool("drop", target, *paths)
        assert code == 0, f"drop failed ({code})"

    def controls(self, anchor=PLAY):
        """{'title', 'rect', 'style', 'exstyle', 'controls': {id: {...}}} of the dialog holding
        `anchor`, or None."""
        code, out = self.clock.wintool("controls", anchor)
        if code != 0:
            return None
        result = {"controls": {}}
        for line in out.splitlines():
            if line.startswith("dialog "):
                head, title = line.split(" title=", 1)
                fields = dict(p.split("=", 1) for p in head.split(" ") if "=" in p)
                result.update(title=title, rect=tuple(int(v) for v in fields["rect"].split(",")),
                              style=int(fields["style"], 16), exstyle=int(fields["exstyle"], 16))
            elif line.startswith("control "):
                head, text = line.split(" text=", 1)
                fields = dict(p.split("=", 1) for p in head.split(" ") if "=" in p)
                result["controls"][int(fields["id"])] = {
                    "class": fields["class"], "text": text,
                    "rect": tuple(int(v) for v in fields["rect"].split(",")),
                    "visible": int(fields["visible"]), "enabled": int(fields["enabled"]),
                    "style": int(fields["style"], 16)}
        return result

    def text(self, control, anchor=PLAY):
        panel = self.controls(anchor)
        return panel["controls"][control]["text"] if panel else None

    def click(self, control, anchor=PLAY):
        """A real mouse click on the middle of a control."""
        l, t, r, b = self.controls(anchor)["controls"][control]["rect"]
        xdo(self.screen, "mousemove", (l + r) // 2, (t + b) // 2)
        time.sleep(0.1)
        xdo(self.screen, "click", 1)

    def rows(self):
        code, out = self.clock.wintool("in", LIST_VIEW, "listview", LIST_VIEW)
        assert code == 0, f"no list window ({code})"
        rows = []
        for line in out.splitlines():
            if line.startswith("row "):
                head, _, cells = line.partition("\t")
                rect = head.split("rect=", 1)[1]
                rows.append({"rect": tuple(int(v) for v in rect.split(",")), "cells": cells.split("\t")})
        return rows

    def track(self, control):
        _, out = self.clock.wintool("track", control)
        return dict((k, int(v)) for k, v in (p.split("=") for p in out.split()))

    def samples(self, start=0):
        raw = self.clock.sound_bytes()[start:]
        values = array.array("f")
        values.frombytes(raw[:len(raw) // 8 * 8])
        return values[0::2]

    def pitches(self, start=0):
        """The tones heard since byte `start`, in order, one letter per loud window: 'a' 330 Hz,
        'b' 440 Hz, 'c' 660 Hz, '?' anything else (the sink runs at 44.1 or 48 kHz)."""
        left = self.samples(start)
        out = []
        i = 0
        while i + WINDOW <= len(left):
            chunk = left[i:i + WINDOW]
            if min(abs(x) for x in chunk[::16]) > LOUD / 10 or max(abs(x) for x in chunk) > 0.05:
                rate = sum(1 for a, b in zip(chunk, chunk[1:]) if (a < 0) != (b < 0)) / WINDOW
                out.append("a" if 0.0130 < rate < 0.0160 else "b" if 0.0175 < rate < 0.0210
                           else "c" if 0.0265 < rate < 0.0310 else "?")
            i += WINDOW
        return "".join(out)

    def heard(self, letter, start=0, windows=20):
        return self.pitches(start).count(letter) >= windows

    def sink_size(self):
        return len(self.clock.sound_bytes())


def panel_open(player):
    return wait_until(lambda: player.controls(), 30, what="the player panel")


def test_drop_on_clock_plays_in_order_with_pause_next_and_back(h):
    screen = h.screen()
    p = Player(h, screen).start()
    p.drop("TarvoClock", *p.files)
    panel = panel_open(p)
    # The panel opens where the clock is (never placed before), borderless, with its controls.
    assert panel["rect"][:2] == (320, 240), panel["rect"]
    p.wait_count("panel playing 0 a330", 1)
    wait_until(lambda: p.heard("a"), 20, what=f"330 Hz in the sink ({p.pitches()})")
    panel = p.controls()
    assert panel["title"] == "TarvoClock - a330", panel["title"]
    assert panel["controls"][PANEL_TITLE]["text"] == "a330"
    assert panel["controls"][PLAY]["text"] == "PAUSE"
    assert p.track(PANEL_POSITION)["max"] == 2000 // 1 or abs(p.track(PANEL_POSITION)["max"] - 2000) < 60
    # PAUSE freezes the time; PLAY runs it on.
    p.click(PLAY)
    p.wait_count("panel paused", 1)
    wait_until(lambda: p.text(PLAY) == "PLAY", 10, what="the PLAY label")
    frozen = p.track(PANEL_POSITION)["pos"]
    time.sleep(1.0)
    assert p.track(PANEL_POSITION)["pos"] == frozen
    p.click(PLAY)
    p.wait_count("panel resumed", 1)
    wait_until(lambda: p.track(PANEL_POSITION)["pos"] > frozen, 10, what="the position moving again")
    assert p.text(PLAY) == "PAUSE"
    # NEXT plays 440 Hz, BACK 330 Hz again.
    p.click(NEXT)
    p.wait_count("panel playing 1 b440", 1)
    mark = p.sink_size()
    wait_until(lambda: p.heard("b", mark), 20, what="440 Hz after NEXT")
    p.click(BACK)
    p.wait_count("panel playing 0 a330", 2)
    # Without LOOP the list plays to its end and stops with the last length shown.
    p.wait_count("panel playing 2 c660", 1, timeout=40)
    p.wait_count("panel stopped", 1, timeout=30)
    wait_until(lambda: p.text(PLAY) == "PLAY", 10, what="idle")
    assert p.text(TIME) == "00:00:02", p.text(TIME)
    p.clock.quit()
    cfg = p.clock.read_cfg()
    assert (cfg["SndDLEFT"], cfg["SndDTOP"]) == ("320", "240"), cfg


if __name__ == "__main__":
    harness.run([test_drop_on_clock_plays_in_order_with_pause_next_and_back])
