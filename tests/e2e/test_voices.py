"""The character speaks: start and exit greetings in every character's voice, the hourly
announcement, and silence when they are switched off or "なし" is chosen for the skin, heard
through the ALSA file sink."""
import fcntl
import os
import threading

import harness
from harness import wait_until

F_SETPIPE_SZ = 1031
WM_COMMAND = 0x0111
COMMAND_SKIN = 40031
IDOK, IDCANCEL = 1, 2
IDC_SKIN_VOICE = 1037
# The skin dialog's voice list: the four characters in voice-set order, then silence.
VOICE_ENTRIES = ["タルボ", "ペリン", "クオラ", "ビムジー", "なし"]


def test_greetings_play_at_start_and_exit(h):
    screen = h.screen()
    clock = h.clock(screen, env={"TARVO_TEST_TIME": "2026-12-07 10:20:00"}).start()
    clock.wait_event("PlayStartVoice OGG_VOXA28")
    clock.wait_event("LoadSkin done")
    # The start voice is synchronous: it has been played before the clock thread ran.
    heard = wait_until(lambda: clock.sound_bytes(), 10, what="the start voice in the sink")
    assert len(heard) > 20000, len(heard)
    clock.quit(20)
    events = clock.events()
    assert "PlayExitVoice OGG_VOXA26" in events, events
    # The sink starts its file afresh each time the device opens: the exit voice replaced it.
    farewell = clock.sound_bytes()
    assert len(farewell) > 20000 and farewell != heard, (len(farewell), len(heard))


class HeldSink:
    """A sound sink the test can hold: ALSA's file plugin writes into a pipe that a thread
    drains, and while the test holds it the player blocks part way through its sound."""

    def __init__(self, clock):
        self.path = os.path.join(clock.folder, "sound.fifo")
        os.mkfifo(self.path)
        home = os.path.join(clock.folder, "home")
        os.makedirs(home)
        with open(os.path.join(home, ".asoundrc"), "w") as f:
            f.write(f'pcm.!default {{\n type file\n slave.pcm "null"\n file "{self.path}"\n format "raw"\n}}\n')
        self.flowing = threading.Event()
        self.flowing.set()
        self.ended = False
        self.opens = []  # the bytes of each time the device was opened
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._drain, daemon=True)
        self.thread.start()

    def _drain(self):
        while not self.ended:
            with open(self.path, "rb", buffering=0) as f:
                # The smallest pipe, so a hold stops the writer within a few milliseconds of sound.
                fcntl.fcntl(f.fileno(), F_SETPIPE_SZ, 4096)
                with self.lock:
                    self.opens.append(bytearray())
                while True:
                    self.flowing.wait()
                    chunk = f.read(1024)
                    if not chunk:
                        break
                    with self.lock:
                        self.opens[-1] += chunk

    def sizes(self):
        with self.lock:
            return [len(b) for b in self.opens]

    def close(self):
        self.ended = True
        self.flowing.set()
        # Wakes a drain thread waiting for the next writer.
        fd = os.open(self.path, os.O_WRONLY | os.O_NONBLOCK) if self.thread.is_alive() else None
        if fd is not None:
            os.close(fd)
        self.thread.join(5)


def test_the_farewell_is_spoken_by_the_clock_on_screen(h):
    screen = h.screen()
    screen.paint_background("#00ff00")
    clock = h.clock(screen, env={"TARVO_TEST_TIME": "2026-12-07 10:20:00"})
    sink = HeldSink(clock)
    try:
        clock.start()
        clock.wait_event("LoadSkin done")
        wait_until(lambda: any(n > 20000 for n in sink.sizes()), 10, what="the start voice")
        box = clock.windows()[0]["rect"]
        not_green = lambda p: p != (0, 255, 0)
        shown = wait_until(lambda: screen.shot().count(box, not_green), 10, what="the clock on screen")
        before = len(sink.sizes())
        clock.close()
        clock.wait_event("PlayExitVoice OGG_VOXA26", timeout=20)
        # Hold the farewell part way through: the sink has opened again and taken some of it.
        wait_until(lambda: len(sink.sizes()) > before and sink.sizes()[-1] > 0, 10, what="the farewell")
        sink.flowing.clear()
        held_at = sink.sizes()[-1]
        during = screen.shot().count(box, not_green)
        assert "clock hidden" not in clock.events(), clock.events()
        assert during > shown // 2, (during, shown)
        sink.flowing.set()
        assert clock.wait_exit(20) == 0
        events = clock.events()
        assert events.index("PlayExitVoice OGG_VOXA26") < events.index("clock hidden"), events
        # The farewell went on after the hold, to its end.
        assert sink.sizes()[-1] > held_at + 20000, (held_at, sink.sizes())
        print(f"farewell held at {held_at} of {sink.sizes()[-1]} bytes")
    finally:
        clock.stop()
        sink.close()


def assert_silent(clock, what):
    events = clock.events()
    assert not any(e.startswith("clip ") for e in events), (what, events)
    assert clock.sound_bytes() == b"" or max(clock.sound_bytes()) == 0, what


def test_switched_off_stays_silent(h):
    screen = h.screen()
    clock = h.clock(screen, name="quiet", cfg={"BootSignal": 0},
                    env={"TARVO_TEST_TIME": "2026-12-07 10:20:00"}).start()
    clock.wait_event("LoadSkin done")
    clock.quit(20)
    assert_silent(clock, "BootSignal 0")


def test_every_character_greets_in_her_own_voice(h):
    screen = h.screen()
    heard = {}
    for brand, voice in enumerate("ABCD"):
        clock = h.clock(screen, name=f"brand{brand}", cfg={"BRAND": brand, "CHARA": 1},
                        env={"TARVO_TEST_TIME": "2026-12-07 10:20:00"}).start()
        clock.wait_event(f"PlayStartVoice OGG_VOX{voice}28")
        clock.wait_event("LoadSkin done")
        heard[brand] = wait_until(lambda: (lambda b: b if len(b) > 20000 else None)(clock.sound_bytes()),
                                  10, what=f"brand {brand}'s start voice in the sink")
        clock.quit(20)
        assert f"PlayExitVoice OGG_VOX{voice}26" in clock.events(), (brand, clock.events())
    assert len(set(heard.values())) == 4, "two characters sounded the same"


def open_skin_dialog(clock):
    assert clock.post(WM_COMMAND, COMMAND_SKIN) == 0
    wait_until(lambda: clock.dialogs(), 30, what="the skin dialog")
    return clock.control_state(IDC_SKIN_VOICE)


def test_none_chosen_in_the_skin_dialog_silences_the_skin_from_then_on(h):
    screen = h.screen()
    env = {"TARVO_TEST_TIME": "2026-12-07 10:20:00"}
    clock = h.clock(screen, cfg={"BRAND": 2, "CHARA": 1}, env=env).start()
    clock.wait_event("PlayStartVoice OGG_VOXC28")
    clock.wait_event("LoadSkin done")

    # The list offers the four characters and silence, showing the skin's own voice.
    voices = open_skin_dialog(clock)
    assert voices["items"] == VOICE_ENTRIES and voices["enabled"] == 1, voices
    assert clock.wintool("combo-sel", "スキン選択", IDC_SKIN_VOICE)[1].strip() == "sel=2"
    # Cancel forgets a choice.
    assert clock.select(IDC_SKIN_VOICE, 1) == 0
    clock.wait_event("SKIN voice 2/1 entry 1")
    assert clock.press(IDCANCEL) == 0
    clock.wait_event("SKIN dialog closed")
    open_skin_dialog(clock)
    assert clock.wintool("combo-sel", "スキン選択", IDC_SKIN_VOICE)[1].strip() == "sel=2"
    # OK stores "なし" for this skin: the farewell is already silent.
    assert clock.select(IDC_SKIN_VOICE, VOICE_ENTRIES.index("なし")) == 0
    assert clock.press(IDOK) == 0
    clock.wait_event("SKIN voice stored 2/1 choice -1")
    greeted = len(clock.sound_bytes())
    clock.quit(20)
    assert not any(e.startswith("PlayExitVoice OGG_") for e in clock.events()), clock.events()
    saved = clock.read_cfg()
    # Two digits per skin; skin 0 keeps クオラ's own voice.
    assert saved.get("VoiceSet2") == "2499", saved
    assert greeted > 20000 and clock.sound_bytes() != b"", greeted

    again = h.clock(screen, name="again", cfg=saved, env=env).start()
    again.wait_event("LoadSkin done")
    again.quit(20)
    assert_silent(again, "なし chosen")


def test_the_hour_is_announced_in_the_skin_voice(h):
    screen = h.screen()
    clock = h.clock(screen, cfg={"BootSignal": 0, "TimeSetting": "2" + "0" * 38},
                    env={"TARVO_TEST_TIME": "2026-12-07 13:59:57"}).start()
    clock.wait_event("LoadSkin done")
    assert clock.sound_bytes() == b""
    # 12-hour display: 14 o'clock is clip 02, in voice set C as the settings choose.
    clock.wait_event("clip OGG_VOXC02", timeout=15)
    wait_until(lambda: len(clock.sound_bytes()) > 20000, 10, what="the announcement in the sink")
    clock.quit(20)


if __name__ == "__main__":
    harness.run([test_greetings_play_at_start_and_exit,
                 test_the_farewell_is_spoken_by_the_clock_on_screen,
                 test_switched_off_stays_silent,
                 test_every_character_greets_in_her_own_voice,
                 test_none_chosen_in_the_skin_dialog_silences_the_skin_from_then_on,
                 test_the_hour_is_announced_in_the_skin_voice])
