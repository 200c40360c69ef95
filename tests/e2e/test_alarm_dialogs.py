"""The alarm list and editor driven from outside, and the hour signal cutting off what an alarm or
the editor's test started."""
import time

import harness
from harness import wait_until
import test_sntp
from test_alarms import (EDITOR_TITLE, HTCAPTION, LIST_TITLE, MSG_SYNC_TIME, WM_COMMAND, COMMAND_ALARMS,
                         alarm_cfg, box_with, clock_window, titled)


def xdo_click(screen, rect, clicks=1):
    x, y = (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2
    harness.xdo(screen, "mousemove", x, y, "click", "--repeat", clicks, "--delay", 80, 1)


def dialog_titled(clock, title, timeout=15):
    return wait_until(lambda: next((d for d in clock.dialogs() if d["caption"] == title), None), timeout,
                      what=f"the dialog {title}")


def gone(clock, title, timeout=15):
    wait_until(lambda: all(d["caption"] != title for d in clock.dialogs()), timeout, what=f"{title} to close")


def open_list(clock):
    assert clock.post(WM_COMMAND, COMMAND_ALARMS) == 0
    dialog_titled(clock, LIST_TITLE)
    return wait_until(lambda: clock.list_rows(1030) if len(clock.list_rows(1030)) == 8 else None, 10,
                      what="eight rows")


def edit_row(clock, screen, row):
    """Clicks a row of the list as the mouse does and waits for the editor."""
    rows = clock.list_rows(1030)
    xdo_click(screen, rows[row]["rect"])
    dialog_titled(clock, EDITOR_TITLE)


def selection(clock, control):
    code, out = titled(clock, EDITOR_TITLE, "combo-sel", control)
    assert code == 0, code
    return int(out.strip().split("=")[1])


def editor_texts(clock):
    return next(d for d in clock.dialogs() if d["caption"] == EDITOR_TITLE)["texts"]


# A file name longer than the list is wide.
WAKE = "wake up, this morning alarm has a name longer than the list is wide"


def test_the_list_and_the_editor(h):
    screen = h.screen()
    clock = h.clock(screen, cfg=alarm_cfg((1, -1, 7, 30, f"C:\\music\\{WAKE}.mp3"), (3, 5, 6, 45, ""),
                                          (4, 77, 12, 0, "")),
                    env={"TARVO_TEST_TIME": "2026-12-07 10:20:30"}).start()
    clock.wait_event("LoadSkin done")
    rows = open_list(clock)
    # Placed beside the clock: 10 pixels below or above it, or held on the screen.
    c = clock_window(clock)["rect"]
    d = dialog_titled(clock, LIST_TITLE)["rect"]
    assert d[1] == c[3] + 10 or d[3] == c[1] - 10 or d[1] == 0 or d[3] == screen.height, (c, d)
    cells = [r["cells"][:3] for r in rows]
    assert cells[0] == ["1.", "07:30", WAKE], cells
    # The file column widens to the whole name, past the list's right edge (it scrolls).
    assert rows[0]["rect"][2] > d[2], (rows[0], d)
    assert cells[1] == ["2.", "00:00", "未設定"], cells
    assert cells[2] == ["3.", "06:45", "ペリン２"], cells
    # A kind without a name (a hand-edited file) shows none.
    assert cells[3] == ["4.", "12:00", ""], cells
    assert all(c[1:] == ["00:00", "未設定"] for c in cells[4:]), cells
    assert clock.control_state(1004)["checked"] == 1 and clock.control_state(1030)["enabled"] == 1
    code, out = titled(clock, LIST_TITLE, "hittest", 3, 3)
    assert out.strip() == f"hit={HTCAPTION}", out
    # Refill requests are the list's own; the dialog manager's DM_SETDEFID (same number) is not.
    assert titled(clock, LIST_TITLE, "send-to", 1025, 1)[0] == 0
    assert len(clock.list_rows(1030)) == 8

    # A voice kind from the file: its time, and no sound entry; SET keeps the voice.
    # A double-click opens one editor only (the second click meets the modal editor), beside
    # the clock as the list is.
    xdo_click(screen, rows[2]["rect"], clicks=2)
    e = dialog_titled(clock, EDITOR_TITLE)["rect"]
    assert e[1] == c[3] + 10 or e[3] == c[1] - 10 or e[1] == 0 or e[3] == screen.height, (c, e)
    assert selection(clock, 1012) == -1
    assert selection(clock, 1010) == 6 and selection(clock, 1011) == 45
    assert clock.control_state(1012)["items"] == ["標準 1", "標準 2", "ファイルから"]
    assert clock.control_state(1014)["enabled"] == 0 and clock.control_state(1016)["enabled"] == 0
    assert titled(clock, EDITOR_TITLE, "command-to", 1)[0] == 0
    gone(clock, EDITOR_TITLE)
    clock.wait_event("ALARM set 3 06:45 wave=5 name=")
    assert sum(1 for e in clock.events() if e.startswith("ALARM open")) == 1, clock.events()
    assert wait_until(lambda: clock.list_rows(1030)[2]["cells"][1:3] == ["06:45", "ペリン２"], 5,
                      what="row 3 refilled")
    # Enter on the list (which has the focus back, row 3 still selected) edits that row.
    assert titled(clock, LIST_TITLE, "key-to", 1030, 0x0D)[0] == 0
    dialog_titled(clock, EDITOR_TITLE)
    wait_until(lambda: clock.events().count("ALARM open 3 sound=-1") == 2, 10, what="the second editor")
    assert titled(clock, EDITOR_TITLE, "command-to", 2)[0] == 0
    gone(clock, EDITOR_TITLE)

    # A file alarm opens with its file; RESET clears it.
    edit_row(clock, screen, 0)
    assert selection(clock, 1012) == 2
    assert f"C:\\music\\{WAKE}.mp3" in editor_texts(clock)
    assert clock.control_state(1014)["enabled"] == 1 and clock.control_state(1018)["enabled"] == 1
    assert titled(clock, EDITOR_TITLE, "command-to", 1053)[0] == 0
    gone(clock, EDITOR_TITLE)
    assert wait_until(lambda: clock.list_rows(1030)[0]["cells"][1:3] == ["00:00", "未設定"], 5, what="row 1 reset")

    # An unset alarm opens at the current time with the first effect.
    edit_row(clock, screen, 1)
    assert selection(clock, 1010) == 10 and selection(clock, 1011) == 20 and selection(clock, 1012) == 0
    assert clock.select(1012, 2) == 0
    assert clock.control_state(1014)["enabled"] == 1
    # Typed hours: "24" and "7a" are refused with the box, over the editor.
    for bad in ("24", "7a"):
        assert clock.set_text(1010, bad) == 0
        assert titled(clock, EDITOR_TITLE, "command-to", 1)[0] == 0
        box = box_with(clock, "時間の設定がおかしいです。")
        assert box["caption"] == "TarvoClock", box
        assert titled(clock, "TarvoClock", "command-to", 1)[0] == 0
        wait_until(lambda: not any("時間の設定がおかしいです。" in t for d in clock.dialogs() for t in d["texts"]),
                   10, what="the box to close")
    # "7" is a good hour, but the file choice names no file: the editor stays, silently.
    assert clock.set_text(1010, "7") == 0
    assert clock.set_text(1014, "C:\\nowhere\\x.mp3") == 0
    assert titled(clock, EDITOR_TITLE, "command-to", 1)[0] == 0
    clock.wait_event("ALARM file missing 'C:\\nowhere\\x.mp3'")
    assert any(d["caption"] == EDITOR_TITLE for d in clock.dialogs())
    # A cancelled browse clears the field.
    assert titled(clock, EDITOR_TITLE, "command-to", 1016)[0] == 0
    dialog_titled(clock, "アラームファイル")
    assert titled(clock, "アラームファイル", "command-to", 2)[0] == 0
    gone(clock, "アラームファイル")
    wait_until(lambda: "" in editor_texts(clock) and "C:\\nowhere\\x.mp3" not in editor_texts(clock), 5,
               what="the file field cleared")
    # TEST plays the chosen effect; SET stores the typed hour.
    assert clock.select(1012, 0) == 0
    assert clock.control_state(1014)["enabled"] == 0
    assert titled(clock, EDITOR_TITLE, "command-to", 1013)[0] == 0
    clock.wait_event("ALARM test se09")
    clock.wait_event("clip se09")
    assert titled(clock, EDITOR_TITLE, "command-to", 1)[0] == 0
    gone(clock, EDITOR_TITLE)
    clock.wait_event("ALARM set 2 07:20 wave=0 name=")
    assert wait_until(lambda: clock.list_rows(1030)[1]["cells"][1:3] == ["07:20", "標準 1"], 5, what="row 2")

    # Closed without OK: nothing of it reaches the table, which is saved at exit.
    assert titled(clock, LIST_TITLE, "command-to", 2)[0] == 0
    gone(clock, LIST_TITLE)
    rows = open_list(clock)
    assert [r["cells"][1:3] for r in rows[:3]] == [["07:30", WAKE], ["00:00", "未設定"], ["06:45", "ペリン２"]]

    # Edited again and committed with OK (the switch off too).
    edit_row(clock, screen, 1)
    assert clock.set_text(1010, "") == 0
    assert clock.select(1011, 5) == 0
    assert clock.select(1012, 1) == 0
    assert titled(clock, EDITOR_TITLE, "command-to", 1)[0] == 0
    gone(clock, EDITOR_TITLE)
    clock.wait_event("ALARM set 2 00:05 wave=1 name=")
    assert titled(clock, LIST_TITLE, "click-in", 1004)[0] == 0
    assert clock.control_state(1030)["enabled"] == 0
    assert titled(clock, LIST_TITLE, "click-in", 1)[0] == 0
    gone(clock, LIST_TITLE)
    clock.wait_event("AlarmList closed AlarmFlag=0")
    clock.quit(20)
    saved = clock.read_cfg()
    assert saved["AlarmFlag"] == "0", saved
    assert (saved["AlarmNo02"], saved["AlarmWave02"], saved["AlarmHour02"], saved["AlarmMinite02"]) == \
        ("2", "1", "0", "5"), saved
    # What the cancelled round did is not there.
    assert saved["AlarmWave03"] == "5" and saved["AlarmNo01"] == "1", saved


def test_the_hour_signal_cuts_off_an_alarm_voice_and_a_test_effect(h):
    # The clock is moved through its own SNTP request to a local responder: first to just before
    # 07:00 while the alarm's voice plays, then to just before 08:00 while the editor's effect plays.
    targets = [time.mktime((2026, 12, 7, 6, 59, 59, 0, 0, -1)) + 0.6,
               time.mktime((2026, 12, 7, 7, 59, 59, 0, 0, -1)) + 0.6]
    server = test_sntp.Hostile([[("same", lambda request, t=t: test_sntp.reply(request, transmit=test_sntp.ntp(t)))]
                                for t in targets])
    try:
        screen = h.screen()
        clock = h.clock(screen, cfg=alarm_cfg((1, 2, 6, 59, ""), TimeSignal=1, SntpUse=0,
                                              TimeServer=f"127.0.0.1:{server.port}"),
                        env={"TARVO_TEST_TIME": "2026-12-07 06:58:58"}).start()
        stamps = harness.Stamps(clock)
        try:
            voice = stamps.first("clip OGG_VOXA24", timeout=40)
            assert clock.post(MSG_SYNC_TIME) == 0
            hour = stamps.first("clip OGG_VOXA07", after=voice, timeout=20)
            # The voice lasts 1.89 s: the hour's clip was started within that time, and a new
            # clip always stops the one before. (The file sink takes sound faster than a real
            # device, so the cut itself cannot be heard in it.)
            print(f"voice cut after {hour - voice:.2f} s", flush=True)
            assert hour - voice < 1.8, (voice, hour)

            rows = open_list(clock)
            xdo_click(screen, rows[1]["rect"])
            dialog_titled(clock, EDITOR_TITLE)
            assert titled(clock, EDITOR_TITLE, "command-to", 1013)[0] == 0
            effect = stamps.first("clip se09", timeout=20)
            assert clock.post(MSG_SYNC_TIME) == 0
            eight = stamps.first("clip OGG_VOXA08", after=effect, timeout=20)
            # The effect lasts 1.29 s.
            print(f"effect cut after {eight - effect:.2f} s", flush=True)
            assert eight - effect < 1.2, (effect, eight)
            assert titled(clock, EDITOR_TITLE, "command-to", 2)[0] == 0
            assert titled(clock, LIST_TITLE, "command-to", 2)[0] == 0
            gone(clock, LIST_TITLE)
        finally:
            stamps.stop()
        clock.quit(20)
    finally:
        server.stop()


if __name__ == "__main__":
    harness.run([test_the_list_and_the_editor,
                 test_the_hour_signal_cuts_off_an_alarm_voice_and_a_test_effect])
