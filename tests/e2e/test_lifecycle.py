"""Start-up, single instance, window styles, the shifted clock and shutdown of the real program,
and what Windows does to it from outside: a log-off, a taskbar that comes late or is made again."""
import os
import subprocess
import wave

import harness
from harness import wait_until
from test_window import drag, face

WS_POPUP = 0x80000000
WS_CAPTION_SYSMENU_MINMAX = 0x00CB0000
WS_THICKFRAME = 0x00040000
WS_EX_LAYERED = 0x00080000
WS_EX_ACCEPTFILES = 0x00000010


def clock_windows(clock, title=harness.APP_TITLE):
    return wait_until(lambda: [w for w in clock.windows(title) if w["visible"]] and clock.windows(title),
                      30, what="a visible clock window")


def test_starts_shows_and_closes_in_order(h):
    screen = h.screen()
    screen.paint_background("#000000")
    clock = h.clock(screen).start()
    clock.wait_event("DrawTime")
    windows = clock_windows(clock)
    assert len(windows) == 2, windows
    shown = [w for w in windows if w["visible"]]
    hidden = [w for w in windows if not w["visible"]]
    assert len(shown) == 1 and len(hidden) == 1, windows
    face, owner = shown[0], hidden[0]
    # The clock is owned by the hidden window, so it has no taskbar button.
    assert face["owner"] == owner["window"], windows
    assert face["style"] & WS_POPUP and face["exstyle"] & WS_EX_LAYERED and face["exstyle"] & WS_EX_ACCEPTFILES
    assert face["rect"] == (320, 240, 720, 570), face
    # The clock panel of the face (90 x 80 at face point 30, 182) is opaque in every skin.
    shot = wait_until(lambda: (lambda s: s if s.count((350, 422, 440, 502), lambda p: p != (0, 0, 0)) > 6500 else None)(screen.shot()),
                      10, what="the face on screen")
    shot.save(h.artifact("lifecycle-face.png"))
    # Outside the window the background is untouched.
    assert shot.pixel(300, 230) == (0, 0, 0)

    clock.quit()
    events = clock.events()
    order = [e for e in events if e.split(" ")[0] in
             ("WM_CLOSE", "ClockThread", "clock", "StopClip", "PlayExitVoice", "message")]
    assert order == ["ClockThread started", "WM_CLOSE", "ClockThread ended", "clock thread stopped ended=1",
                     "StopClip", "PlayExitVoice", "PlayExitVoice OGG_VOXA26", "clock hidden",
                     "message loop ended 0"], events
    # The settings were written at the close, with the clock's place.
    saved = clock.read_cfg()
    assert saved.get("LEFT") == "320" and saved.get("TOP") == "240", saved


def test_second_copy_leaves_at_once_unless_its_title_differs(h):
    screen = h.screen()
    first = h.clock(screen, name="first").start()
    first.wait_event("DrawTime")
    second = h.clock(screen, name="second").start()
    assert second.wait_exit(15) == 0
    assert second.events() == ["second copy: TarvoClock already running"], second.events()
    assert len(first.windows()) == 2

    other = h.clock(screen, name="other", cfg={"AppTitle": "OtherClock"}).start()
    other.wait_event("DrawTime")
    assert len(clock_windows(other, "OtherClock")) == 2
    assert len(first.windows()) == 2
    for c in (other, first):
        c.post(0x0010, class_name="OtherClock" if c is other else harness.APP_TITLE)
        assert c.wait_exit(15) == 0


def test_framed_windows_and_show_at_creation(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"WinFlame": 0, "ShowWin": 1, "LEFT": 10, "TOP": 20},
                    env={"TARVO_TEST_TIME": "2026-12-07 10:00:05"}).start()
    clock.wait_event("DrawTime")
    windows = clock_windows(clock)
    assert len(windows) == 2 and all(w["visible"] for w in windows), windows
    for w in windows:
        assert w["style"] & WS_CAPTION_SYSMENU_MINMAX == WS_CAPTION_SYSMENU_MINMAX, hex(w["style"])
        assert not w["style"] & WS_THICKFRAME and not w["style"] & WS_POPUP, hex(w["style"])
    owner = next(w for w in windows if w["owner"] == 0)
    # The owner stays where it was created: centred on the 1024 x 768 screen.
    l, t, r, b = owner["rect"]
    assert abs((l + r) // 2 - 512) <= 1 and abs((t + b) // 2 - 384) <= 1, owner
    face = next(w for w in windows if w["owner"] != 0)
    assert face["rect"][:2] == (10, 20), face
    clock.quit()


def test_shifted_clock_drives_the_minute_change_and_hour_signal(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"AlarmFlag": 1}, env={"TARVO_TEST_TIME": "2026-12-07 09:59:57"}).start()
    clock.wait_event("DrawTime 09:59")
    clock.wait_event("DrawTime 10:00", timeout=15)
    clock.wait_event("PlayHourSignal 10")
    events = clock.events()
    draws = [e for e in events if e.startswith("DrawTime")]
    # One draw inside LoadSkin and one on the first running tick at 09:59, then the change.
    assert draws[-1] == "DrawTime 10:00" and all(d == "DrawTime 09:59" for d in draws[:-1]), events
    assert events.index("PlayHourSignal 10") > events.index("DrawTime 10:00")
    # Alarms are checked at the change too (within its first 15 seconds), after the signal.
    assert events.index("CheckAlarms 10:00") > events.index("PlayHourSignal 10"), events
    # The start-time feed check schedules the next one CheckTime (24) hours later.
    assert "CheckFeeds next 08 09:59" in events, events
    clock.quit()


def test_fallback_mode_makes_plain_unowned_windows(h):
    screen = h.screen()
    clock = h.clock(screen, env={"TARVO_TEST_NO_LAYERED": "1"}).start()
    clock.wait_event("DrawTime")
    assert "windows created layered=0" in clock.events()
    windows = clock_windows(clock)
    assert len(windows) == 2, windows
    for w in windows:
        assert w["owner"] == 0 and not w["exstyle"] & WS_EX_LAYERED and w["exstyle"] & WS_EX_ACCEPTFILES, w
    clock.quit()


def test_refuses_a_256_colour_display(h):
    screen = h.screen(depth=8)
    clock = h.clock(screen).start()
    box = wait_until(lambda: clock.dialogs(), 30, what="the warning box")[0]
    assert box["caption"] == "TarvoClock", box
    assert "このソフトは２５６色モードでは動作しません。" in box["texts"], box
    assert clock.press(1) == 0
    assert clock.wait_exit(15) == 0
    assert not any(e.startswith("ClockThread") for e in clock.events()), clock.events()


def test_a_close_that_cannot_save_says_why_and_keeps_the_file(h):
    # A settings file the user made read-only: Windows would refuse to replace it.
    screen = h.screen()
    clock = h.clock(screen)
    kept = b"; my own note\r\n[TarvoClock]\r\nLEFT=100\r\nMine=1\r\n"
    with open(clock.cfg_path, "wb") as f:
        f.write(kept)
    os.chmod(clock.cfg_path, 0o444)
    clock.start()
    clock.wait_event("LoadSkin done")
    clock.close()
    box = wait_until(lambda: next((d for d in clock.dialogs() if any("設定を保存できませんでした。" in t for t in d["texts"])), None),
                     30, what="the warning that the settings were not saved")
    assert any("読み取り専用" in t for t in box["texts"]), box
    assert clock.press(1) == 0
    assert clock.wait_exit(15) == 0
    with open(clock.cfg_path, "rb") as f:
        assert f.read() == kept


def test_a_log_off_saves_what_a_close_would(h):
    # Windows sends no WM_CLOSE at a log-off or shut-down: it asks, tells, and ends the process.
    screen = h.screen()
    clock = h.clock(screen).start()
    clock.wait_event("LoadSkin done")
    drag(screen, (395, 462), (60, 40))
    wait_until(lambda: face(clock)["rect"][:2] == (380, 280), 10, what="the moved clock")
    tone = os.path.join(clock.folder, "quiet.wav")
    with wave.open(tone, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(8000)
        w.writeframes(b"\0\0" * 8000 * 20)
    assert clock.wintool("drop", harness.APP_TITLE, "Z:" + tone.replace("/", "\\"))[0] == 0
    clock.wait_event("panel playing 0", timeout=30)
    code, out = clock.wintool("end-session", harness.APP_TITLE)
    assert "query=0" in out, (code, out)
    clock.stop()
    saved = clock.read_cfg()
    assert (saved.get("LEFT"), saved.get("TOP")) == ("380", "280"), saved
    with open(os.path.join(clock.folder, harness.APP_TITLE + ".lst"), encoding="cp932") as f:
        listed = f.read()
    assert "FILE0000=Z:" in listed and "quiet.wav" in listed, listed
    # Saved well within the five seconds Windows gives, and no farewell.
    saved_in = int(clock.wait_event("session end saved in").split()[4])
    assert saved_in < 5000 and not any(e.startswith("PlayExitVoice") for e in clock.events()), clock.events()


def tray_icon(clock):
    code, out = clock.wintool("tray", harness.APP_TITLE)
    return code == 0 and "icon=1" in out


def test_the_tray_icon_outlives_a_late_taskbar_and_a_new_one(h):
    screen = h.screen()
    clock = h.clock(screen)
    # A clock started with Windows can come before the taskbar: the shell refuses its icon.
    out_path = os.path.join(clock.folder, "taskbar.log")
    with open(out_path, "wb") as out:
        taskbar = subprocess.Popen(["wine", h.args.wintool, "fake-taskbar", "10000"], env=clock.env(),
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
    try:
        wait_until(lambda: b"refusing" in open(out_path, "rb").read(), 30, what="the late taskbar")
        clock.start()
        clock.wait_event("tray icon ICON_TASK 0")
        taskbar.wait(30)
    finally:
        harness.end_process(taskbar)
    wait_until(lambda: tray_icon(clock), 15, what="the icon once the taskbar is there")
    # Explorer restarted: the new taskbar has no icons and says so to every window.
    assert clock.wintool("tray", harness.APP_TITLE, "delete")[0] == 0
    assert not tray_icon(clock)
    assert clock.wintool("broadcast", "TaskbarCreated")[0] == 0
    wait_until(lambda: tray_icon(clock), 10, what="the icon in the new taskbar")
    # A second launch brings the clock back from the tray.
    clock.post(0x0111, 40002)
    wait_until(lambda: not any(w["visible"] for w in clock.windows()), 10, what="the clock in the tray")
    second = h.clock(screen, name="second").start()
    assert second.wait_exit(15) == 0
    wait_until(lambda: any(w["visible"] for w in clock.windows()), 10, what="the clock back")
    assert face(clock)["rect"][:2] == (320, 240)
    clock.quit()


if __name__ == "__main__":
    harness.run([test_starts_shows_and_closes_in_order,
                 test_second_copy_leaves_at_once_unless_its_title_differs,
                 test_framed_windows_and_show_at_creation,
                 test_shifted_clock_drives_the_minute_change_and_hour_signal,
                 test_fallback_mode_makes_plain_unowned_windows,
                 test_refuses_a_256_colour_display,
                 test_a_close_that_cannot_save_says_why_and_keeps_the_file,
                 test_a_log_off_saves_what_a_close_would,
                 test_the_tray_icon_outlives_a_late_taskbar_and_a_new_one])
