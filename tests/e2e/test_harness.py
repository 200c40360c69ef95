"""The end-to-end harness itself: sound capture, screenshots and window lookup tell the truth."""
import array

import harness
from harness import wait_until


def test_sound_sink_records_what_is_played(h):
    screen = h.screen()
    quiet = h.clock(screen, name="quiet")
    loud = h.clock(screen, name="loud")
    assert quiet.sound_bytes() == b""
    code, _ = loud.wintool("tone")
    assert code == 0
    data = wait_until(lambda: loud.sound_bytes(), 10, what="sound in the sink")
    samples = array.array("h", data[:len(data) // 2 * 2])
    loudest = max(abs(v) for v in samples)
    assert loudest > 4000, loudest
    # A 440 Hz square wave: the sign changes about 880 times a second whatever the device rate.
    changes = sum(1 for a, b in zip(samples, samples[1:]) if (a < 0) != (b < 0))
    assert changes > 300, changes
    # The other copy's sink stayed silent.
    assert quiet.sound_bytes() == b""


def test_screenshots_see_the_background(h):
    screen = h.screen(width=640, height=480)
    screen.paint_background("#204080")
    shot = screen.shot()
    assert shot.pixel(0, 0) == (0x20, 0x40, 0x80)
    assert shot.count((0, 0, 640, 480), lambda p: p == (0x20, 0x40, 0x80)) == 640 * 480


if __name__ == "__main__":
    harness.run([test_sound_sink_records_what_is_played, test_screenshots_see_the_background])
