"""Measures the clock from start to its first frame (the first complete frame pushed) with a
feed server that accepts and never answers, against the same start with nothing listening on the
feed server's port. The first frame waits for no network, so the ratio is at most 1.2. Two
figures each: inside the program, from the start of its own code to the frame (the trace's
"first frame" event), and seen from outside, from launching Wine to that event in the trace
(which adds Wine's own start, a few hundred noisy milliseconds on a busy machine). One run each,
after one unmeasured start that warms Wine up. A measurement, not a test. Usage (from build/mingw-i686): python3 ../../tests/e2e/measure_startup.py --exe
  TarvoClockTest.exe --product TarvoClock.exe --wintool wintool.exe
"""
import time

import harness


def first_frame(h, stalling):
    screen = h.screen()
    clock = h.clock(screen, cfg={"BootSignal": 0})
    if stalling:
        feeds = h.feed_server(clock, overrides=[("/rss/tarvo.rdf", "stall")])
    began = time.monotonic()
    clock.start()
    frame = harness.wait_until(lambda: next((e for e in clock.events() if e.startswith("first frame")), None),
                               60, step=0.005, what="the first frame")
    shown = time.monotonic() - began
    inside = int(frame.split(" ")[2]) / 1000
    events = clock.events()
    before = events[:events.index(frame)]
    if stalling:
        harness.wait_until(lambda: feeds.requests(), 10, what="the start-up request")
    clock.quit(timeout=20)
    return inside, shown, "FetchFeeds failed at feed 0" in before


def measure(h):
    first_frame(h, False)
    closed = first_frame(h, False)
    stalled = first_frame(h, True)
    for what, i in (("in the program", 0), ("from outside", 1)):
        ratio = stalled[i] / closed[i]
        print(f"start to first frame {what}: closed port {closed[i]:.3f} s, stalling server "
              f"{stalled[i]:.3f} s, ratio {ratio:.2f} ({'within' if ratio <= 1.2 else 'over'} 1.2)")
    print(f"the stalled request {'had failed' if stalled[2] else 'was still open'} at the first frame")


if __name__ == "__main__":
    harness.run([measure])
