"""Real news end to end: the clock reads feed 0 (RSS 1.0) from the feed server on its own
127.77.N.1:80, and an Atom feed (FeedUrl2) and an RSS 2.0 feed (FeedUrl3) over HTTPS from
localhost, with a certificate from a test CA trusted in this lane's Wine prefix only. The titles
of all three scroll on the bar, pixel for pixel as composed from the news font's glyphs, and the
news list lists them under the address feeds' channel titles. Port 80 needs root, as CI has."""
import os
import subprocess
import sys
import tempfile
import time

import harness
from harness import wait_until
from test_news_bar import bar_beneath, differences, on_screen, replay, window_pixels
from test_news_dialogs import CMD_NEWS_LIST, LIST, open_dialog

TLS = os.path.join(harness.ROOT, "build", "e2e-tls")
RDF = """<?xml version="1.0" encoding="UTF-8"?>
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns="http://purl.org/rss/1.0/"
 xmlns:dc="http://purl.org/dc/elements/1.1/">
<channel rdf:about="x"><title>壱の局</title><link>http://{{host}}/</link></channel>
<item rdf:about="1"><title>壱RDF</title><link>http://{{host}}/1</link>
<description>一つ目</description><dc:date>{{age:60}}</dc:date></item>
</rdf:RDF>
"""
ATOM = """<?xml version="1.0" encoding="UTF-8"?>
<feed xmlns="http://www.w3.org/2005/Atom"><title>弐の局 Atom</title><id>t:2</id>
<updated>{{rfc3339:60:+09:00}}</updated>
<entry><title type="html">弐&lt;b&gt;Atom&lt;/b&gt;</title><link href="http://127.0.0.1/2"/><id>t:2:1</id>
<updated>{{rfc3339:120:-05:00}}</updated><summary>二つ目</summary></entry></feed>
"""
RSS2 = """<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>参の局 RSS</title><link>http://127.0.0.1/</link>
<description>d</description><item><title><![CDATA[参RSS]]></title><link>http://127.0.0.1/3</link>
<description>三つ目</description><pubDate>{{rfc822:180:+0900}}</pubDate></item></channel></rss>
"""
TITLES = ["【壱RDF】", "【弐Atom】", "【参RSS】"]


class HttpsFeeds:
    """The sample feed server over TLS on 127.0.0.1, any free port, serving `folder`."""

    def __init__(self, folder):
        self.port_file = os.path.join(folder, "port")
        self.log = open(os.path.join(folder, "https.log"), "wb")
        self.proc = subprocess.Popen(
            [sys.executable, harness.FEED_SERVER_SCRIPT, "--host", "127.0.0.1", "--port", "0",
             "--port-file", self.port_file, "--news", folder, "--log", os.path.join(folder, "requests.log"),
             "--tls-cert", os.path.join(TLS, "localhost.pem"), "--tls-key", os.path.join(TLS, "localhost.key")],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        self.port = int(wait_until(lambda: os.path.exists(self.port_file) and open(self.port_file).read(), 10,
                                   what="the HTTPS feed server"))
        self.requests = os.path.join(folder, "requests.log")

    def stop(self):
        harness.end_process(self.proc)
        self.log.close()


def test_rss1_atom_and_rss2_titles_scroll_on_the_bar_and_are_listed(h):
    subprocess.run(["bash", os.path.join(harness.ROOT, "scripts", "make-local-ca.sh"), TLS], check=True,
                   timeout=60)
    folder = tempfile.mkdtemp(prefix="tarvo-https-")
    for name, text in (("tarvo.rdf", RDF), ("updates.atom", ATOM), ("tips.xml", RSS2)):
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write(text)
    screen = h.screen()
    screen.paint_background("#5B8DB8")
    https = HttpsFeeds(folder)
    h.feed_servers.append(https)
    clock = h.clock(screen, cfg={
        "RssScrollTime": 40, "BootSignal": 0, "ViewBrand": 1 | 4 | 8,
        "FeedUrl2": f"https://localhost:{https.port}/rss/updates.atom",
        "FeedUrl3": f"https://localhost:{https.port}/rss/tips.xml"})
    code, out = clock.wintool("trust-root", "Z:" + os.path.join(TLS, "ca.pem").replace("/", "\\"))
    assert code == 0, (code, out)
    now = 3000000
    hold = clock.hold_tick

    def steps():
        return len(clock.ticker_steps())

    def ticker(events):
        # The minute may turn meanwhile; only the bar's own lines say whether it moved.
        return [e for e in events if e.startswith("ticker")]

    hold(now)
    h.feed_server(clock, news=folder)
    clock.start()
    clock.wait_event("FetchFeeds published", timeout=40)
    clock.wait_event(f"ticker reset at {now}")
    beneath = bar_beneath()

    # Four steps at a time (a late wake-up takes every step due) until each title has come 40
    # pixels in, when the bar is compared with the composed one.
    checked = []
    surfaces = {}
    for _ in range(120):
        done = steps()
        now += 160
        hold(now)
        wait_until(lambda: steps() > done, 5, step=0.005, what="the steps")
        events = wait_until(lambda: (lambda e: e if time.sleep(0.1) or e == clock.events() else None)(
            clock.events()), 5, step=0, what="the steps taken")
        frame, slots, font, shown = replay(clock, beneath, events, surfaces)
        arrived = [s.text for s in slots if s.active and s.visible - s.gap >= 40 and s.text not in checked]
        if arrived:
            time.sleep(0.3)
            shot = screen.shot()
            assert ticker(clock.events()) == ticker(events), "the bar moved while held"
            bad = differences(window_pixels(shot), on_screen(frame))
            assert not bad, f"{len(bad)} pixels differ with {shown} queued, first {bad[:5]}"
            checked += arrived
            shot.save(h.artifact(f"news-by-address-{len(checked)}.png"))
        if len(checked) >= 3:
            break
    assert checked == TITLES, checked

    # The list: feed 0 under its feed's title, the address feeds under their channel titles.
    open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    rows = [r["cells"] for r in clock.list_rows(LIST)]
    headers = [r[1] for r in rows if r[3] == "0"]
    items = [r[1].strip() for r in rows if r[3] in "145"]
    assert headers[1:] == ["弐の局 Atom", "参の局 RSS"], rows
    assert items == ["壱RDF", "弐Atom", "参RSS"], rows
    assert clock.press(1) == 0
    clock.quit(timeout=10)


if __name__ == "__main__":
    harness.run([test_rss1_atom_and_rss2_titles_scroll_on_the_bar_and_are_listed])
