#!/usr/bin/env python3
"""Writes the clock's own news that scripts/run.sh serves from assets/news/: four RSS 1.0 feeds
for the feed server's brands (tarvo, pellin, quorra, oxbel), an RSS 2.0 feed of tips (tips.xml)
and an Atom feed of updates (updates.atom). They are templates the feed server fills in when it
serves them: dates relative to that moment (so the list's "NEW" and "New" marks look right on any
day), and seasonal items kept only in their months.

  make_news.py                      writes the files, then checks them
  make_news.py --check [--feed-read PATH]
                                    checks that the files are what this script writes and that
                                    every month's documents read as intended: well formed, every
                                    text in Shift-JIS, dates parse and lie in the past, each month
                                    has a seasonal item, one offer of the sample skin package;
                                    with the clock's own feed reader (build/native/tools/feed/
                                    feed-read) also that it reads every title and date
"""
import argparse
import datetime
import email.utils
import pathlib
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
OUT = ROOT / "assets" / "news"
sys.path.insert(0, str(HERE))
import feedserver  # noqa: E402  (the filling-in the server does)

HOUR = 3600
DAY = 86400
DECEMBER = "12"
JANUARY = "1"

# (title, description, age in seconds, months or "" for all year, extend)
BRANDS = {
    "tarvo": ("タルボ通信", [
        ("新スキン「サンプル」配布開始",
         "新しいスキン「サンプル」をお届けします。この項目をダブルクリックするとスキンパッケージを"
         "ダウンロードし、「スキン選択」にすぐ追加されます。", 3 * HOUR, "", "[1s]sample.skn"),
        ("大みそかのカウントダウンは正確な時計で",
         "年越しの瞬間に備えて、メニューの「NTPで時間を合わせる」からPCの時計を合わせておきましょう。"
         "「起動したら一回だけ合わせる」にチェックを入れると、起動のたびに合わせます。",
         2 * DAY, DECEMBER, ""),
        ("あけましておめでとうございます",
         "旧年中はタルボクロックをご利用いただき、ありがとうございました。本年もタルボと一緒に、"
         "よい時間をお過ごしください。", 20 * HOUR, JANUARY, ""),
        ("時計はドラッグで好きな場所へ",
         "時計を左ボタンでドラッグすると移動できます。「端にフィット」をオンにすると、画面の端に"
         "近づけたときにぴったり寄せます。", 5 * DAY, "", ""),
    ]),
    "pellin": ("ペリン通信", [
        ("ペリンの衣装を着せ替えよう",
         "右クリックメニューの「スキン選択」で、ペリンの衣装を切り替えられます。「ボイス」で"
         "スキンごとに声も選べます。", 26 * HOUR, "", ""),
        ("冬休みの目覚ましはアラームで",
         "「アラーム」では八つのアラームを設定できます。お気に入りの曲のファイルを選べば、"
         "冬休み明けの朝もすっきり起きられます。", 4 * DAY, "12,1", ""),
        ("ペリンの時報ボイス、聞きくらべ",
         "ペリンは四つの声で時報をお知らせします。スキン選択の「ボイス」で好きな声を選んで"
         "「OK」を押してください。", 12 * DAY, "", ""),
    ]),
    "quorra": ("クオラ通信", [
        ("作業のおともに簡易プレイヤー",
         "音楽ファイルを時計にドロップすると簡易プレイヤーが開いて再生します。「LIST」で再生"
         "リストを並べ替えたり保存したりできます。", 7 * HOUR, "", ""),
        ("クオラと迎える新しい年",
         "新年最初の時報はクオラがお知らせします。今年もどうぞよろしくお願いします。",
         3 * DAY, JANUARY, ""),
        ("年末の大掃除、デスクトップも",
         "モニターを並べ替えて時計が見えなくなったら、トレイアイコンを右クリックして"
         "「画面内に戻す」を選んでください。", 6 * DAY, DECEMBER, ""),
        ("クオラの時報で一日にリズムを",
         "クオラは毎正時に時刻を読み上げます。「１２時間表示で０時を１２時で表記」で、"
         "表示の好みも選べます。", 15 * DAY, "", ""),
    ]),
    "oxbel": ("オクスベルからのお知らせ", [
        ("配信サーバーのメンテナンス（{{date-in:432000}}）",
         "{{date-in:432000}} 午前2時から午前4時まで、お知らせの配信サーバーのメンテナンスを"
         "行います。この間はニュースバーにお知らせが表示されません。", 22 * HOUR, "", ""),
        ("タルボクロックをご利用いただきありがとうございます",
         "右クリックメニューの「お知らせの設定」で、更新間隔やスクロール速度を変えられます。",
         25 * DAY, "", ""),
    ]),
}

# The RSS 2.0 feed: (title, description HTML, age, months, RFC 822 offset)
TIPS = ("タルボクロック 使い方のヒント", [
    ("お知らせの一覧はバーを右クリック",
     "<p>ニュースバーを<b>右クリック</b>すると、お知らせの一覧が開きます。項目をクリックすると"
     "説明を、ダブルクリックするとページを開きます。</p>", 2 * HOUR, "", "+0900"),
    ("年賀状づくりの合間に時報を",
     "<p>毎正時にキャラクターが時刻をお知らせします。年末の作業の区切りにどうぞ。</p>",
     30 * HOUR, "12,1", "-0500"),
    ("新しい季節に「Windowsの起動時に表示」",
     "<p>メニューの「Windowsの起動時に表示」にチェックを入れると、サインインのたびに時計が"
     "表示されます。</p>", 2 * DAY, "2,3,4,5", "+0000"),
    ("夏の夜は「常に下に表示」で控えめに",
     "<p>ほかのウィンドウの邪魔にならないよう、「常に下に表示」で時計をデスクトップに"
     "置いておけます。</p>", 2 * DAY, "6,7,8", "+0900"),
    ("秋の夜長に好きな曲で目覚まし",
     "<p>アラームの音には、標準の音のほかに音楽や動画のファイルを選べます。</p>",
     2 * DAY, "9,10,11", "+0900"),
    ("スクロール速度はドラッグ中に変わります",
     "<p>「お知らせの設定」のスクロール速度は、つまみを動かしている間にバーへ反映されます。"
     "「キャンセル」で元に戻ります。</p>", 8 * DAY, "", "+0100"),
])

# The Atom feed: (title, summary, age, months, RFC 3339 offset)
UPDATES = ("タルボクロック 更新情報", [
    ("お好きなフィードを四つまで表示できるように",
     "RSS 2.0、Atom、RSS 1.0 のフィードを、http と https のアドレスで四つまで登録して"
     "ニュースバーに流せます。", 40 * 60, "", "+09:00"),
    ("年末年始のサポート休業のお知らせ",
     "12月29日から1月3日まで、お問い合わせへの返信をお休みします。", 3 * DAY, DECEMBER,
     "+09:00"),
    ("サポート業務再開のお知らせ",
     "1月4日よりお問い合わせへの返信を再開しました。ご不便をおかけしました。", 3 * DAY,
     JANUARY, "+09:00"),
    ("メンテナンス完了のお知らせ",
     "予定していた配信サーバーのメンテナンスは終了しました。ご協力ありがとうございました。",
     9 * DAY, "", "-08:00"),
])


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def seasonal(months, lines):
    return [f"{{{{months:{months}}}}}"] + lines + ["{{end}}"] if months else lines


def rdf(name, channel, items):
    base = f"http://{{{{host}}}}/{name}"
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" '
           'xmlns="http://purl.org/rss/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/">',
           f'<channel rdf:about="http://{{{{host}}}}/rss/{name}.rdf">',
           f"<title>{channel}</title>", f"<link>{base}/</link>",
           "<description>タルボクロックからのお知らせ</description>",
           "<items><rdf:Seq>"]
    for i, (_, _, _, months, _) in enumerate(items):
        out += seasonal(months, [f'<rdf:li rdf:resource="{base}/{i + 1}.html" />'])
    out += ["</rdf:Seq></items>", "</channel>"]
    for i, (title, description, age, months, extend) in enumerate(items):
        # An offer links to its package on whichever address serves the feed.
        link = (f"http://{{{{host}}}}/skins/{extend[4:]}" if extend.startswith("[1s]")
                else f"{base}/{i + 1}.html")
        lines = [f'<item rdf:about="{base}/{i + 1}.html">', f"<title>{title}</title>",
                 f"<link>{link}</link>", f"<description>{description}</description>",
                 f"<dc:date>{{{{age:{age}}}}}</dc:date>"]
        if extend:
            lines.append(f"<extend>{extend}</extend>")
        out += seasonal(months, lines + ["</item>"])
    return "\n".join(out + ["</rdf:RDF>", ""])


def rss2(channel, items):
    base = "http://{{host}}/tips"
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<rss version="2.0">', "<channel>",
           f"<title>{channel}</title>", f"<link>{base}/</link>",
           "<description>タルボクロックをもっと便利に使うためのヒント集</description>",
           "<language>ja</language>",
           f"<lastBuildDate>{{{{rfc822:{min(i[2] for i in items)}:+0900}}}}</lastBuildDate>"]
    for i, (title, html, age, months, offset) in enumerate(items):
        out += seasonal(months, [
            "<item>", f"<title>{title}</title>", f"<link>{base}/{i + 1}.html</link>",
            f"<description><![CDATA[{html}]]></description>",
            f"<pubDate>{{{{rfc822:{age}:{offset}}}}}</pubDate>",
            f'<guid isPermaLink="false">tarvoclock-tips-{i + 1}</guid>', "</item>"])
    return "\n".join(out + ["</channel>", "</rss>", ""])


def atom(channel, items):
    base = "http://{{host}}/updates"
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<feed xmlns="http://www.w3.org/2005/Atom">',
           f"<title>{channel}</title>", f'<link href="{base}/"/>',
           "<id>tag:tarvoclock.example,2026:updates</id>",
           f"<updated>{{{{rfc3339:{min(i[2] for i in items)}:+09:00}}}}</updated>",
           "<author><name>タルボクロック</name></author>"]
    for i, (title, summary, age, months, offset) in enumerate(items):
        out += seasonal(months, [
            "<entry>", f"<title>{title}</title>",
            f'<link rel="alternate" type="text/html" href="{base}/{i + 1}.html"/>',
            f"<id>tag:tarvoclock.example,2026:updates-{i + 1}</id>",
            f"<updated>{{{{rfc3339:{age}:{offset}}}}}</updated>",
            f"<summary>{escape(summary)}</summary>", "</entry>"])
    return "\n".join(out + ["</feed>", ""])


def documents():
    """{file name: template text}."""
    docs = {f"{name}.rdf": rdf(name, channel, items) for name, (channel, items) in BRANDS.items()}
    docs["tips.xml"] = rss2(*TIPS)
    docs["updates.atom"] = atom(*UPDATES)
    return docs


def plain(text):
    """An item text as the clock shows it: tags gone, white space single."""
    import re
    return " ".join(re.sub(r"<[^>]*>", "", text).split())


def check_month(month, rendered, feed_read, faults):
    """Reads the documents as served in `month`; returns the titles shown that month."""
    ns = {"rdf": "http://www.w3.org/1999/02/22-rdf-syntax-ns#", "rss": "http://purl.org/rss/1.0/",
          "dc": "http://purl.org/dc/elements/1.1/", "atom": "http://www.w3.org/2005/Atom"}
    now = datetime.datetime.now(datetime.timezone.utc)
    shown = []
    for name, text in rendered.items():
        where = f"{name} in month {month}"
        try:
            root = ET.fromstring(text.encode("utf-8"))
        except ET.ParseError as e:
            faults.append(f"{where}: not well formed: {e}")
            continue
        if name.endswith(".rdf"):
            items = [(i.findtext("rss:title", "", ns), i.findtext("rss:description", "", ns),
                      datetime.datetime.fromisoformat(i.findtext("dc:date", "", ns)))
                     for i in root.findall("rss:item", ns)]
            listed = len(root.findall("rss:channel/rss:items/rdf:Seq/rdf:li", ns))
            if listed != len(items):
                faults.append(f"{where}: {listed} items listed, {len(items)} given")
        elif name.endswith(".xml"):
            items = [(i.findtext("title", ""), plain(i.findtext("description", "")),
                      email.utils.parsedate_to_datetime(i.findtext("pubDate", "")))
                     for i in root.findall("channel/item")]
        else:
            items = [(e.findtext("atom:title", "", ns), e.findtext("atom:summary", "", ns),
                      datetime.datetime.fromisoformat(e.findtext("atom:updated", "", ns)))
                     for e in root.findall("atom:entry", ns)]
        if not 2 <= len(items) <= 5:
            faults.append(f"{where}: {len(items)} items")
        for title, description, date in items:
            for text_ in (title, description):
                try:
                    text_.encode("cp932")
                except UnicodeEncodeError as e:
                    faults.append(f"{where}: {text_!r} has no Shift-JIS form: {e}")
            if "{{" in title + description or not title or not description:
                faults.append(f"{where}: item {title!r} is not filled in")
            if not now - datetime.timedelta(days=60) < date <= now:
                faults.append(f"{where}: {title!r} is dated {date}")
        shown += [title for title, _, _ in items]
        if feed_read:
            with tempfile.NamedTemporaryFile(suffix=name) as f:
                f.write(text.encode("utf-8"))
                f.flush()
                out = subprocess.run([feed_read, f.name], capture_output=True, timeout=30)
            read = out.stdout.decode("utf-8", "replace")
            for title, _, _ in items:
                if f"] {title}\n" not in read:
                    faults.append(f"{where}: the clock's reader does not read {title!r}:\n{read}")
            if out.returncode != 0 or "  date: \n" in read:
                faults.append(f"{where}: the clock's reader: {read}")
    return shown


def check(feed_read):
    faults = []
    for name, text in documents().items():
        path = OUT / name
        if not path.is_file() or path.read_text(encoding="utf-8") != text:
            faults.append(f"{path} is not what this script writes: run it")
    by_month = {}
    for month in range(1, 13):
        when = datetime.datetime.now().replace(month=month, day=1)
        rendered = {name: feedserver.fill(text, "127.0.0.1", when)
                    for name, text in documents().items()}
        shown = check_month(month, rendered, feed_read, faults)
        if len(set(shown)) != len(shown):
            faults.append(f"month {month}: titles repeat: {shown}")
        by_month[month] = set(shown)
        offers = [t for t in rendered["tarvo.rdf"].split("<item ") if "[1s]sample.skn" in t]
        if len(offers) != 1:
            faults.append(f"month {month}: {len(offers)} offers of the sample package")
    all_year = set.intersection(*by_month.values())
    seen = set.union(*by_month.values())
    for month, shown in by_month.items():
        if not shown - all_year:
            faults.append(f"month {month}: no seasonal item")
    if not (OUT / "skins" / "sample.skn").is_file():
        faults.append("the offered package assets/news/skins/sample.skn is missing")
    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"{len(seen)} titles over the year, {len(all_year or ())} all year round: "
          f"{'ok' if not faults else f'{len(faults)} faults'}")
    return not faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--feed-read", default="", metavar="PATH")
    args = parser.parse_args()
    if not args.check:
        OUT.mkdir(parents=True, exist_ok=True)
        for name, text in documents().items():
            (OUT / name).write_text(text, encoding="utf-8")
    return 0 if check(args.feed_read) else 1


if __name__ == "__main__":
    sys.exit(main())
