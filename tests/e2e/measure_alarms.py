"""Measures the alarms on the real clock: how long the clock thread is held by each kind of
alarm (the "held the clock" trace), the time from the alarm check to the first bytes in the sound
sink, and how long a close takes while the effects play, beside a close of an idle clock. A
measurement, not a test: nothing here fails on a number.
Usage (from build/mingw-i686): python3 ../../tests/e2e/measure_alarms.py --exe TarvoClockTest.exe
  --product TarvoClock.exe --wintool wintool.exe --media-probe media_probe.exe [MEASURE_RUNS=3]
"""
import os
import re
import statistics
import time

import harness
import test_alarms
from harness import wait_until

HELD = re.compile(r"alarm 1 held the clock (\d+) ms$")
KINDS = {"effect se09 x3": 0, "effect se01 x3": 1, "voice": 2, "media file": -1}


def stamp(clock, predicate, timeout=40):
    """This machine's monotonic time at which predicate(clock) first held, polled every 2 ms."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate(clock):
            return time.monotonic()
        time.sleep(0.002)
    raise AssertionError("timed out")


def one_alarm(h, screen, kind):
    clock = h.clock(screen, name="measure", cfg={})
    test_alarms.write_tone(os.path.join(clock.folder, "wake.wav"), seconds=4)
    clock.write_cfg(test_alarms.alarm_cfg((1, kind, 7, 30, "wake.wav")))
    clock.extra_env = {"TARVO_TEST_TIME": "2026-12-07 07:29:58"}
    clock.start()
    checked = stamp(clock, lambda c: "CheckAlarms 07:30" in c.events())
    sounded = stamp(clock, lambda c: len(c.sound_bytes()) > 0, timeout=20)
    held = wait_until(lambda: next((HELD.match(e) for e in clock.events() if HELD.match(e)), None), 30,
                      what="the held time")
    clock.quit(30)
    return int(held.group(1)), (sounded - checked) * 1000


def close_time(h, screen, ringing):
    cfg = test_alarms.alarm_cfg((1, 0, 7, 30, "")) if ringing else test_alarms.alarm_cfg()
    clock = h.clock(screen, name="close", cfg=cfg, env={"TARVO_TEST_TIME": "2026-12-07 07:29:58"}).start()
    if ringing:
        clock.wait_event("alarm 1 effect se09", timeout=40)
    else:
        clock.wait_event("CheckAlarms 07:30", timeout=40)
    started = time.monotonic()
    clock.quit(30)
    return (time.monotonic() - started) * 1000


def measure(h):
    runs = int(os.environ.get("MEASURE_RUNS", "3"))
    screen = h.screen()
    for name, kind in KINDS.items():
        held, first = [], []
        for _ in range(runs):
            a, b = one_alarm(h, screen, kind)
            held.append(a)
            first.append(b)
        print(f"{name:15s} clock thread held ms: median {statistics.median(held):7.1f} max {max(held):7d}   "
              f"alarm check to first sound ms: median {statistics.median(first):7.1f} max {max(first):7.1f}",
              flush=True)
    idle = [close_time(h, screen, False) for _ in range(runs)]
    ringing = [close_time(h, screen, True) for _ in range(runs)]
    print(f"close ms: idle clock median {statistics.median(idle):.0f}, during the effects median "
          f"{statistics.median(ringing):.0f} (ratio {statistics.median(ringing) / statistics.median(idle):.2f}; "
          f"one se09 play is 1290 ms)", flush=True)


if __name__ == "__main__":
    harness.run([measure])
