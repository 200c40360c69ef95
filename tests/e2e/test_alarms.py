"""Alarms on the real clock: effects and voices on the clock thread, media files in stop windows
of their own heard through the ALSA file sink, the failures that must not hold the clock, and the
alarm list and editor driven from outside."""
import array
import math
import os
import struct
import subprocess
import threading
import time
import wave

import harness
from harness import wait_until
import test_media
import test_sntp

WM_COMMAND = 0x0111
COMMAND_ALARMS = 40012
COMMAND_SKIN = 40031
MSG_ALARM_START = 1026
MSG_SYNC_TIME = 1025
HTCAPTION = 2
STOP_TITLE = "アラーム停止"
LIST_TITLE = "アラーム"
EDITOR_TITLE = "アラームの設定"
# Half a minute before the alarms below, so the first running tick is still in the minute before.
BEFORE = "2026-12-07 07:29:57"


def alarm_cfg(*alarms, **extra):
    """Settings with the start and exit voices off and `alarms` as (number, wave, hour, minute,
    name) tuples."""
    cfg = {"BootSignal": 0, "AlarmFlag": 1}
    for number, wave_kind, hour, minute, name in alarms:
        cfg.update({f"AlarmNo{number:02d}": number, f"AlarmWave{number:02d}": wave_kind,
                    f"AlarmHour{number:02d}": hour, f"AlarmMinite{number:02d}": minute,
                    f"AlarmName{number:02d}": name})
    cfg.update(extra)
    return cfg


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def write_tone(path, seconds=12, frequency=440, rate=44100):
    """A sine tone as a 16-bit stereo .wav."""
    frames = bytearray()
    for i in range(int(seconds * rate)):
        v = int(12000 * math.sin(2 * math.pi * frequency * i / rate))
        frames += struct.pack("<hh", v, v)
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


class Sink:
    """What the sink holds, read as test_media reads the media engine's output: 32-bit float
    stereo in bursts, judged by the zero-crossing rate of whole windows inside loud runs."""

    def __init__(self, raw):
        samples = array.array("f")
        samples.frombytes(raw[:len(raw) // 8 * 8])
        self.left = samples[0::2]

    runs = test_media.Play.runs
    crossing_rates = test_media.Play.crossing_rates


def stop_windows(clock):
    return [w for w in clock.windows("#32770") if w["visible"] and w["owner"] == clock_window(clock)["window"]
            and w["rect"][2] - w["rect"][0] < 300 and w["title"] not in (LIST_TITLE, EDITOR_TITLE)]


def clock_window(clock):
    return next(w for w in clock.windows() if w["visible"])


def titled(clock, title, *args):
    return clock.wintool(*args[:1], title, *args[1:])


def growing(clock, seconds=1.0):
    before = len(clock.sound_bytes())
    time.sleep(seconds)
    return len(clock.sound_bytes()) > before


def box_with(clock, text, timeout=20):
    return wait_until(lambda: next((d for d in clock.dialogs() if any(text in t for t in d["texts"])), None),
                      timeout, what=f"a box saying {text}")


def test_effects_and_voices_ring_on_the_clock_thread(h):
    screen = h.screen()
    clock = h.clock(screen, cfg=alarm_cfg((1, 0, 7, 30, ""), (2, 2, 7, 30, "")),
                    env={"TARVO_TEST_TIME": BEFORE}).start()
    clock.wait_event("LoadSkin done")
    wait_until(lambda: "alarm 2 voice OGG_VOXA24" in clock.events(), 30, what="the voice after the effects")
    events = clock.events()
    at = events.index("CheckAlarms 07:30")
    sequence = [e for e in events[at:] if e.startswith(("alarm", "clip"))]
    # Three effects in a row, then the voice.
    expected = ["alarm 1 effect se09", "clip se09"] * 3 + ["alarm 1 held the clock", "alarm 2 voice OGG_VOXA24",
                                                           "clip OGG_VOXA24", "alarm 2 held the clock"]
    assert len(sequence) >= len(expected), sequence
    assert all(s.startswith(p) for s, p in zip(sequence, expected)), sequence
    assert events.count("CheckAlarms 07:30") == 1, events
    wait_until(lambda: len(clock.sound_bytes()) > 20000 and max(clock.sound_bytes()) > 0, 10,
               what="the alarm in the sink")
    clock.quit(20)

    # Another brand: the voice is silent, the effect still rings.
    quiet = h.clock(screen, name="brand", cfg=alarm_cfg((3, 5, 7, 30, ""), (4, 1, 7, 30, ""), BRAND=1),
                    env={"TARVO_TEST_TIME": BEFORE}).start()
    quiet.wait_event("alarm 4 held the clock", timeout=40)
    events = quiet.events()
    assert not any(e.startswith("clip OGG_VOX") or e.startswith("alarm 3") for e in events), events
    assert events.count("alarm 4 effect se01") == 3, events
    quiet.quit(20)


def test_a_media_file_rings_in_its_stop_window_until_stopped(h):
    media = test_media.media_folder(h)
    screen = h.screen()
    reference = test_media.Play(h, screen, media, "tone.wav")
    assert reference.code == 0, reference.describe()
    tone = test_media.median(reference.crossing_rates())

    clock = h.clock(screen, cfg={})
    write_tone(os.path.join(clock.folder, "wake.wav"))
    # A relative name is found beside the program whatever the current folder.
    clock.write_cfg(alarm_cfg((1, -1, 7, 30, "wake.wav")))
    clock.extra_env = {"TARVO_TEST_TIME": "2026-12-07 07:29:59"}
    clock.start()
    clock.wait_event("alarm 1 playing", timeout=40)
    window = wait_until(lambda: next((w for w in clock.windows("#32770") if w["title"] == "wake"), None), 10,
                        what="the stop window titled with the file's name")
    assert window["owner"] == clock_window(clock)["window"], window
    code, out = titled(clock, "wake", "hittest", 5, 5)
    assert code == 0 and out.strip() == f"hit={HTCAPTION}", (code, out)
    wait_until(lambda: len(clock.sound_bytes()) > 400000, 15, what="the file in the sink")
    heard = test_media.median(Sink(clock.sound_bytes()).crossing_rates())
    assert abs(heard / tone - 1) < 0.05, (heard, tone, len(clock.sound_bytes()))
    # Stray start messages, from this process's point of view any other: nothing changes.
    for n in (0, 9, 2, 1):
        code, out = titled(clock, "wake", "send-to", MSG_ALARM_START, n)
        assert code == 0, (n, code)
    assert sum(1 for e in clock.events() if e.startswith("alarm 1 playing")) == 1

    # A reload while it rings does not open a second window.
    assert clock.post(WM_COMMAND, COMMAND_SKIN) == 0
    wait_until(lambda: any(d["caption"] == "スキン選択" for d in clock.dialogs()), 10, what="the skin dialog")
    assert titled(clock, "スキン選択", "command-to", 2)[0] == 0
    clock.wait_event("alarm 1 file skipped: ringing", timeout=10)

    # Its button stops it: the sink stops growing.
    assert titled(clock, "wake", "click-in", 1)[0] == 0
    clock.wait_event("alarm 1 stopped", timeout=10)
    wait_until(lambda: not growing(clock, 1.0), 10, what="the sink to stop growing")

    # Stopped, a reload within the first 15 seconds rings it again in a new window.
    assert clock.post(WM_COMMAND, COMMAND_SKIN) == 0
    wait_until(lambda: any(d["caption"] == "スキン選択" for d in clock.dialogs()), 10, what="the skin dialog")
    assert titled(clock, "スキン選択", "command-to", 2)[0] == 0
    wait_until(lambda: sum(1 for e in clock.events() if e.startswith("alarm 1 playing")) == 2, 15,
               what="the second ring")
    # A close with the window open stops it and exits with 0.
    clock.quit(30)
    assert "stop windows closed" in clock.events(), clock.events()


def test_two_files_stop_one_by_one(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={})
    for name in ("first.wav", "second.wav"):
        write_tone(os.path.join(clock.folder, name), seconds=15)
    clock.write_cfg(alarm_cfg((2, -1, 7, 30, "first.wav"), (6, -1, 7, 30, windows_path(os.path.join(clock.folder, "second.wav")))))
    clock.extra_env = {"TARVO_TEST_TIME": BEFORE}
    clock.start()
    clock.wait_event("alarm 6 playing", timeout=40)
    clock.wait_event("alarm 2 playing", timeout=5)
    titles = wait_until(lambda: {w["title"] for w in clock.windows("#32770") if w["title"] in ("first", "second")}
                        == {"first", "second"}, 10, what="two stop windows")
    assert titles
    assert titled(clock, "first", "click-in", 1)[0] == 0
    clock.wait_event("alarm 2 stopped", timeout=10)
    time.sleep(0.5)
    assert growing(clock, 1.5), "the other alarm went quiet"
    assert "alarm 6 stopped" not in clock.events()
    assert any(w["title"] == "second" for w in clock.windows("#32770"))
    clock.quit(30)
    assert "alarm 6 stopped" in clock.events()


def test_a_missing_file_holds_neither_the_clock_nor_the_next_alarm(h):
    screen = h.screen()
    clock = h.clock(screen, cfg=alarm_cfg((1, -1, 7, 30, "C:\\nowhere\\gone.mp3"), (2, 1, 7, 30, ""),
                                          (3, 0, 7, 31, "")),
                    env={"TARVO_TEST_TIME": BEFORE}).start()
    clock.wait_event("alarm 1 file missing", timeout=40)
    box = box_with(clock, "ファイルが見つかりません。")
    assert box["caption"] == "TarvoClock", box
    # The later alarm of the same minute rings while the box is up, and so does the next minute's.
    clock.wait_event("alarm 2 held the clock", timeout=20)
    clock.wait_event("CheckAlarms 07:31", timeout=80)
    clock.wait_event("alarm 3 held the clock", timeout=20)
    assert any("ファイルが見つかりません。" in t for d in clock.dialogs() for t in d["texts"])
    assert clock.answers(2000)
    # A close with the box still up exits cleanly.
    clock.quit(20)


def test_a_file_that_cannot_play_blocks_its_alarm(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={})
    with open(os.path.join(clock.folder, "notes.wav"), "w") as f:
        f.write("these are words, not sound\n" * 200)
    clock.write_cfg(alarm_cfg((5, -1, 7, 30, "notes.wav")))
    clock.extra_env = {"TARVO_TEST_TIME": "2026-12-07 07:29:59"}
    clock.start()
    clock.wait_event("alarm 5 unsupported", timeout=40)
    box = box_with(clock, "未対応の形式です。")
    assert box["caption"] == "TarvoClock", box
    assert titled(clock, "TarvoClock", "command-to", 1)[0] == 0
    wait_until(lambda: not any("未対応の形式です。" in t for d in clock.dialogs() for t in d["texts"]), 10,
               what="the box to close")
    clock.wait_event("alarm 5 stop window ended", timeout=10)
    # Blocked until the program restarts: a reload in the same minute does not try again.
    assert clock.post(WM_COMMAND, COMMAND_SKIN) == 0
    wait_until(lambda: any(d["caption"] == "スキン選択" for d in clock.dialogs()), 10, what="the skin dialog")
    assert titled(clock, "スキン選択", "command-to", 2)[0] == 0
    clock.wait_event("alarm 5 file skipped: blocked", timeout=10)
    clock.quit(20)


def xdo_click(screen, rect):
    x, y = (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], env={"DISPLAY": screen.display},
                   check=True, timeout=20)


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


def test_the_list_and_the_editor(h):
    screen = h.screen()
    clock = h.clock(screen, cfg=alarm_cfg((1, -1, 7, 30, "C:\\music\\wake.mp3"), (3, 5, 6, 45, ""),
                                          (4, 77, 12, 0, "")),
                    env={"TARVO_TEST_TIME": "2026-12-07 10:20:30"}).start()
    clock.wait_event("LoadSkin done")
    rows = open_list(clock)
    # Placed beside the clock: 10 pixels below or above it, or held on the screen.
    c = clock_window(clock)["rect"]
    d = dialog_titled(clock, LIST_TITLE)["rect"]
    assert d[1] == c[3] + 10 or d[3] == c[1] - 10 or d[1] == 0 or d[3] == screen.height, (c, d)
    cells = [r["cells"][:3] for r in rows]
    assert cells[0] == ["1.", "07:30", "wake"], cells
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

    # A voice kind from the file: its time, and no sound entry; SET makes it a nameless file alarm.
    edit_row(clock, screen, 2)
    assert selection(clock, 1012) == -1
    assert selection(clock, 1010) == 6 and selection(clock, 1011) == 45
    assert clock.control_state(1012)["items"] == ["標準 1", "標準 2", "ファイルから"]
    assert clock.control_state(1014)["enabled"] == 0 and clock.control_state(1016)["enabled"] == 0
    assert titled(clock, EDITOR_TITLE, "command-to", 1)[0] == 0
    gone(clock, EDITOR_TITLE)
    clock.wait_event("ALARM set 3 06:45 wave=255 name=")
    assert wait_until(lambda: clock.list_rows(1030)[2]["cells"][1:3] == ["06:45", ""], 5, what="row 3 refilled")
    # Enter on the list (which has the focus back, row 3 still selected) edits that row.
    assert titled(clock, LIST_TITLE, "key-to", 1030, 0x0D)[0] == 0
    dialog_titled(clock, EDITOR_TITLE)
    clock.wait_event("ALARM open 3 sound=2")
    assert titled(clock, EDITOR_TITLE, "command-to", 2)[0] == 0
    gone(clock, EDITOR_TITLE)

    # A file alarm opens with its file; RESET clears it.
    edit_row(clock, screen, 0)
    assert selection(clock, 1012) == 2
    assert "C:\\music\\wake.mp3" in editor_texts(clock)
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
    assert [r["cells"][1:3] for r in rows[:3]] == [["07:30", "wake"], ["00:00", "未設定"], ["06:45", "ペリン２"]]

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


class Stamps:
    """When each trace line first appeared, by this machine's monotonic clock: the trace is
    written line by line as things happen, and read here every 10 ms."""

    def __init__(self, clock):
        self.clock = clock
        self.seen = {}
        self.stopping = False
        self.thread = threading.Thread(target=self.watch, daemon=True)
        self.thread.start()

    def watch(self):
        while not self.stopping:
            now = time.monotonic()
            for i, line in enumerate(self.clock.events()):
                self.seen.setdefault((i, line), now)
            time.sleep(0.01)

    def first(self, prefix, after=0.0, timeout=30):
        def found():
            hits = sorted(t for (i, line), t in list(self.seen.items()) if line.startswith(prefix) and t >= after)
            return hits[0] if hits else None
        return wait_until(found, timeout, step=0.02, what=f"event '{prefix}'")

    def stop(self):
        self.stopping = True
        self.thread.join(5)


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
        stamps = Stamps(clock)
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
    harness.run([test_effects_and_voices_ring_on_the_clock_thread,
                 test_a_media_file_rings_in_its_stop_window_until_stopped,
                 test_two_files_stop_one_by_one,
                 test_a_missing_file_holds_neither_the_clock_nor_the_next_alarm,
                 test_a_file_that_cannot_play_blocks_its_alarm,
                 test_the_list_and_the_editor,
                 test_the_hour_signal_cuts_off_an_alarm_voice_and_a_test_effect])
