"""Start-up, single instance, window styles, the shifted clock and shutdown of the real program."""
import os

import harness
from harness import wait_until

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


if __name__ == "__main__":
    harness.run([test_starts_shows_and_closes_in_order,
                 test_second_copy_leaves_at_once_unless_its_title_differs,
                 test_framed_windows_and_show_at_creation,
                 test_shifted_clock_drives_the_minute_change_and_hour_signal,
                 test_fallback_mode_makes_plain_unowned_windows,
                 test_refuses_a_256_colour_display])
