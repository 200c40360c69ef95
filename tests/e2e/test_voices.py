"""The character speaks: start and exit greetings, the hourly announcement, and silence when
they are switched off, heard through the ALSA file sink."""
import harness
from harness import wait_until


def test_greetings_play_at_start_and_exit(h):
    screen = h.screen()
    screen.paint_background("#00ff00")
    clock = h.clock(screen, env={"TARVO_TEST_TIME": "2026-12-07 10:20:00"}).start()
    clock.wait_event("PlayStartVoice OGG_VOXA28")
    clock.wait_event("LoadSkin done")
    # The start voice is synchronous: it has been played before the clock thread ran.
    heard = wait_until(lambda: clock.sound_bytes(), 10, what="the start voice in the sink")
    assert len(heard) > 20000, len(heard)
    box = clock.windows()[0]["rect"]
    not_green = lambda p: p != (0, 255, 0)
    shown = wait_until(lambda: screen.shot().count(box, not_green), 10, what="the clock on screen")
    clock.close()
    clock.wait_event("PlayExitVoice OGG_VOXA26", timeout=20)
    # The farewell is spoken by the character still on screen, and only then does it go.
    during = screen.shot().count(box, not_green)
    sound_after_shot = len(clock.sound_bytes())
    assert clock.wait_exit(20) == 0
    events = clock.events()
    assert during > shown // 2, (during, shown)
    assert events.index("PlayExitVoice OGG_VOXA26") < events.index("clock hidden"), events
    assert sound_after_shot < len(clock.sound_bytes()), "the shot came after the farewell ended"
    # The sink starts its file afresh each time the device opens: the exit voice replaced it.
    farewell = clock.sound_bytes()
    assert len(farewell) > 20000 and farewell != heard, (len(farewell), len(heard))


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
                 test_switched_off_or_other_brand_stays_silent,
                 test_the_hour_is_announced_in_the_skin_voice])
