"""The character speaks: start and exit greetings, the hourly announcement, and silence when
they are switched off, heard through the ALSA file sink."""
import fcntl
import os
import threading

import harness
from harness import wait_until

F_SETPIPE_SZ = 1031


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


def test_switched_off_or_other_brand_stays_silent(h):
    screen = h.screen()
    for cfg in ({"BootSignal": 0}, {"BRAND": 1}):
        clock = h.clock(screen, name="quiet", cfg=cfg, env={"TARVO_TEST_TIME": "2026-12-07 10:20:00"}).start()
        clock.wait_event("LoadSkin done")
        clock.quit(20)
        events = clock.events()
        assert not any(e.startswith("clip ") for e in events), (cfg, events)
        assert clock.sound_bytes() == b"" or max(clock.sound_bytes()) == 0, cfg


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
                 test_switched_off_or_other_brand_stays_silent,
                 test_the_hour_is_announced_in_the_skin_voice])
