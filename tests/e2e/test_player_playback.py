"""The player on the real program, as it plays on: failures (a warning at a time, missing files
passed over, a looping list of nothing that ends), videos one after another, the panel hiding
itself and coming back, the volume slider and a shuffled looping pass. The shared pieces come from
test_player.py.
"""
import os
import time

import harness
from harness import wait_until
from test_player import (BOX_TEXT, CMD_MINIMIZE, LIST, LIST_VIEW, LOOP, NEXT, PANEL_VOLUME, PLAY,
                         SHUFFLE, WM_CLOSE, WM_COMMAND, Player, panel_open, win_path, write_list, xdo)

UNPLAYABLE = "未対応の形式です。"


def test_failures_warn_once_skip_missing_files_and_end_idle(h):
    screen = h.screen()
    p = Player(h, screen, env={"TARVO_TEST_TIME": "2026-12-07 10:20:52"}).start()
    lst = os.path.join(p.clock.folder, "failing.lst")
    write_list(lst, [p.files[0], p.path("noise.mp3"), p.path("missing.mp3"), p.files[1]])
    p.drop("TarvoClock", win_path(lst))
    panel_open(p)
    p.wait_count("panel playing 0 a330", 1)
    p.wait_count("panel warning", 1, timeout=20)
    # The warning stays the only one while it is up, and the clock goes on to the next minute.
    time.sleep(4)
    assert len(p.events("panel warning")) == 1
    boxes = [d for d in p.clock.dialogs() if "未対応の形式です。" in d["texts"]]
    assert len(boxes) == 1, p.clock.dialogs()
    wait_until(lambda: p.events("DrawTime 10:21"), 20, what="the minute redrawn under the warning")
    assert p.clock.answers()
    mark = p.sink_size()
    code, _ = p.clock.wintool("in", BOX_TEXT, "press", 1)
    assert code == 0
    # The missing file is passed over without a word; the last one plays.
    p.wait_count("panel missing 2", 1)
    p.wait_count("panel playing 3 b440", 1)
    wait_until(lambda: p.heard("b", mark), 20, what="440 Hz after the failures")
    assert len(p.events("panel warning")) == 1

    # With LOOP on, a list of missing files dropped on the playing panel ends idle after one pass.
    p.click(LOOP)
    all_missing = os.path.join(p.clock.folder, "missing.lst")
    write_list(all_missing, [p.path(f"gone{i}.mp3") for i in range(3)])
    p.drop(f"dialog:{PLAY}", win_path(all_missing))
    p.wait_count("panel stopped", 1, timeout=30)
    skipped = len(p.events("panel missing"))
    time.sleep(3)
    assert len(p.events("panel missing")) == skipped == 1 + 3, p.events("panel missing")
    assert p.text(PLAY) == "PLAY"
    assert p.clock.answers()
    p.clock.quit()


def warnings(p):
    return [d for d in p.clock.dialogs() if UNPLAYABLE in d["texts"]]


WS_EX_PANEL = 0x80 | 0x10  # WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES: no other dialog has both


def panels(p):
    """Every panel window, shown or not (an ended panel lives on, hidden, until its loop ends)."""
    return [w for w in p.clock.windows("#32770") if w["exstyle"] & WS_EX_PANEL == WS_EX_PANEL]


def test_a_list_that_starts_unplayable_plays_on_and_a_drop_reaches_the_open_panel(h):
    """The product build, so nothing is known from inside: what shows and what is heard."""
    screen = h.screen()
    p = Player(h, screen, exe=h.args.product)
    p.clock.start()
    wait_until(lambda: any(w["visible"] for w in p.clock.windows()), 30, what="the clock")
    p.drop("TarvoClock", p.path("noise.mp3"), p.files[1])
    wait_until(lambda: warnings(p), 30, what="the warning")
    # Nothing plays while it is up, and it stays the only one.
    time.sleep(2)
    assert len(warnings(p)) == 1, p.clock.dialogs()
    mark = p.sink_size()
    code, _ = p.clock.wintool("in", BOX_TEXT, "press", 1)
    assert code == 0
    wait_until(lambda: p.heard("b", mark), 30, what=lambda: f"440 Hz after the warning ({p.pitches(mark)})")
    assert not warnings(p), p.clock.dialogs()
    panel = wait_until(lambda: panels(p), 10, what="the panel")[0]
    # Dropped on the clock while the panel is open: that panel plays them, no other opens.
    mark = p.sink_size()
    p.drop("TarvoClock", p.files[0])
    wait_until(lambda: p.heard("a", mark), 30, what=lambda: f"330 Hz after the drop ({p.pitches(mark)})")
    assert [w["window"] for w in panels(p)] == [panel["window"]], panels(p)
    assert not warnings(p), p.clock.dialogs()
    p.clock.quit()


def video_windows(p):
    return [w for w in p.clock.windows("TarvoClockVideo") if w["visible"]]


def picture_seen(screen, rect):
    l, t, r, b = rect
    shot = screen.shot()
    mid = (l + r) // 2
    red = sum(1 for y in range(t + 30, b - 8, 4) for x in range(l + 8, mid - 8, 4)
              if shot.pixel(x, y)[0] > 180 and max(shot.pixel(x, y)[1:]) < 80)
    blue = sum(1 for y in range(t + 30, b - 8, 4) for x in range(mid + 8, r - 8, 4)
               if shot.pixel(x, y)[2] > 180 and max(shot.pixel(x, y)[:2]) < 80)
    return red > 20 and blue > 20


def test_videos_show_and_closing_the_window_moves_on(h):
    screen = h.screen()
    p = Player(h, screen, cfg={"MoviePosX": 600, "MoviePosY": 300},
               files=("long.avi", "clip.avi", "b440.wav")).start()
    p.drop("TarvoClock", *p.files)
    panel_open(p)
    p.wait_count("panel playing 0 long", 1)
    first = wait_until(lambda: video_windows(p), 20, what="the video window")[0]
    wait_until(lambda: picture_seen(screen, first["rect"]), 20, what="red and blue in the first video")
    screen.shot(h.artifact("player-video.png"))
    # Closing the window stops that track; the panel goes on to the next video.
    p.clock.post(WM_CLOSE, class_name="TarvoClockVideo")
    p.wait_count("panel playing 1 clip", 1, timeout=20)
    second = wait_until(lambda: video_windows(p), 20, what="the second video window")[0]
    wait_until(lambda: picture_seen(screen, second["rect"]), 20, what="red and blue in the second video")
    p.wait_count("panel playing 2 b440", 1, timeout=30)
    wait_until(lambda: not video_windows(p), 20, what="the video window closed")
    p.clock.quit()


def test_auto_hide_after_thirty_seconds_and_showing_again(h):
    screen = h.screen()
    p = Player(h, screen, cfg={"SPFlag": 1, "SndLLEFT": 700, "SndLTOP": 300},
               files=("long36.mp3",)).start()
    p.drop("TarvoClock", *p.files)
    panel_open(p)
    p.click(LIST)
    wait_until(lambda: p.controls(LIST_VIEW) is not None, 10, what="the list window")
    # Away from the clock: a window hidden under the pointer makes the one beneath it see the
    # mouse move, which is what shows the panel again.
    xdo(screen, "mousemove", 1000, 20)
    started = time.monotonic()
    p.wait_count("panel playing 0 long36", 1)
    p.wait_count("panel hidden", 1, timeout=45)
    hidden_after = time.monotonic() - started
    assert 29 < hidden_after < 40, hidden_after
    wait_until(lambda: p.controls() is None and p.controls(LIST_VIEW) is None, 10, what="both hidden")
    # A mouse over the clock shows both again and starts the period afresh.
    xdo(screen, "mousemove", 400, 450)
    xdo(screen, "mousemove", 410, 455)
    wait_until(lambda: p.controls() is not None and p.controls(LIST_VIEW) is not None, 10,
               what="both shown again")
    # Hiding the clock to the tray hides them too.
    p.clock.post(WM_COMMAND, CMD_MINIMIZE)
    wait_until(lambda: p.controls() is None and p.controls(LIST_VIEW) is None, 10,
               what="both hidden with the clock")
    assert not any(w["visible"] for w in p.clock.windows())
    p.clock.quit()


def test_volume_slider_and_a_shuffled_looping_pass(h):
    screen = h.screen()
    p = Player(h, screen, cfg={"ShuffFlag": 1, "RepFlag": 1, "MasterVol": 10000}).start()
    p.drop("TarvoClock", *p.files)
    panel_open(p)
    assert p.track(PANEL_VOLUME)["pos"] == 0
    assert p.controls()["controls"][SHUFFLE]["text"] == "SHUFFLE"
    p.wait_count("panel playing", 1)

    def recent_peak():
        """The loudest sample of the last 20000 the sink took (under half a second), once they
        hold sound: on a busy machine they can fall wholly in the pause between two tracks."""
        peak = lambda: max((abs(x) for x in p.samples()[-20000:]), default=0.0)
        return wait_until(lambda: (v := peak()) > 0.01 and v, 10, step=0.05, what="sound in the sink")
    time.sleep(1.0)
    full = recent_peak()
    assert full > 0.05, full
    code, _ = p.clock.wintool("slide-any", PANEL_VOLUME, 8192)
    assert code == 0
    p.wait_count("panel volume 8192", 1)
    time.sleep(1.0)
    half = recent_peak()
    assert 0.4 < half / full < 0.6, (full, half)
    # The next track starts at the held volume too.
    count = len(p.events("panel playing"))
    p.click(NEXT)
    p.wait_count("panel playing", count + 1)
    time.sleep(1.0)
    assert 0.4 < recent_peak() / full < 0.6, (full, recent_peak())
    # After the wrap, one shuffled pass plays every track once.
    p.wait_count("panel wrap", 1, timeout=40)
    wraps = len(p.events("panel wrap"))
    p.wait_count("panel playing", len(p.events("panel playing")) + 2, timeout=30)
    events = p.clock.events()
    after = events[max(i for i, e in enumerate(events) if e == "panel wrap"):]
    played = [e.split(" ")[2] for e in after if e.startswith("panel playing")][:3]
    if len(played) < 3:
        p.wait_count("panel wrap", wraps + 1, timeout=30)
    events = p.clock.events()
    first_wrap = [i for i, e in enumerate(events) if e == "panel wrap"][0]
    played = [e.split(" ")[2] for e in events[first_wrap:] if e.startswith("panel playing")][:3]
    assert sorted(played) == ["0", "1", "2"], played
    p.clock.quit()
    assert abs(int(p.clock.read_cfg()["MasterVol"]) - 5000) <= 1, p.clock.read_cfg()["MasterVol"]


if __name__ == "__main__":
    harness.run([test_failures_warn_once_skip_missing_files_and_end_idle,
                 test_a_list_that_starts_unplayable_plays_on_and_a_drop_reaches_the_open_panel,
                 test_videos_show_and_closing_the_window_moves_on,
                 test_auto_hide_after_thirty_seconds_and_showing_again,
                 test_volume_slider_and_a_shuffled_looping_pass])
