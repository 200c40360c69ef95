"""Frames on screen: the premultiplied frame through the layered push, the constant alpha,
the region shape of the fallback mode, and the transparency dialog on the real clock."""
import harness
from harness import wait_until

BACKGROUND = (0x3A, 0x6E, 0xA5)
PROBE_AT = (100, 100)
PROBE_SIZE = (200, 100)


def pattern(x, y):
    """The probe's straight-alpha test pattern as (r, g, b, a)."""
    a = 0 if x < 20 else 255 if x >= 160 else (x - 20) * 255 // 140
    return 255 - y, 200, y * 2, a


def premultiplied(x, y):
    r, g, b, a = pattern(x, y)
    return (r * a >> 8, g * a >> 8, b * a >> 8), a


def start_probe(h, screen, mode, alpha=255):
    probe = h.clock(screen, name="probe", exe=h.args.probe).start(mode, alpha)
    wait_until(lambda: [w for w in probe.windows("SurfaceProbe") if w["visible"]], 30, what="the probe window")
    return probe


def probe_shot(screen):
    # The first frame may land a moment after the window shows.
    def ready():
        shot = screen.shot()
        return shot if shot.pixel(PROBE_AT[0] + 190, PROBE_AT[1] + 50) != BACKGROUND else None
    return wait_until(ready, 10, what="the probe's frame")


def mismatches(shot, expect):
    bad = []
    for y in range(PROBE_SIZE[1]):
        for x in range(PROBE_SIZE[0]):
            want = expect(x, y)
            got = shot.pixel(PROBE_AT[0] + x, PROBE_AT[1] + y)
            if any(abs(g - w) > 2 for g, w in zip(got, want)):
                bad.append(((x, y), got, want))
    return bad


def test_layered_frame_shows_the_premultiplied_pattern(h):
    screen = h.screen()
    screen.paint_background("#3A6EA5")
    probe = start_probe(h, screen, "layered")
    shot = probe_shot(screen)
    shot.save(h.artifact("surface-layered.png"))
    # Without a compositor Wine shapes the window by alpha and shows the premultiplied colour:
    # transparent pixels show the desktop, every other pixel the frame's own colour.
    bad = mismatches(shot, lambda x, y: BACKGROUND if premultiplied(x, y)[1] == 0 else premultiplied(x, y)[0])
    assert not bad, bad[:10]
    assert shot.pixel(PROBE_AT[0] - 1, PROBE_AT[1]) == BACKGROUND
    probe.post(0x0010, class_name="SurfaceProbe")
    assert probe.wait_exit(15) == 0


def test_constant_alpha_scales_the_whole_frame(h):
    screen = h.screen()
    screen.paint_background("#3A6EA5")
    probe = start_probe(h, screen, "layered", 128)
    shot = probe_shot(screen)

    def expect(x, y):
        colour, a = premultiplied(x, y)
        return BACKGROUND if a == 0 else tuple(c * 128 // 255 for c in colour)
    bad = mismatches(shot, expect)
    assert not bad, bad[:10]
    probe.post(0x0010, class_name="SurfaceProbe")
    assert probe.wait_exit(15) == 0


def test_fallback_window_is_shaped_by_the_picture_alpha(h):
    screen = h.screen()
    screen.paint_background("#3A6EA5")
    probe = start_probe(h, screen, "fallback")
    shot = probe_shot(screen)
    shot.save(h.artifact("surface-fallback.png"))
    windows = probe.windows("SurfaceProbe")
    assert windows and not windows[0]["exstyle"] & 0x00080000, windows
    # Outside the region (alpha 0) the desktop shows; inside, the frame copied as it is.
    bad = mismatches(shot, lambda x, y: BACKGROUND if premultiplied(x, y)[1] == 0 else premultiplied(x, y)[0])
    assert not bad, bad[:10]
    probe.post(0x0010, class_name="SurfaceProbe")
    assert probe.wait_exit(15) == 0


def test_transparency_dialog_previews_and_cancel_restores(h):
    screen = h.screen()
    screen.paint_background("#3A6EA5")
    probe = start_probe(h, screen, "layered")
    opaque = probe_shot(screen).pixel(PROBE_AT[0] + 180, PROBE_AT[1] + 50)
    probe.post(0x0111, 40010, class_name="SurfaceProbe")
    box = wait_until(lambda: probe.dialogs(), 30, what="the transparency dialog")[0]
    screen.shot(h.artifact("alpha-dialog.png"))
    assert box["caption"] == "透明度の設定", box
    for text in ("透明度使用", "10%", "100%", "OK", "ｷｬﾝｾﾙ"):
        assert text in box["texts"], box
    # Beside the window, not over it.
    l, t, r, b = box["rect"]
    assert b <= PROBE_AT[1] or t >= PROBE_AT[1] + PROBE_SIZE[1], box

    # Transparency off: the slider is disabled until the box is ticked.
    assert probe.wintool("click", 1004)[0] == 0
    assert probe.wintool("slide", 1003, 64)[0] == 0
    dim = wait_until(lambda: (lambda p: p if p != opaque else None)(screen.shot().pixel(PROBE_AT[0] + 180, PROBE_AT[1] + 50)),
                     10, what="the preview")
    assert all(abs(d - o * 64 // 255) <= 2 for d, o in zip(dim, opaque)), (dim, opaque)
    assert probe.press(2) == 0
    wait_until(lambda: not probe.dialogs(), 10, what="the dialog to close")
    wait_until(lambda: screen.shot().pixel(PROBE_AT[0] + 180, PROBE_AT[1] + 50) == opaque, 10,
               what="the opacity restored by Cancel")
    probe.post(0x0010, class_name="SurfaceProbe")
    assert probe.wait_exit(15) == 0


def test_transparency_dialog_on_the_clock_keeps_its_choice(h):
    screen = h.screen()
    clock = h.clock(screen).start()
    clock.wait_event("LoadSkin done")
    clock.post(0x0111, 40010)
    wait_until(lambda: clock.dialogs(), 30, what="the transparency dialog")
    assert clock.wintool("click", 1004)[0] == 0
    assert clock.wintool("slide", 1003, 200)[0] == 0
    assert clock.press(1) == 0
    clock.wait_event("ALPHA dialog closed ALPHA=200 AlphaUse=1")

    # Unticked, OK stores full opacity whatever the slider shows.
    clock.post(0x0111, 40010)
    wait_until(lambda: clock.dialogs(), 30, what="the transparency dialog again")
    assert clock.wintool("click", 1004)[0] == 0
    assert clock.press(1) == 0
    clock.wait_event("ALPHA dialog closed ALPHA=255 AlphaUse=0")
    clock.quit()
    saved = clock.read_cfg()
    assert saved.get("ALPHA") == "255" and saved.get("AlphaUse") == "0", saved


if __name__ == "__main__":
    harness.run([test_layered_frame_shows_the_premultiplied_pattern,
                 test_constant_alpha_scales_the_whole_frame,
                 test_fallback_window_is_shaped_by_the_picture_alpha,
                 test_transparency_dialog_previews_and_cancel_restores,
                 test_transparency_dialog_on_the_clock_keeps_its_choice])
