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
from harness import close_menu, menu_windows, open_menu, wait_until, xdo

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


def media_folder(h):
    folder = os.path.abspath(h.args.media or os.path.join(harness.ROOT, "build", "media"))
    subprocess.run(["bash", os.path.join(harness.ROOT, "scripts", "make-test-media.sh"), folder],
                   check=True, timeout=300)
    return folder


def win_path(path):
    return "Z:" + path.replace("/", "\\")


class Player:
    """One clock with the test media copied beside it, watched through the panel and list."""

    def __init__(self, h, screen, cfg=None, files=("a330.mp3", "b440.wav", "c660.wma"), env=None,
                 exe=None):
        self.h, self.screen = h, screen
        # No greeting and no hourly voice (a case may run across the hour): the voice reaches
        # the sink in a sample format of its own, and a clip of an odd number of frames would
        # shift every float sample after it.
        base = {"LEFT": 320, "TOP": 240, "BootSignal": 0, "TimeSignal": 0}
        base.update(cfg or {})
        self.clock = h.clock(screen, cfg=base, env=env, exe=exe)
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
                          what=lambda: f"{count} x '{prefix}' (have {self.clock.events()[-15:]})")

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
        """The trackbar's min, max and pos. A loaded run may make one query time out: it is
        asked again."""
        def ask():
            code, out = self.clock.wintool("track", control)
            return code == 0 and dict((k, int(v)) for k, v in (p.split("=") for p in out.split()))
        return wait_until(ask, 10, what=f"the trackbar {control}")

    def samples(self, start=0):
        # A mark taken while the sink was being written may fall inside a frame.
        raw = self.clock.sound_bytes()[start - start % 8:]
        values = array.array("f")
        values.frombytes(raw[:len(raw) // 8 * 8])
        return values[0::2]

    def pitches(self, start=0):
        """The tones heard since byte `start`, in order, one letter per burst of sound in the
        sink: 'a' 330 Hz, 'b' 440 Hz, 'c' 660 Hz, '?' anything else. The sink takes the sound in
        bursts of a few thousand samples at 44.1 or 48 kHz; a burst's zero crossings per sample
        tell its pitch (short windows would hold too few periods to tell 330 from 440 Hz)."""
        left = self.samples(start)
        runs = []
        begin, quiet = None, 0
        for i, x in enumerate(left):
            if abs(x) > LOUD:
                if begin is None:
                    begin = i
                quiet = 0
            elif begin is not None:
                quiet += 1
                if quiet >= 64:
                    runs.append((begin, i - quiet + 1))
                    begin = None
        out = []
        for b, e in runs:
            b, e = b + 48, e - 48
            if e - b < 1000:
                continue
            chunk = left[b:e]
            rate = sum(1 for x, y in zip(chunk, chunk[1:]) if (x < 0) != (y < 0)) / (e - b)
            out.append("a" if 0.0128 < rate < 0.0160 else "b" if 0.0170 < rate < 0.0210
                       else "c" if 0.0260 < rate < 0.0310 else "?")
        return "".join(out)

    def heard(self, letter, start=0, bursts=2):
        return self.pitches(start).count(letter) >= bursts

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
    wait_until(lambda: p.heard("a"), 20, what=lambda: f"330 Hz in the sink ({p.pitches()})")
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
    # NEXT plays 440 Hz, BACK steps back one. The tracks are two seconds long, so on a slow run
    # one may end between a click and the next: BACK is clicked paused, and checked against the
    # entry paused. What the renderer plays is looked for from before NEXT on, until the list
    # has played to its end (440 Hz plays again after BACK).
    mark = p.sink_size()
    p.click(NEXT)
    p.wait_count("panel playing 1 b440", 1)
    p.click(PLAY)
    p.wait_count("panel paused", 2)
    current = playing_entry(p)
    back_to = f"panel playing {current - 1} "
    seen = len(p.events(back_to))
    p.click(BACK)
    p.wait_count(back_to, seen + 1)
    # Without LOOP the list plays to its end and stops with the last length shown.
    p.wait_count("panel stopped", 1, timeout=40)
    assert p.events("panel playing ")[-1].startswith("panel playing 2 c660"), p.events("panel playing ")
    wait_until(lambda: p.heard("b", mark), 10, what=lambda: f"440 Hz after NEXT ({p.pitches(mark)})")
    wait_until(lambda: p.text(PLAY) == "PLAY", 10, what="idle")
    assert p.text(TIME) == "00:00:02", p.text(TIME)
    # A folder with a Japanese name dropped on the panel replaces the list and plays.
    p.drop(f"dialog:{PLAY}", p.path("和名"))
    p.wait_count("panel drop gave 1 entries", 1)
    wait_until(lambda: p.controls()["title"] == "TarvoClock - 高い音", 20, what="the Japanese title")
    assert p.text(PANEL_TITLE) == "高い音"
    p.clock.quit()
    cfg = p.clock.read_cfg()
    assert (cfg["SndDLEFT"], cfg["SndDTOP"]) == ("320", "240"), cfg


def pick_from_menu(p, ups):
    """Right-clicks the clock and picks the item `ups` places above the menu's end."""
    open_menu(p.clock, p.screen, 420, 430)
    close_menu(p.clock, p.screen, *(["Up"] * ups + ["Return"]))


def write_list(path, entries, play_no=0):
    lines = ["[PlayList]", f"PlayNo={play_no}"] + [f"FILE{i:04d}={e}" for i, e in enumerate(entries)]
    with open(path, "w", encoding="cp932", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def panel_window(p):
    return next((w for w in p.clock.windows("#32770") if w["title"].startswith("TarvoClock")
                 and not w["title"].endswith("play list")), None)


def test_menu_opens_and_closes_the_panel_which_is_dragged_by_its_surface(h):
    screen = h.screen()
    p = Player(h, screen, cfg={"SPFlag": 0})
    write_list(os.path.join(p.clock.folder, "TarvoClock.lst"), [p.files[0], p.files[1]], 1)
    p.start()
    pick_from_menu(p, 6)  # "簡易プレイヤー"
    panel = panel_open(p)
    assert "menu checks player=0 always=1" in p.clock.events()
    # Opened from the menu it waits: the current entry's name, PLAY, nothing heard.
    p.wait_count("panel open at 320,240 autoplay=0 entries=2", 1)
    assert panel["controls"][PANEL_TITLE]["text"] == "b440", panel["controls"][PANEL_TITLE]
    assert panel["controls"][PLAY]["text"] == "PLAY"
    assert panel["style"] & 0x00C00000 == 0, hex(panel["style"])  # no caption
    assert not p.events("panel playing")
    # Dragged by a point of its surface that holds no control.
    l, t, r, b = panel["rect"]
    xdo(screen, "mousemove", l + 30, b - 4)
    time.sleep(0.2)
    xdo(screen, "mousedown", 1)
    for i in range(1, 6):
        xdo(screen, "mousemove", l + 30 + 60 * i, b - 4 - 30 * i)
        time.sleep(0.05)
    xdo(screen, "mouseup", 1)
    wait_until(lambda: p.controls()["rect"][:2] == (l + 300, t - 150), 10,
               what=lambda: f"the dragged panel ({p.controls()['rect']})")
    # Picked again, the item is checked and closes the panel.
    pick_from_menu(p, 6)
    assert "menu checks player=1 always=1" in p.clock.events()
    p.wait_count(f"panel closed at {l + 300},{t - 150}", 1)
    wait_until(lambda: p.controls() is None, 10, what="the panel gone")
    # "プレイヤーを常に表示" turns the auto-hide on, and its check off.
    pick_from_menu(p, 5)
    open_menu(p.clock, screen, 420, 430)
    assert "menu checks player=0 always=0" in p.clock.events(), p.clock.events()
    close_menu(p.clock, screen, "Escape")
    p.clock.quit()
    cfg = p.clock.read_cfg()
    assert (cfg["SndDLEFT"], cfg["SndDTOP"], cfg["SPFlag"]) == (str(l + 300), str(t - 150), "1"), cfg


def row_centre(row):
    l, t, r, b = row["rect"]
    return (l + r) // 2, (t + b) // 2


def playing_entry(p):
    """The entry the panel last started, from the trace."""
    return int(p.events("panel playing ")[-1].split()[2])


def marks(p):
    return "".join("*" if r["cells"][0] == "★" else "." for r in p.rows())


def names(p):
    return [r["cells"][2] for r in p.rows()]


def answer_file_dialog(p, caption, path):
    """Types a path into the open or save dialog with that caption and presses Enter."""
    wait_until(lambda: any(d["caption"] == caption for d in p.clock.dialogs()), 20,
               what=f"the '{caption}' dialog")
    time.sleep(0.5)
    xdo(p.screen, "key", "ctrl+a")
    xdo(p.screen, "type", "--delay", "20", path)
    xdo(p.screen, "key", "Return")
    wait_until(lambda: not any(d["caption"] == caption for d in p.clock.dialogs()), 20,
               what=f"the '{caption}' dialog to close")


def test_list_window_plays_deletes_drags_saves_and_loads(h):
    screen = h.screen()
    p = Player(h, screen, cfg={"SndLLEFT": 520, "SndLTOP": 100}).start()
    p.drop("TarvoClock", *p.files)
    panel_open(p)
    p.wait_count("panel playing 0 a330", 1)
    # Paused, so the two-second track cannot end and move the star while the rows are read (on a
    # slow run the first track may have ended before the click: the star is on the one paused).
    p.click(PLAY)
    p.wait_count("panel paused", 1)
    current = playing_entry(p)
    p.click(LIST)
    p.wait_count("list open at 520,100", 1)
    wait_until(lambda: len(p.rows()) == 3, 10, what="three rows")
    rows = p.rows()
    assert [r["cells"][1] for r in rows] == ["1", "2", "3"], rows
    assert names(p) == ["a330", "b440", "c660"]
    assert marks(p) == "".join("*" if i == current else "." for i in range(3)), (current, marks(p))
    title = p.controls(LIST_VIEW)["title"]
    assert title == "TarvoClock play list", title
    # A double-click plays its row.
    xdo(screen, "mousemove", *row_centre(rows[2]))
    mark = p.sink_size()
    xdo(screen, "click", "--repeat", 2, "--delay", 80, 1)
    p.wait_count("panel playing 2 c660", 1)
    wait_until(lambda: p.heard("c", mark), 20, what="660 Hz after the double-click")
    wait_until(lambda: marks(p) == "..*", 10, what=lambda: f"the star on row 3 ({marks(p)})")
    # Paused again, so the star cannot move during the drag.
    p.click(PLAY)
    p.wait_count("panel paused", 2)
    # A real drag moves row 3 to row 1; the star goes with it.
    start = row_centre(p.rows()[2])
    end = row_centre(p.rows()[0])
    xdo(screen, "mousemove", *start)
    time.sleep(0.2)
    xdo(screen, "mousedown", 1)
    for i in range(1, 9):
        xdo(screen, "mousemove", start[0], start[1] + (end[1] - start[1]) * i // 8)
        time.sleep(0.08)
    time.sleep(0.2)
    xdo(screen, "mouseup", 1)
    p.wait_count("list moved row 2 to 0", 1)
    assert names(p) == ["c660", "a330", "b440"], names(p)
    assert [r["cells"][1] for r in p.rows()] == ["1", "2", "3"]
    assert marks(p) == "*..", marks(p)
    # Deleting another row keeps the current file; the star stays on it.
    xdo(screen, "mousemove", *row_centre(p.rows()[1]))
    xdo(screen, "click", 1)
    time.sleep(0.3)
    xdo(screen, "key", "Delete")
    p.wait_count("list deleted row 1", 1)
    assert names(p) == ["c660", "b440"], names(p)
    assert marks(p) == "*.", marks(p)
    assert p.events("list deleted row 1")[0].endswith("playno=0 nowplaying=0")
    # SAVE writes exactly the list's keys.
    saved = os.path.join(p.clock.folder, "saved.lst")
    p.click(SAVE, LIST_VIEW)
    answer_file_dialog(p, "Save Play List", win_path(saved))
    p.wait_count("list saved 1", 1)
    with open(saved, "rb") as f:
        assert f.read() == ("[PlayList]\r\nPlayNo=0\r\nFILE0000=" + p.path("c660.wma") + "\r\nFILE0001="
                            + p.path("b440.wav") + "\r\n").encode("cp932"), open(saved, "rb").read()
    p.clock.quit()
    cfg = p.clock.read_cfg()
    assert (cfg["SndLLEFT"], cfg["SndLTOP"]) == ("520", "100"), cfg

    # After a restart with another list, LOAD brings back the saved list and its current entry.
    write_list(saved, [p.files[0], p.files[1]], 1)
    p.clock.start()
    p.wait_count("LoadSkin done", 2)
    wait_until(lambda: any(w["visible"] for w in p.clock.windows()), 30, what="the clock again")
    p.drop("TarvoClock", p.files[2])
    panel_open(p)
    p.wait_count("panel playing 0 c660", 1)
    p.click(LIST)
    wait_until(lambda: p.controls(LIST_VIEW) is not None, 10, what="the list window")
    p.click(LOAD, LIST_VIEW)
    answer_file_dialog(p, "Load Play List", win_path(saved))
    p.wait_count("list loaded 2 entries playno=1", 1)
    p.wait_count("panel playing 1 b440", 1)
    wait_until(lambda: names(p) == ["a330", "b440"] and marks(p) == ".*", 10,
               what=lambda: f"the loaded rows ({p.rows()})")
    p.clock.quit()


def test_windows_saved_off_screen_come_back_and_a_failed_save_says_so(h):
    screen = h.screen()
    p = Player(h, screen, cfg={"SndDLEFT": 5000, "SndDTOP": 4000, "SndLLEFT": -3000, "SndLTOP": 9000})
    write_list(os.path.join(p.clock.folder, "TarvoClock.lst"), p.files)
    p.start()
    p.clock.post(WM_COMMAND, CMD_PLAYER)
    panel = panel_open(p)
    # Both borderless windows would be out of reach: they open at the clock's corner instead.
    assert panel["rect"][:2] == (320, 240), panel["rect"]
    p.click(LIST)
    wait_until(lambda: p.controls(LIST_VIEW) is not None, 10, what="the list window")
    assert p.controls(LIST_VIEW)["rect"][:2] == (320, 240), p.controls(LIST_VIEW)["rect"]
    # A save over a read-only list warns and leaves the file as it was.
    kept = os.path.join(p.clock.folder, "kept.lst")
    write_list(kept, [p.files[0]])
    before = open(kept, "rb").read()
    subprocess.run(["wine", "attrib", "+r", win_path(kept)], env=p.clock.env(), capture_output=True,
                   timeout=60)
    p.click(SAVE, LIST_VIEW)
    answer_file_dialog(p, "Save Play List", win_path(kept))
    p.wait_count("list saved 0", 1)
    box = wait_until(lambda: next((d for d in p.clock.dialogs()
                                   if any(t.startswith("プレイリストを保存できませんでした。") for t in d["texts"])), None),
                     10, what="the save warning")
    assert box["caption"] == "TarvoClock", box
    assert any("読み取り専用" in t for t in box["texts"]), box
    assert open(kept, "rb").read() == before
    p.clock.wintool("in", BOX_TEXT, "press", 1)
    wait_until(lambda: not any(t.startswith("プレイリストを保存できませんでした。") for d in p.clock.dialogs() for t in d["texts"]),
               10, what="the warning closed")
    p.clock.quit()


if __name__ == "__main__":
    harness.run([test_drop_on_clock_plays_in_order_with_pause_next_and_back,
                 test_menu_opens_and_closes_the_panel_which_is_dragged_by_its_surface,
                 test_list_window_plays_deletes_drags_saves_and_loads,
                 test_windows_saved_off_screen_come_back_and_a_failed_save_says_so])
