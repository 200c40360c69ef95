"""Alarms on the real clock: effects and voices on the clock thread, media files in stop windows
of their own heard through the ALSA file sink, and the failures that must not hold the clock."""
import array
import math
import os
import struct
import time
import wave

import harness
from harness import wait_until
import test_media
import test_skin_dialog
import test_sntp

WM_COMMAND = 0x0111
COMMAND_ALARMS = 40012
COMMAND_SKIN = 40031
MSG_ALARM_START = 1026
MSG_SYNC_TIME = 1025
MSG_NEWS_ICON = 1028
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
    # The last line of the sequence: the voice's own lines follow its start by a moment.
    wait_until(lambda: any(e.startswith("alarm 2 held the clock") for e in clock.events()), 30,
               what="the voice after the effects")
    events = clock.events()
    at = events.index("CheckAlarms 07:30")
    sequence = [e for e in events[at:] if e.startswith(("alarm", "clip"))]
    # The effect three times over as one sound, then the voice once the effect has ended.
    expected = ["alarm 1 effect se09 x3", "clip se09 ", "clip se09 x3 plays 3870 ms", "alarm 1 held the clock",
                "alarm 2 waits", "alarm 2 voice OGG_VOXA24", "clip OGG_VOXA24 ", "clip OGG_VOXA24 x1 plays",
                "alarm 2 held the clock"]
    assert len(sequence) >= len(expected), sequence
    assert all(s.startswith(p) for s, p in zip(sequence, expected)), sequence
    held = int(next(e for e in sequence if e.startswith("alarm 1 held the clock")).split()[-2])
    assert held < 500, sequence
    assert events.count("CheckAlarms 07:30") == 1, events
    wait_until(lambda: len(clock.sound_bytes()) > 20000 and max(clock.sound_bytes()) > 0, 10,
               what="the alarm in the sink")
    clock.quit(20)

    # A brand without voices (a package's): the voice is silent, the effect still rings.
    quiet = h.clock(screen, name="brand", cfg=alarm_cfg((3, 5, 7, 30, ""), (4, 1, 7, 30, ""), BRAND=6),
                    env={"TARVO_TEST_TIME": BEFORE})
    os.makedirs(os.path.join(quiet.folder, "skin"))
    test_skin_dialog.make_package(quiet.folder, "seven.skn", 7, "第七", [("S0", "c")])
    quiet.start()
    quiet.wait_event("alarm 4 held the clock", timeout=40)
    events = quiet.events()
    assert not any(e.startswith("clip OGG_VOX") or e.startswith("alarm 3") for e in events), events
    assert events.count("alarm 4 effect se01 x3") == 1, events
    quiet.quit(20)


def test_a_voice_playing_is_not_cut_off_by_an_alarm_or_the_news_sound(h):
    # 12:00 in the third voice is the longest announcement (4.1 s): room for the news notice to
    # arrive while it plays.
    screen = h.screen()
    clock = h.clock(screen, cfg=alarm_cfg((1, 0, 12, 0, ""), TimeSignal=1, Clock24=1, NewFlag=2,
                                          TimeSetting="2" + "0" * 38),
                    env={"TARVO_TEST_TIME": "2026-12-07 11:59:57"}).start()
    stamps = harness.Stamps(clock)
    try:
        hour = stamps.first("clip OGG_VOXC12 x1 plays", timeout=40)
        line = next(e for e in clock.events() if e.startswith("clip OGG_VOXC12 x1 plays"))
        length = int(line.split()[-2]) / 1000
        # New items arrive while the announcement plays.
        assert clock.post(MSG_NEWS_ICON, 1) == 0
        effect = stamps.first("clip se09 x3 plays", timeout=20)
        chimes = stamps.first("chimes", timeout=20)
    finally:
        stamps.stop()
    events = clock.events()
    print(f"announcement {length:.2f} s; the alarm after {effect - hour:.2f} s, the news sound after "
          f"{chimes - hour:.2f} s", flush=True)
    assert any(e.startswith("alarm 1 waits") for e in events), events
    assert any(e.startswith("news sound waits") for e in events), events
    # Each started once the announcement had ended, and not much later.
    assert length - 0.1 <= effect - hour <= length + 1, (hour, effect, length)
    assert chimes - hour >= length - 0.1, (hour, chimes, length)
    clock.quit(20)


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
    # Owned by no window of another thread (that would join its input to the clock's), and so
    # kept on top by its own style.
    assert window["owner"] == 0 and window["topmost"] == 1, window
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
    # The next minute is reached at once by moving the clock through its own SNTP request.
    target = time.mktime((2026, 12, 7, 7, 30, 59, 0, 0, -1)) + 0.5
    server = test_sntp.Hostile([[("same", lambda request: test_sntp.reply(request, transmit=test_sntp.ntp(target)))]])
    try:
        screen = h.screen()
        clock = h.clock(screen, cfg=alarm_cfg((1, -1, 7, 30, "C:\\nowhere\\gone.mp3"), (2, 1, 7, 30, ""),
                                              (3, 0, 7, 31, ""), SntpUse=0, TimeServer=f"127.0.0.1:{server.port}"),
                        env={"TARVO_TEST_TIME": BEFORE}).start()
        clock.wait_event("alarm 1 file missing", timeout=40)
        box = box_with(clock, "ファイルが見つかりません。")
        assert box["caption"] == "TarvoClock", box
        # The later alarm of the same minute rings while the box is up, and so does the next
        # minute's, after the face has turned over.
        clock.wait_event("alarm 2 held the clock", timeout=20)
        assert clock.post(MSG_SYNC_TIME) == 0
        clock.wait_event("DrawTime 07:31", timeout=20)
        clock.wait_event("alarm 3 held the clock", timeout=20)
        assert any("ファイルが見つかりません。" in t for d in clock.dialogs() for t in d["texts"])
        assert clock.answers(2000)
        # A close with the box still up exits cleanly.
        clock.quit(20)
    finally:
        server.stop()


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
    # Over its stop window, on the same thread, and in front of whatever is active.
    boxes = clock.windows("#32770")
    shown = next(w for w in boxes if w["title"] == "TarvoClock")
    stop = next((w for w in boxes if w["window"] == shown["owner"]), None)
    assert stop is not None and stop["owner"] == 0 and shown["topmost"] == 1, boxes
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


if __name__ == "__main__":
    harness.run([test_effects_and_voices_ring_on_the_clock_thread,
                 test_a_media_file_rings_in_its_stop_window_until_stopped,
                 test_two_files_stop_one_by_one,
                 test_a_missing_file_holds_neither_the_clock_nor_the_next_alarm,
                 test_a_file_that_cannot_play_blocks_its_alarm,
                 test_a_voice_playing_is_not_cut_off_by_an_alarm_or_the_news_sound])
