"""News items opened from the list and the bar on the real clock: skin offers downloaded into the
skin folder (and every hostile offer refused with the old file kept), links handed to the
browser only for http and https, and clicks on the bar by ClickMode. Port 80 needs root."""
import os
import shutil
import subprocess
import tempfile
import time

import harness
from harness import wait_until
from test_news_dialogs import (CMD_NEWS_LIST, CMD_NEWS_SETTINGS, CMD_SKIN, LIST, WM_COMMAND, clock_rect,
                               count, open_dialog, xdo)

CMD_HOME_PAGE = 40027


RDF_HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns="http://purl.org/rss/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/">
<channel rdf:about="x"><title>Offers</title><link>http://{{host}}/</link></channel>
"""


def news_folder(h, items):
    """A news folder whose first feed holds `items` [(title, link, extend)], with a code-2
    package two.skn and a plain text file among its skins."""
    import test_skin_dialog
    folder = tempfile.mkdtemp(prefix="tarvo-news-")
    h.feed_servers.append(type("Cleanup", (), {"stop": lambda self: shutil.rmtree(folder, True)})())
    os.makedirs(os.path.join(folder, "skin"))
    test_skin_dialog.make_package(folder, "two.skn", 2, "ペリン二", [("配布二", "二番目のブランドへ")])
    os.rename(os.path.join(folder, "skin"), os.path.join(folder, "skins"))
    with open(os.path.join(folder, "skins", "text.skn"), "wb") as f:
        f.write(b"not a package at all\r\n")
    body = RDF_HEAD
    for title, link, extend in items:
        body += (f'<item rdf:about="{title}"><title>{title}</title><link>{link}</link>'
                 f"<description>{title}</description><dc:date>{{{{age:60}}}}</dc:date>"
                 f"<extend>{extend}</extend></item>\n")
    with open(os.path.join(folder, "tarvo.rdf"), "w", encoding="utf-8") as f:
        f.write(body + "</rdf:RDF>\n")
    return folder


def skin_folder(clock):
    folder = os.path.join(clock.folder, "skin")
    os.makedirs(folder, exist_ok=True)
    return folder


def message_with(clock, text, timeout=30):
    return wait_until(lambda: next((d for d in clock.dialogs() if text in d["texts"]), None), timeout,
                      what=f"message {text}")


def double_click_row(clock, screen, extend):
    row = next(r for r in clock.list_rows(LIST) if r["cells"][3] in "145" and r["cells"][5] == extend)
    l, t, r_, b = row["rect"]
    xdo(screen, "mousemove", (l + r_) // 2, (t + b) // 2, "click", "--repeat", 2, "--delay", 80, 1)


def test_an_offer_from_the_list_is_saved_and_its_brand_gains_the_skins(h):
    screen = h.screen()
    news = news_folder(h, [("二の配布", "http://{{host}}/skins/two.skn", "[1s]two.skn")])
    clock = h.clock(screen, cfg={"ViewBrand": 1, "BootSignal": 0, "OldTime": 0, "NewFlag": 0})
    skins = skin_folder(clock)
    with open(os.path.join(skins, "two.skn"), "wb") as f:
        f.write(b"old bytes")
    h.feed_server(clock, news=news)
    clock.start()
    clock.wait_event("LoadSkin done")
    open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    clicked = time.monotonic()
    double_click_row(clock, screen, "[1s]two.skn")
    box = message_with(clock, "スキンが更新されました。")
    waited = time.monotonic() - clicked
    with open(os.path.join(news, "skins", "two.skn"), "rb") as f, open(os.path.join(skins, "two.skn"), "rb") as g:
        assert f.read() == g.read()
    assert [n for n in os.listdir(skins) if n != "two.skn"] == [], os.listdir(skins)
    events = clock.events()
    assert "package two.skn added" in events, events
    assert box["caption"] == "TarvoClock"
    print(f"  double-click to result: {waited:.2f} s (with the tools' polling)")
    assert clock.press(1) == 0
    assert clock.press(1) == 0
    clock.wait_event("news list closed")
    # Brand 2 lists the new skin after its built-in ones, without a restart.
    open_dialog(clock, CMD_SKIN, "スキン選択")
    assert clock.select(1035, 1) == 0
    wait_until(lambda: "配布二" in clock.control_state(1036)["items"], 10, what="the new skin in brand 2")
    assert clock.press(2) == 0
    clock.quit()


def test_hostile_offers_fail_and_keep_the_old_file(h):
    screen = h.screen()
    shapes = [("..\\evil.skn", "http://{{host}}/skins/two.skn"), ("h404.skn", "http://{{host}}/hostile/404"),
              ("short.skn", "http://{{host}}/hostile/short"), ("reset.skn", "http://{{host}}/hostile/reset"),
              ("text.skn", "http://{{host}}/skins/text.skn"), ("CON.skn", "http://{{host}}/skins/two.skn"),
              ("https.skn", "https://{{host}}/skins/two.skn"), ("stall.skn", "http://{{host}}/hostile/stall")]
    news = news_folder(h, [(f"offer {n}", link, f"[1s]{n}") for n, link in shapes])
    clock = h.clock(screen, cfg={"ViewBrand": 1, "BootSignal": 0, "OldTime": 0, "NewFlag": 0})
    skins = skin_folder(clock)
    for name, _ in shapes:
        if "\\" not in name and name != "CON.skn":
            with open(os.path.join(skins, name), "wb") as f:
                f.write(b"old " + name.encode())
    h.feed_server(clock, news=news)
    clock.start()
    clock.wait_event("LoadSkin done")
    open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    for k, (name, _) in enumerate(shapes[:-1]):
        double_click_row(clock, screen, f"[1s]{name}")
        message_with(clock, "スキンのダウンに失敗しました。")
        wait_until(lambda: count(clock.events(), "skin update result 2") == k + 1, 10, what=f"result of {name}")
        assert clock.press(1) == 0
        wait_until(lambda: not any("スキンのダウンに失敗しました。" in d["texts"] for d in clock.dialogs()), 10,
                   what="the message closed")
    assert not os.path.exists(os.path.join(clock.folder, "evil.skn"))
    # A stalled download leaves the window answering, and the close abandons it at once.
    double_click_row(clock, screen, "[1s]stall.skn")
    clock.wait_event("skin download started")
    time.sleep(2)
    assert clock.answers(1000), "the window did not answer during the download"
    assert clock.press(1) == 0
    clock.wait_event("news list closed")
    clock.close()
    clock.wait_event("skin download ended saved=0 verdict=stopped", timeout=5)
    assert clock.wait_exit(20) == 0
    for name, _ in shapes:
        if "\\" not in name and name != "CON.skn":
            with open(os.path.join(skins, name), "rb") as f:
                assert f.read() == b"old " + name.encode(), name
    assert sorted(os.listdir(skins)) == sorted(n for n, _ in shapes if "\\" not in n and n != "CON.skn")


class LinkRecorder:
    """The prefix's http and https handlers replaced by wintool's recorder for one test."""

    def __init__(self, h, clock):
        self.h = h
        self.log = os.path.join(clock.folder, "links.txt")
        clock.extra_env["TARVO_LINK_LOG"] = "Z:" + self.log.replace("/", "\\")
        tool = "Z:" + os.path.abspath(h.args.wintool).replace("/", "\\")
        self.set(f'"{tool}" record "%1"')

    def set(self, command):
        for scheme in ("http", "https"):
            subprocess.run(["wine", "reg", "add", f"HKCR\\{scheme}\\shell\\open\\command", "/ve", "/d",
                            command, "/f"], env=self.h.wine_env, capture_output=True, timeout=60, check=True)

    def restore(self):
        self.set('"C:\\windows\\system32\\winebrowser.exe" "%1"')

    def links(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return [line.strip() for line in f if line.strip()]


def test_links_reach_the_browser_only_for_http_and_https(h):
    screen = h.screen()
    items = [("web", "http://127.77.0.1/page.html", ""), ("secure", "https://127.77.0.1/s.html", ""),
             ("file", "file:///C:/windows/notepad.exe", ""), ("path", "C:\\windows\\notepad.exe", ""),
             ("unc", "\\\\server\\share\\x.exe", ""), ("script", "javascript:alert(1)", ""),
             ("plain", "http://127.77.0.1/x.html", "[1x")]
    news = news_folder(h, items)
    # The home page of a crafted settings file is refused like a news link.
    clock = h.clock(screen, cfg={"ViewBrand": 1, "BootSignal": 0, "OldTime": 0, "NewFlag": 0,
                                 "URL": "\\\\127.0.0.1\\x\\x.exe"})
    recorder = LinkRecorder(h, clock)
    try:
        h.feed_server(clock, news=news)
        clock.start()
        clock.wait_event("LoadSkin done")
        open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
        rows = clock.list_rows(LIST)
        for k, (title, link, extend) in enumerate(items):
            row = next(r for r in rows if r["cells"][3] in "145" and r["cells"][1] == title)
            l, t, r_, b = row["rect"]
            recorded = len(recorder.links())
            xdo(screen, "mousemove", (l + r_) // 2, (t + b) // 2, "click", "--repeat", 2, "--delay", 80, 1)
            wait_until(lambda: count(clock.events(), "news list open row") > k, 30,
                       what=f"the double-click on {title}")
            if link.startswith("http"):
                # The browser's start may take the focus for a moment: let it finish first.
                wait_until(lambda: len(recorder.links()) > recorded, 30, what=f"the browser for {title}")
                time.sleep(1)
        wait_until(lambda: len(recorder.links()) >= 3, 30, what="the recorded links")
        time.sleep(2)
        assert sorted(recorder.links()) == sorted(["http://127.77.0.1/page.html", "https://127.77.0.1/s.html",
                                                   "http://127.77.0.1/x.html"]), recorder.links()
        assert count(clock.events(), "link refused") == 4, clock.events()
        assert clock.press(1) == 0
        clock.wait_event("news list closed")
        assert clock.post(WM_COMMAND, CMD_HOME_PAGE) == 0
        wait_until(lambda: count(clock.events(), "link refused") == 5, 10, what="the home page refused")
        time.sleep(1)
        assert len(recorder.links()) == 3, recorder.links()
        clock.quit()
    finally:
        recorder.restore()


def set_click_mode(clock, radio):
    open_dialog(clock, CMD_NEWS_SETTINGS, "お知らせの設定")
    assert clock.click(radio) == 0
    assert clock.press(1) == 0
    clock.wait_event("news settings closed")


def test_clicks_on_the_bar_follow_click_mode_and_an_offer_downloads_from_it(h):
    screen = h.screen()
    title = "とても長い題名のお知らせです。クリックのための長い題名をここに書きます。"
    news = news_folder(h, [(title, "http://127.77.0.1/bar.html", "")])
    clock = h.clock(screen, cfg={"ViewBrand": 1, "BootSignal": 0, "OldTime": 0, "NewFlag": 0,
                                 "RssScrollTime": 100, "ClickMode": 0,
                                 "URL": "http://127.77.0.1/home.html"})
    recorder = LinkRecorder(h, clock)
    try:
        h.feed_server(clock, news=news)
        clock.start()
        clock.wait_event("LoadSkin done")
        cr = clock_rect(clock)
        # The title enters from the right at 10 pixels a second; 8 s in, x 300 lies on it.
        time.sleep(8)
        spot = (cr[0] + 300, cr[1] + 305)
        xdo(screen, "mousemove", *spot, "click", 1)
        time.sleep(1.5)
        assert recorder.links() == [] and count(clock.events(), "ClickNewsBar") == 0
        xdo(screen, "mousemove", *spot, "click", "--repeat", 2, "--delay", 80, 1)
        wait_until(lambda: recorder.links() == ["http://127.77.0.1/bar.html"], 20, what="the double-click's link")
        assert "ClickNewsBar 300 slot 0" in clock.events(), clock.events()
        set_click_mode(clock, 1039)
        xdo(screen, "mousemove", *spot, "click", 1)
        wait_until(lambda: len(recorder.links()) == 2, 20, what="the single click's link")
        set_click_mode(clock, 1040)
        clicks = count(clock.events(), "ClickNewsBar")
        xdo(screen, "mousemove", *spot, "click", "--repeat", 2, "--delay", 80, 1)
        xdo(screen, "click", 1)
        time.sleep(2)
        assert count(clock.events(), "ClickNewsBar") == clicks and len(recorder.links()) == 2
        # Left of the slot's left edge (still entering from the right) nothing is hit.
        set_click_mode(clock, 1038)
        xdo(screen, "mousemove", cr[0] + 22, cr[1] + 305, "click", "--repeat", 2, "--delay", 80, 1)
        clock.wait_event("ClickNewsBar 22 slot -1")
        # The home page goes the news links' way.
        assert clock.post(WM_COMMAND, CMD_HOME_PAGE) == 0
        clock.wait_event("link open http://127.77.0.1/home.html")
        wait_until(lambda: len(recorder.links()) == 3, 20, what="the home page's link")
        clock.quit()
    finally:
        recorder.restore()
    # An offer on the bar downloads.
    news = news_folder(h, [("スキン配布中のお知らせ、長い題名で画面に長く残ります。ここを押してください。",
                            "http://{{host}}/skins/two.skn", "[1s]two.skn")])
    other = h.clock(screen, cfg={"ViewBrand": 1, "BootSignal": 0, "OldTime": 0, "NewFlag": 0,
                                 "RssScrollTime": 100})
    skins = skin_folder(other)
    h.feed_server(other, news=news)
    other.start()
    other.wait_event("LoadSkin done")
    cr = clock_rect(other)
    time.sleep(8)
    xdo(screen, "mousemove", cr[0] + 300, cr[1] + 305, "click", "--repeat", 2, "--delay", 80, 1)
    message_with(other, "スキンが更新されました。")
    assert os.listdir(skins) == ["two.skn"], os.listdir(skins)
    assert "package two.skn added" in other.events()
    assert other.press(1) == 0
    other.quit()


if __name__ == "__main__":
    harness.run([test_an_offer_from_the_list_is_saved_and_its_brand_gains_the_skins,
                 test_hostile_offers_fail_and_keep_the_old_file,
                 test_links_reach_the_browser_only_for_http_and_https,
                 test_clicks_on_the_bar_follow_click_mode_and_an_offer_downloads_from_it])
