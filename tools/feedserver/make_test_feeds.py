#!/usr/bin/env python3
"""Writes the four test feeds of tests/data/news/, which the end-to-end tests' feed servers serve:
RSS 1.0 (RDF) documents in UTF-8 whose item titles have the byte lengths (in Shift-JIS, as the
clock sees them) that the news bar must handle, with an offer of the sample skin package, a
broken offer and an odd one. Dates are placeholders "{{age:SECONDS}}" that the feed server fills in relative to the
moment it serves the document. Run it again after changing the titles."""
import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
OUT = ROOT / "tests" / "data" / "news"
HOST = "127.77.0.1"

KANJI = "日本語の時計便り"  # every character is two bytes in Shift-JIS


def jp(nbytes, lead="", tail=""):
    """A title of exactly nbytes Shift-JIS bytes: `lead`, Japanese characters, `tail`."""
    body = nbytes - len(lead.encode("cp932")) - len(tail.encode("cp932"))
    text = "".join(KANJI[i % len(KANJI)] for i in range(body // 2))
    if body % 2:
        tail = tail + "!"
    title = lead + text + tail
    assert len(title.encode("cp932")) == nbytes, (title, nbytes)
    return title


FEEDS = {
    "tarvo": ("Tarvo news", [
        ("新着!", "短い題名です。", 600, ""),                                  # 5 bytes
        (jp(58), "58 バイトの題名。", 3600, ""),                               # 58 bytes
        (jp(59), "59 バイトの題名。", 7200, ""),                               # 59 bytes
        (jp(59, lead="a"), "58 バイト目が先行バイト。", 9000, ""),             # split after 57
        (jp(124), "119 バイトを超える題名。", 10800, ""),                      # > 119 bytes
        ("Plain ASCII title for the clock", "ASCII only.", 86400 * 3, ""),
        ("新しいスキン「サンプル」を配布中", "パッケージを配布しています。", 1800,
         "[1s]sample.skn"),
    ]),
    "pellin": ("Pellin news", [
        ("Pellin: spring update", "An all-ASCII item.", 4000, ""),
        ("ペリン通信 第十二号", "説明文。", 86400 * 10, ""),
        ("壊れた申し出", "extend が [0 の項目。", 5000, "[0"),
    ]),
    "quorra": ("Quorra news", [
        ("クオラの時報ボイス追加", "時報の声が増えました。", 2000, ""),
        ("Odd offer", "extend [1x", 6000, "[1x"),
    ]),
    "oxbel": ("Oxbel general news", [
        ("総合ニュース：時計の更新", "全体のお知らせ。", 1200, ""),
        ("General: server maintenance", "Planned work.", 86400 * 40, ""),
    ]),
}


def document(name, channel, items):
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" '
        'xmlns="http://purl.org/rss/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/">',
        f'<channel rdf:about="http://{HOST}/rss/{name}.rdf">',
        f"<title>{channel}</title>",
        f"<link>http://{HOST}/{name}/</link>",
        f"<description>{channel} (sample feed)</description>",
        "<items><rdf:Seq>",
    ]
    for i, _ in enumerate(items):
        lines.append(f'<rdf:li rdf:resource="http://{HOST}/{name}/{i + 1}.html" />')
    lines += ["</rdf:Seq></items>", "</channel>"]
    for i, (title, description, age, extend) in enumerate(items):
        # An offer links to its package on whichever address serves the feed.
        link = (f"http://{{{{host}}}}/skins/{extend[4:]}" if extend.startswith("[1s]")
                else f"http://{HOST}/{name}/{i + 1}.html")
        lines += [
            f'<item rdf:about="http://{HOST}/{name}/{i + 1}.html">',
            f"<title>{title}</title>",
            f"<link>{link}</link>",
            f"<description>{description}</description>",
            f"<dc:date>{{{{age:{age}}}}}</dc:date>",
        ]
        if extend:
            lines.append(f"<extend>{extend}</extend>")
        lines.append("</item>")
    lines += [f'<textinput rdf:about="http://{HOST}/search">', "<title>Search</title>",
              f"<link>http://{HOST}/search</link>", "</textinput>", "</rdf:RDF>", ""]
    return "\n".join(lines)


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for name, (channel, items) in FEEDS.items():
        (OUT / f"{name}.rdf").write_text(document(name, channel, items), encoding="utf-8")


if __name__ == "__main__":
    main()
