"""The clock under the mouse: dragging with and without edge snapping, the popup menu,
z-order, minimising to the tray and back, display commands, and settings written at exit."""
import socket
import time

import harness
from harness import close_menu, menu_windows, open_menu, wait_until, xdo

WM_COMMAND = 0x0111
MSG_TRAY = 32868
WM_RBUTTONUP = 0x0205


# The clock is shaped by its picture: the mouse acts only where the picture is, so every
# pointer position below lies on the clock panel (face 30-120 x 182-262), opaque in every skin.
def face(clock):
    return wait_until(lambda: next((w for w in clock.windows() if w["visible"]), None), 30, what="the clock")


def drag(screen, start, delta, steps=5):
    xdo(screen, "mousemove", *start)
    time.sleep(0.2)
    xdo(screen, "mousedown", 1)
    time.sleep(0.2)
    for i in range(1, steps + 1):
        xdo(screen, "mousemove", start[0] + delta[0] * i // steps, start[1] + delta[1] * i // steps)
        time.sleep(0.05)
    xdo(screen, "mouseup", 1)


def started(h, screen, cfg=None, env=None):
    clock = h.clock(screen, cfg=cfg or {}, env=env).start()
    clock.wait_event("LoadSkin done")
    face(clock)
    return clock


def test_drag_moves_the_clock_and_exit_saves_its_place(h):
    screen = h.screen()
    clock = started(h, screen)
    drag(screen, (395, 462), (60, 40))
    wait_until(lambda: face(clock)["rect"][:2] == (380, 280), 10, what=lambda: f"the moved clock ({face(clock)})")
    clock.quit()
    saved = clock.read_cfg()
    assert (saved["LEFT"], saved["TOP"]) == ("380", "280"), saved


def test_edge_snapping_within_five_pixels_only(h):
    screen = h.screen()
    clock = started(h, screen, {"FitFlag": 1})
    # 320 - 315 = 5 pixels from the left edge of the screen: flush to it.
    drag(screen, (395, 462), (-315, 0))
    wait_until(lambda: face(clock)["rect"][0] == 0, 10, what=lambda: f"the snapped clock ({face(clock)})")
    # One move of 6 pixels away from the edge: stays there. (Each step is judged from where the
    # window is, so a slow drag of single pixels stays held by the edge.)
    drag(screen, (75, 462), (6, 0), steps=1)
    wait_until(lambda: face(clock)["rect"][0] == 6, 10, what=lambda: f"the unsnapped clock ({face(clock)})")
    clock.quit()


def test_without_snapping_the_clock_goes_where_dragged(h):
    screen = h.screen()
    clock = started(h, screen, {"FitFlag": 0})
    drag(screen, (395, 462), (-317, 0))
    wait_until(lambda: face(clock)["rect"][0] == 3, 10, what=lambda: f"the clock at 3 ({face(clock)})")
    clock.quit()


def test_saved_topmost_applies_only_after_a_click(h):
    screen = h.screen()
    clock = started(h, screen, {"Zadd": 1})
    assert face(clock)["topmost"] == 0
    xdo(screen, "mousemove", 395, 462)
    xdo(screen, "click", 1)
    wait_until(lambda: face(clock)["topmost"] == 1, 10, what="topmost after the click")
    clock.post(WM_COMMAND, 40009)
    wait_until(lambda: face(clock)["topmost"] == 0, 10, what="normal z-order")
    clock.quit()
    assert clock.read_cfg()["Zadd"] == "0"


def test_right_click_menu_opens_at_the_pointer_and_commands_act(h):
    screen = h.screen()
    clock = started(h, screen, env={"TARVO_TEST_TIME": "2026-12-07 13:05:00"})
    menu = open_menu(clock, screen, 420, 430)
    # At the pointer, or moved up just enough to fit on the screen, as the system places menus.
    left, top, _, bottom = menu["rect"]
    assert abs(left - 420) <= 2 and (abs(top - 430) <= 2 or (top < 430 and bottom == 768)), menu
    screen.shot(h.artifact("popup-menu.png"))
    assert "menu main at 420,430" in clock.events()
    close_menu(clock, screen, "Escape")

    # "２４時間表示" turns the 1 PM hour digits (01) into 13.
    hour_digits = (350, 466, 386, 494)
    before = screen.shot()
    clock.post(WM_COMMAND, 40020)
    clock.wait_event("command 40020")

    def digits_changed():
        now = screen.shot()
        changed = sum(1 for y in range(hour_digits[1], hour_digits[3]) for x in range(hour_digits[0], hour_digits[2])
                      if now.pixel(x, y) != before.pixel(x, y))
        return changed > 20
    wait_until(digits_changed, 10, what="new hour digits")
    clock.quit()
    assert clock.read_cfg()["Clock24"] == "1"


def test_minimise_to_tray_and_back_from_the_tray_menu(h):
    screen = h.screen()
    clock = started(h, screen)
    clock.post(WM_COMMAND, 40002)
    wait_until(lambda: not any(w["visible"] for w in clock.windows()), 10, what="the clock hidden")
    # The tray icon's right button: the two-item menu, whose first item brings the clock back.
    clock.post(MSG_TRAY, 1, WM_RBUTTONUP)
    wait_until(lambda: menu_windows(clock), 10, what="the tray menu")
    assert any(e.startswith("menu tray") for e in clock.events())
    xdo(screen, "key", "Down", "Return")
    wait_until(lambda: any(w["visible"] for w in clock.windows()), 10, what="the clock restored")
    assert face(clock)["rect"][:2] == (320, 240)
    clock.post(WM_COMMAND, 40001)  # "終了"
    assert clock.wait_exit(15) == 0
    assert clock.read_cfg()["LEFT"] == "320"


def test_closing_through_the_owner_window_from_the_tray_keeps_the_place(h):
    screen = h.screen()
    clock = started(h, screen)
    clock.post(WM_COMMAND, 40002)
    wait_until(lambda: not any(w["visible"] for w in clock.windows()), 10, what="the clock hidden")
    # The close reaches the hidden owner window, not the clock: the clock's own place is saved.
    code, _ = clock.wintool("post-owner", harness.APP_TITLE, 0x0010)
    assert code == 0
    assert clock.wait_exit(15) == 0
    cfg = clock.read_cfg()
    assert (cfg["LEFT"], cfg["TOP"]) == ("320", "240"), cfg


def closed_udp_port():
    """A UDP port of 127.0.0.1 that nothing listens on, so a time sync never leaves the machine."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def test_notices_posted_to_the_clock(h):
    screen = h.screen()
    # 1025 syncs the clock with TimeServer: a closed local port, which fails after its wait.
    clock = started(h, screen, {"TimeServer": f"127.0.0.1:{closed_udp_port()}"})
    notices = [((1026, 0), "お知らせが更新されました。"),
               ((1027, 0), "スキンが更新されました。"),
               ((1027, 1), "スキン情報更新に失敗しました。"),
               ((1027, 2), "スキンのダウンに失敗しました。"),
               ((1025, 0), "時刻合わせに失敗しました。 他のサーバーを指定してみてください。")]
    for (message, wparam), text in notices:
        clock.post(message, wparam)
        box = wait_until(lambda: clock.dialogs(), 20, what=f"the notice {text}")[0]
        assert box["caption"] == "TarvoClock" and text in box["texts"], (text, box)
        # In front of whatever window is active, as the clock opened it on its own.
        assert [w["topmost"] for w in clock.windows("#32770") if w["visible"]] == [1], text
        assert clock.press(1) == 0
        wait_until(lambda: not clock.dialogs(), 10, what="the notice to close")
    # An unknown result code shows nothing.
    clock.post(1027, 7)
    clock.post(0x0111, 40009)
    clock.wait_event("command 40009")
    assert not clock.dialogs()
    clock.quit()


if __name__ == "__main__":
    harness.run([test_drag_moves_the_clock_and_exit_saves_its_place,
                 test_edge_snapping_within_five_pixels_only,
                 test_without_snapping_the_clock_goes_where_dragged,
                 test_saved_topmost_applies_only_after_a_click,
                 test_right_click_menu_opens_at_the_pointer_and_commands_act,
                 test_minimise_to_tray_and_back_from_the_tray_menu,
                 test_closing_through_the_owner_window_from_the_tray_keeps_the_place,
                 test_notices_posted_to_the_clock])
