"""Measures a skin offer from double-click to result: a 1 MB package beside a small one (the
baseline), each downloaded N times from the list, timed from the double-click to the result's
message on screen and inside the program (worker start to end). A measurement, not a test.
Usage (from build/mingw-i686): python3 ../../tests/e2e/measure_skin_download.py --exe
  TarvoClockTest.exe --product TarvoClock.exe --wintool wintool.exe [MEASURE_DOWNLOADS=5]
"""
import os
import re
import statistics
import subprocess
import time

import harness
from test_news_dialogs import CMD_NEWS_LIST, open_dialog
from test_news_offers import double_click_row, message_with, news_folder, skin_folder
from test_skin_dialog import SKN_BUILD

ENDED = re.compile(r"skin download ended saved=1 .* after (\d+) ms$")


def add_big_package(folder, megabytes):
    """big.skn: a catalogue document for brand 2 and `megabytes` of incompressible data."""
    work = os.path.join(folder, "work-big")
    os.makedirs(work)
    doc = os.path.join(work, "big.xml")
    with open(doc, "wb") as f:
        f.write("<brand><title>大きい</title><code>2</code><skin><name>B</name><file>p</file>"
                "<rss>p</rss><moji>p</moji></skin></brand>".encode("cp932"))
    data = os.path.join(work, "noise.kpz")
    with open(data, "wb") as f:
        f.write(os.urandom(megabytes * 1024 * 1024))
    subprocess.run([SKN_BUILD, "-o", os.path.join(folder, "skins", "big.skn"), doc, data], check=True, timeout=60)


def measure(h):
    runs = int(os.environ.get("MEASURE_DOWNLOADS", "5"))
    screen = h.screen()
    news = news_folder(h, [("small", "http://{{host}}/skins/two.skn", "[1s]two.skn"),
                           ("big", "http://{{host}}/skins/big.skn", "[1s]big.skn")])
    add_big_package(news, 1)
    clock = h.clock(screen, cfg={"ViewBrand": 1, "BootSignal": 0, "OldTime": 0, "NewFlag": 0})
    skin_folder(clock)
    h.feed_server(clock, news=news)
    clock.start()
    clock.wait_event("LoadSkin done")
    open_dialog(clock, CMD_NEWS_LIST, "オクスベルからのお知らせ")
    results = {}
    for name in ("two.skn", "big.skn"):
        size = os.path.getsize(os.path.join(news, "skins", name))
        shown, inside = [], []
        for _ in range(runs):
            before = len(clock.events())
            began = time.monotonic()
            double_click_row(clock, screen, f"[1s]{name}")
            message_with(clock, "スキンが更新されました。")
            shown.append(time.monotonic() - began)
            ended = [ENDED.search(e) for e in clock.events()[before:]]
            inside.extend(int(m.group(1)) for m in ended if m)
            assert clock.press(1) == 0
            harness.wait_until(lambda: not any("スキンが更新されました。" in d["texts"] for d in clock.dialogs()),
                               10, what="the message closed")
        results[name] = (size, statistics.median(shown), statistics.median(inside))
    small, big = results["two.skn"], results["big.skn"]
    print(f"{'package':10} {'bytes':>9} {'double-click to message (s)':>28} {'download in program (ms)':>25}")
    for name, (size, s, ms) in results.items():
        print(f"{name:10} {size:9d} {s:28.2f} {ms:25.0f}")
    print(f"ratio big/small: on screen {big[1] / small[1]:.2f}, in program {big[2] / max(small[2], 1):.2f}")
    clock.press(1)
    clock.quit()


if __name__ == "__main__":
    harness.run([measure])
