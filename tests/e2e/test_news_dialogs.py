"""The news list and news settings dialogs on the real clock, fed by the sample feed server:
rows, marks and colours, ticking feeds, the settings' controls and the new-item notice. Port 80
needs root."""
import os
import shutil
import time

import harness
from harness import wait_until, xdo

WM_COMMAND = 0x0111
CMD_SKIN = 40031
CMD_NEWS_SETTINGS = 40032
CMD_NEWS_LIST = 40033
LIST = 1030
DESCRIPTION = 1032
FEED0 = 1004
ADDRESS0 = 1060
TOOLS = os.path.join(harness.ROOT, "build", "native", "tools")


def count(events, prefix):
    return len([e for e in events if e.startswith(prefix)])


def clock_rect(clock):
    return wait_until(lambda: next((w["rect"] for w in clock.windows() if w["visible"]), None), 20,
                      what="the clock window")


def open_dialog(clock, command, caption):
    assert clock.post(WM_COMMAND, command) == 0
    return wait_until(lambda: next((d for d in clock.dialogs() if d["caption"] == caption), None), 30,
                      what=f"dialog {caption}")


def rows_of(clock):
    return [r["cells"] for r in clock.list_rows(LIST)]


def start(h, screen, cfg=None, news=None, env=None, chimes=False, overrides=()):
    # No hourly voice: a case may run across the hour, and some count what the sink heard.
    values = {"RssScrollTime": 10, "BootSignal": 0, "TimeSignal": 0}
    values.update(cfg or {})
    clock = h.clock(screen, cfg=values, env=env)
    if chimes:
        write_chimes(clock.folder)
    feeds = h.feed_server(clock, overrides=overrides, news=news)
    clock.start()
    clock.wait_event("LoadSkin done")
    return clock, feeds


def test_the_list_from_the_menu_and_the_bar_with_rows_marks_and_red_new(h):
    screen = h.screen()
    screen.paint_background("#000000")
    now = int(time.time())
    clock, feeds = start(h, screen, {"OldTime": now - 5000, "NewDays": 2})
    clock.wait_event("FetchFeeds published")
    box = open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    for text in ("サーバー選択", "Tarvo news", "OK"):
        assert text in box["texts"], (text, box)
    cr = clock_rect(clock)
    # The clock's centre is below the screen's middle: the list goes above it, kept on screen.
    assert box["rect"][1] == max(0, cr[1] - 10 - (box["rect"][3] - box["rect"][1])), (box, cr)
    rows = rows_of(clock)
    a = clock.feed_address
    kinds = "".join(r[3] for r in rows)
    # Four feed headers; every item has its date row; "[0" is not listed, "[1x" is kind 5.
    assert kinds.count("0") == 4, kinds
    assert "4" in kinds and "5" in kinds, kinds
    assert all(rows[i + 1][3] == "2" for i, r in enumerate(rows) if r[3] in "145"), kinds
    assert not any(r[5].startswith("[0") for r in rows), rows
    by_link = {r[2]: r for r in rows if r[3] in "145"}
    assert by_link["http://127.77.0.1/tarvo/1.html"][0] == "NEW"
    assert by_link["http://127.77.0.1/tarvo/3.html"][0] == "New"  # 7200 s old, before OldTime
    assert by_link["http://127.77.0.1/tarvo/6.html"][0] == "   "  # three days old, NewDays 2
    offer = by_link[f"http://{a}/skins/sample.skn"]
    assert offer[3] == "4" and offer[5] == "[1s]sample.skn", offer
    header = rows[0]
    assert header[1] == "Tarvo news" and header[3] == "0" and header[2] == "http://127.77.0.1/tarvo/", header
    date = rows[2]
    assert date[1].startswith(" " * 16) and date[1][16:20].isdigit() and date[1][20] == "/", date
    # Red "NEW" text on the black list.
    shot = wait_until(lambda: (lambda s: s if s.count(box["rect"], lambda p: p[0] > 200 and p[1] < 60
                                                      and p[2] < 60) > 10 else None)(screen.shot()),
                      10, what="red NEW marks")
    shot.save(h.artifact("news-list.png"))
    assert shot.count(box["rect"], lambda p: p[0] > 200 and p[1] > 200 and p[2] < 60) > 10, "no yellow"
    # A click on a row shows its description.
    first_item = next(r for r in clock.list_rows(LIST) if r["cells"][3] == "1")
    l, t, r_, b = first_item["rect"]
    xdo(screen, "mousemove", (l + r_) // 2, (t + b) // 2, "click", 1)
    wait_until(lambda: "短い題名です。" in next(d for d in clock.dialogs()
                                           if d["caption"] == "オクスベルからのお知らせ")["texts"], 10,
               what="the description")
    assert clock.press(1) == 0
    clock.wait_event("news list closed ViewBrand 15")
    # A right-click on the bar opens the list, not the menu.
    xdo(screen, "mousemove", cr[0] + 200, cr[1] + 300, "click", 3)
    wait_until(lambda: any(d["caption"] == "オクスベルからのお知らせ" for d in clock.dialogs()), 30,
               what="the list from the bar")
    assert not [e for e in clock.events() if e.startswith("menu main")], clock.events()
    assert len(rows_of(clock)) == len(rows)
    assert clock.press(1) == 0
    wait_until(lambda: count(clock.events(), "news list closed") == 2, 10, what="the list closed")
    clock.quit()


def test_ticking_fetches_and_unticking_all_drops_the_bar(h):
    screen = h.screen()
    clock, feeds = start(h, screen, {"ViewBrand": 1})
    clock.wait_event("FetchFeeds published")
    a = clock.feed_address
    assert feeds.requests() == [f"GET http://{a}/rss/tarvo.rdf HTTP/1.0\r\n\r\n".encode()]
    open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    assert {r[3] for r in rows_of(clock)} >= {"0", "1", "2"}
    assert clock.control_state(FEED0)["checked"] == 1 and clock.control_state(FEED0 + 1)["checked"] == 0
    assert clock.click(FEED0 + 1) == 0
    clock.wait_event("news list feed 1 on, ViewBrand 3")
    # Ticking refetches every enabled feed.
    wait_until(lambda: len(feeds.requests()) == 3, 20, what="the refetch")
    assert feeds.requests()[1:] == [f"GET http://{a}/rss/tarvo.rdf HTTP/1.0\r\n\r\n".encode(),
                                    f"GET http://{a}/rss/pellin.rdf HTTP/1.0\r\n\r\n".encode()]
    wait_until(lambda: "Pellin news" in [r[1] for r in rows_of(clock)] or
               sum(r[3] == "0" for r in rows_of(clock)) == 2, 10, what="the second feed listed")
    loads = count(clock.events(), "LoadSkin done")
    assert clock.click(FEED0) == 0 and clock.click(FEED0 + 1) == 0
    clock.wait_event("news list feed 1 off, ViewBrand 0")
    assert rows_of(clock) == []
    assert clock.press(1) == 0
    clock.wait_event("news list closed ViewBrand 0")
    wait_until(lambda: count(clock.events(), "LoadSkin done") > loads, 20, what="the reload")
    assert len(feeds.requests()) == 3
    clock.quit()
    assert clock.read_cfg().get("ViewBrand") == "0"


def test_a_feed_ticked_during_a_check_is_fetched_after_it_while_the_list_answers(h):
    screen = h.screen()
    # The start-up check trickles on its first request (one byte a second, up to the 10 s
    # limit). The list opens meanwhile, and a feed ticked there waits for the check to end.
    clock = h.clock(screen, cfg={"RssScrollTime": 10, "BootSignal": 0, "ViewBrand": 1})
    feeds = h.feed_server(clock, overrides=[("/rss/tarvo.rdf", "slow-once")])
    clock.start()
    clock.wait_event("LoadSkin done")
    wait_until(lambda: feeds.requests(), 10, what="the start-up request")
    open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    assert clock.click(FEED0 + 1) == 0
    clock.wait_event("news list feed 1 on, ViewBrand 3")
    assert clock.answers(1000), "the list did not answer during the fetch"
    clock.wait_event("FetchFeeds published", timeout=30)
    events = clock.events()
    assert events.index("news list feed 1 on, ViewBrand 3") < events.index("FetchFeeds failed at feed 0")
    wait_until(lambda: "Pellin news" in [r[1] for r in rows_of(clock)], 10, what="the ticked feed listed")
    a = clock.feed_address
    assert feeds.requests()[1:] == [f"GET http://{a}/rss/tarvo.rdf HTTP/1.0\r\n\r\n".encode(),
                                    f"GET http://{a}/rss/pellin.rdf HTTP/1.0\r\n\r\n".encode()]
    assert clock.press(1) == 0
    clock.quit()


def test_settings_controls_cancel_restores_speed_and_ok_fetches_only_on_a_new_interval(h):
    screen = h.screen()
    clock, feeds = start(h, screen, {"CheckTime": 0, "NewDays": 9, "NewFlag": 3, "ClickMode": 1,
                                     "RssScrollTime": 40})
    clock.wait_event("FetchFeeds published")
    box = open_dialog(clock, CMD_NEWS_SETTINGS, "お知らせの設定")
    for text in ("更新間隔", "新着情報", "更新時の処理", "音を鳴らす。", "確認ボタンを出す。",
                 "RSSバー上のクリック動作", "ダブルクリック", "シングルクリック", "無効", "スクロール速度",
                 "キャンセル"):
        assert text in box["texts"], (text, box)
    interval = clock.control_state(1010)
    assert interval["items"] == [f"{str(n).translate(str.maketrans('0123456789', '０１２３４５６７８９'))} 時間"
                                 for n in range(1, 25)], interval
    recent = clock.control_state(1011)
    assert recent["items"][0] == "１ 日" and recent["items"][-1] == "７ 日" and len(recent["items"]) == 7
    # Out-of-range values still select an entry: 0 hours shows as 1, 9 days as 7.
    assert "１ 時間" in box["texts"] and "７ 日" in box["texts"], box
    assert clock.control_state(1004)["checked"] == 1 and clock.control_state(1005)["checked"] == 1
    assert clock.control_state(1039)["checked"] == 1 and clock.control_state(1038)["checked"] == 0
    assert clock.wintool("slide", 1003, 90)[0] == 0
    clock.wait_event("news settings speed 90")
    assert clock.press(2) == 0
    clock.wait_event("news settings cancel RssScrollTime 40")
    # OK with the interval unchanged (shown as 1) fetches nothing.
    requests = len(feeds.requests())
    open_dialog(clock, CMD_NEWS_SETTINGS, "お知らせの設定")
    assert clock.press(1) == 0
    clock.wait_event("news settings ok CheckTime 1->1")
    time.sleep(2)
    assert len(feeds.requests()) == requests
    # A new interval, other choices: OK fetches once and everything is saved.
    open_dialog(clock, CMD_NEWS_SETTINGS, "お知らせの設定")
    assert clock.select(1010, 5) == 0 and clock.select(1011, 2) == 0
    assert clock.click(1004) == 0 and clock.click(1040) == 0
    assert clock.wintool("slide", 1003, 5)[0] == 0
    assert clock.press(1) == 0
    clock.wait_event("news settings ok CheckTime 1->6 NewDays 3 NewFlag 1 ClickMode 2 RssScrollTime 5")
    wait_until(lambda: len(feeds.requests()) == requests + 4, 20, what="the fetch after OK")
    clock.quit()
    saved = clock.read_cfg()
    assert (saved["CheckTime"], saved["NewDays"], saved["NewFlag"], saved["ClickMode"],
            saved["RssScrollTime"]) == ("6", "3", "1", "2", "5"), saved


def test_feed_addresses_are_checked_on_ok_fetched_and_kept_in_the_settings_file(h):
    screen = h.screen()
    # The second feed's channel is named with an '&' and more than its box holds.
    news = os.path.join(h.artifacts, "news-amp")
    shutil.copytree(harness.TEST_NEWS, news, dirs_exist_ok=True)
    path = os.path.join(news, "pellin.rdf")
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("<title>Pellin news</title>",
                                "<title>ねこ新聞 &amp; テスト 号外つき週末特別版のお知らせ一覧</title>", 1)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    # The server's first feed fails, as on a PC that cannot reach the feed server: the bar goes.
    clock, feeds = start(h, screen, {"NewFlag": 0, "ViewBrand": 3}, news=news,
                         overrides=[("/rss/tarvo.rdf", "404")])
    clock.wait_event("FetchFeeds failed at feed 0")
    box = open_dialog(clock, CMD_NEWS_SETTINGS, "お知らせの設定")
    for text in ("代わりに読むお知らせのアドレス", "空欄のときは標準のお知らせを読みます。", "ペリン"):
        assert text in box["texts"], (text, box)
    # A refused address warns, and the dialog stays open with nothing stored.
    assert clock.set_text(ADDRESS0 + 1, "feed://news.example/rss") == 0
    assert clock.press(1) == 0
    warning = wait_until(lambda: next((d for d in clock.dialogs() if d["caption"] == "TarvoClock"), None),
                         20, what="the warning")
    assert any("ペリン" in t and "「feed://news.example/rss」" in t for t in warning["texts"]), warning
    assert clock.press(1) == 0
    wait_until(lambda: [d["caption"] for d in clock.dialogs()] == ["お知らせの設定"], 10,
               what="the settings back without the warning")
    # An accepted one is stored, and the feeds are fetched again at once, that one from its
    # address (the port written out tells it from the feed server's own feed).
    address = f"http://{clock.feed_address}:80/rss/pellin.rdf"
    assert clock.set_text(ADDRESS0 + 1, address) == 0
    assert clock.press(1) == 0
    clock.wait_event("news settings closed")
    fetched = clock.wait_event(f"feed {address}: ")
    assert " items (" in fetched, fetched
    # Beside the user's own feed the failing one fails alone, and the bar comes back with it.
    clock.wait_event("FetchFeeds published")
    clock.wait_event("ticker slot 0", timeout=20)
    # Its items are news: nothing was announced since the start (OldTime 0), so all are new.
    clock.wait_event("AnnounceNews 1")
    # The list says why the failing feed brings nothing and when the other was fetched; the
    # title keeps its '&' (doubled in the label, so it is no shortcut) and is cut with its tip.
    box = open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    assert "見つかりません (404)" in box["texts"], box
    assert any(t.startswith("取得 ") and t[3:5].isdigit() and t[5] == "/" for t in box["texts"]), box
    label = next(t for t in box["texts"] if t.startswith("ねこ新聞"))
    assert label.startswith("ねこ新聞 && テスト") and label.endswith("…"), label
    clock.wait_event("news list feed 1 title cut, whole as its tip")
    shot = screen.shot()
    shot.save(h.artifact("news-list-status.png"))
    assert clock.press(1) == 0
    clock.wait_event("news list closed")
    clock.quit()
    saved = clock.read_cfg()
    assert (saved.get("FeedUrl0"), saved.get("FeedUrl1")) == ("", address), saved


def write_chimes(folder):
    """A distinctive sound where the platform looks for "chimes": the program's own folder."""
    import struct
    rate, samples = 22050, 11025
    data = b"".join(struct.pack("<h", 12000 if (i // 25) % 2 else -12000) for i in range(samples))
    head = (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" + struct.pack("<I", len(data)))
    with open(os.path.join(folder, "chimes.wav"), "wb") as f:
        f.write(head + data)


def loud(clock):
    """How many bytes of the sound sink are far from silence."""
    raw = clock.sound_bytes()
    import array
    samples = array.array("h", raw[:len(raw) // 2 * 2])
    return sum(1 for v in samples if abs(v) > 4000)


def test_the_notice_swaps_the_icon_chimes_and_shows_the_message(h):
    screen = h.screen()
    clock, feeds = start(h, screen, {"OldTime": 0, "NewFlag": 3}, chimes=True)
    clock.wait_event("AnnounceNews 1")
    clock.wait_event("tray icon ICON_TASK2 1")
    clock.wait_event("chimes")
    box = wait_until(lambda: next((d for d in clock.dialogs() if "お知らせが更新されました。" in d["texts"]), None),
                     20, what="the message")
    assert box["caption"] == "TarvoClock", box
    wait_until(lambda: loud(clock) > 2000, 10, what="the chimes in the sound sink")
    events = clock.events()
    # The start-up check ran before the tray icon existed: the news icon follows the normal one.
    assert events.index("tray icon ICON_TASK2 1") > events.index("tray icon ICON_TASK 1"), events
    normal = count(events, "tray icon ICON_TASK 1")
    assert clock.press(1) == 0
    wait_until(lambda: count(clock.events(), "tray icon ICON_TASK 1") > normal, 10, what="the normal icon")
    clock.quit()


def test_a_close_while_the_message_is_up_closes_it_and_exits_cleanly(h):
    screen = h.screen()
    clock, feeds = start(h, screen, {"OldTime": 0, "NewFlag": 1})
    wait_until(lambda: any("お知らせが更新されました。" in d["texts"] for d in clock.dialogs()), 20,
               what="the message")
    clock.close()
    assert clock.wait_exit(20) == 0
    events = clock.events()
    closing = events.index("WM_CLOSE after the message box")
    # The shutdown runs once the box has gone, and no tray icon comes back after it.
    assert "WM_CLOSE" in events[closing + 1:], events
    assert not [e for e in events[closing:] if e.startswith("tray icon")], events
    assert "message loop ended 0" in events


def test_without_the_message_the_icon_stays_until_a_check_finds_nothing_new(h):
    screen = h.screen()
    clock, feeds = start(h, screen, {"OldTime": 0, "NewFlag": 2, "CheckTime": 24})
    clock.wait_event("tray icon ICON_TASK2 1")
    clock.wait_event("chimes")
    time.sleep(2)
    assert not any("お知らせが更新されました。" in d["texts"] for d in clock.dialogs())
    assert count(clock.events(), "tray icon ICON_TASK 1") == 1
    # A new interval runs a check at once; nothing is new since the notice.
    open_dialog(clock, CMD_NEWS_SETTINGS, "お知らせの設定")
    assert clock.select(1010, 2) == 0
    assert clock.press(1) == 0
    clock.wait_event("AnnounceNews 0")
    wait_until(lambda: count(clock.events(), "tray icon ICON_TASK 1") == 2, 10, what="the normal icon")
    assert count(clock.events(), "chimes") == 1
    clock.quit()


def test_no_sound_when_the_sound_is_off_and_none_when_chimes_is_missing(h):
    screen = h.screen()
    clock, feeds = start(h, screen, {"OldTime": 0, "NewFlag": 0}, chimes=True)
    clock.wait_event("tray icon ICON_TASK2 1")
    time.sleep(2)
    assert count(clock.events(), "chimes") == 0 and loud(clock) == 0
    clock.quit()
    other = h.clock(screen, cfg={"OldTime": 0, "NewFlag": 2, "BootSignal": 0, "TimeSignal": 0})
    h.feed_server(other)
    other.start()
    other.wait_event("chimes")
    time.sleep(2)
    assert loud(other) == 0
    other.quit()


if __name__ == "__main__":
    harness.run([test_the_list_from_the_menu_and_the_bar_with_rows_marks_and_red_new,
                 test_ticking_fetches_and_unticking_all_drops_the_bar,
                 test_a_feed_ticked_during_a_check_is_fetched_after_it_while_the_list_answers,
                 test_settings_controls_cancel_restores_speed_and_ok_fetches_only_on_a_new_interval,
                 test_feed_addresses_are_checked_on_ok_fetched_and_kept_in_the_settings_file,
                 test_the_notice_swaps_the_icon_chimes_and_shows_the_message,
                 test_a_close_while_the_message_is_up_closes_it_and_exits_cleanly,
                 test_without_the_message_the_icon_stays_until_a_check_finds_nothing_new,
                 test_no_sound_when_the_sound_is_off_and_none_when_chimes_is_missing])
