"""Measures the start-up/menu sync of the test build against a local chrony: N syncs (1025
posts), each one's |SetClock - host UTC| and the time SyncClock held the UI thread, beside
chronyd's own offset query. A measurement, not a test: nothing here fails on a number.
Usage (from build/mingw-i686): python3 ../../tests/e2e/measure_sntp.py --exe TarvoClockTest.exe
  --product TarvoClock.exe --wintool wintool.exe [MEASURE_SYNCS=50 in the environment]
"""
import os
import re
import statistics
import subprocess
import time

import harness
import test_sntp
from harness import wait_until

SYNC = re.compile(r"SyncClock \S+ result (-?\d+) in (\d+) us$")


def measure(h):
    count = int(os.environ.get("MEASURE_SYNCS", "50"))
    server = test_sntp.Chrony()
    try:
        query = subprocess.run([test_sntp.chronyd(), "-Q", f"server 127.0.0.1 port {server.port} iburst maxsamples 1",
                                "-u", "root", "-f", "/dev/null"], capture_output=True, text=True, timeout=60)
        print("chronyd -Q:", [l for l in (query.stdout + query.stderr).splitlines() if "wrong by" in l])
        screen = h.screen()
        clock = h.clock(screen, cfg={"SntpUse": 0, "TimeServer": f"127.0.0.1:{server.port}"}).start()
        clock.wait_event("LoadSkin done")
        offsets, steps, blocked = [], [], []
        for n in range(count):
            done = len([e for e in clock.events() if e.startswith("SyncClock ")])
            assert clock.post(test_sntp.MSG_SYNC_TIME) == 0
            # Polled every 2 ms: the host time is read within a few ms of the event's writing.
            event = None
            deadline = time.monotonic() + 10
            while event is None and time.monotonic() < deadline:
                events = clock.events()
                sets = [e for e in events if e.startswith("SetClock ")]
                if len(sets) > n:
                    host = time.time()
                    event = sets[n]
                    break
                time.sleep(0.002)
            assert event is not None, f"sync {n} gave no SetClock ({clock.events()[-3:]})"
            offsets.append(test_sntp.utc_of(event) - host)
            syncs = wait_until(lambda: [e for e in clock.events() if e.startswith("SyncClock ")][done:], 10,
                               what="the SyncClock event")
            m = SYNC.search(syncs[0])
            assert m and m.group(1) == "0", syncs[0]
            blocked.append(int(m.group(2)) / 1000)
        steps = [int(e.split()[1]) for e in clock.events() if e.startswith("ClockStep ")]
        clock.quit()
        absolute = [abs(o) for o in offsets]
        print(f"syncs: {count}")
        print(f"|SetClock - host UTC| ms: mean {statistics.mean(absolute) * 1000:.1f} "
              f"median {statistics.median(absolute) * 1000:.1f} max {max(absolute) * 1000:.1f} "
              f"(signed mean {statistics.mean(offsets) * 1000:+.1f}; the trace is read by polling)")
        print(f"SetClock - machine UTC read in the seam (ClockStep) ms: mean {statistics.mean(steps):+.1f} "
              f"max |.| {max(abs(v) for v in steps)} over {len(steps)}")
        print(f"UI thread blocked in SyncClock ms: mean {statistics.mean(blocked):.2f} "
              f"median {statistics.median(blocked):.2f} max {max(blocked):.2f}")
    finally:
        server.stop()


if __name__ == "__main__":
    harness.run([measure])
