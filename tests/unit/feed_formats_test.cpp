// The URL-feed parser: the three formats, cut and ill-formed documents, encodings and bounds.
#include "news/feed_formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Shown {
  const char* title;
  const char* link;
  const char* description;
  const char* date;
  const char* extend;
};

std::unique_ptr<FeedRecord> Parse(const std::string& doc, FeedParseReport* report,
                                  bool* ok = nullptr) {
  auto feed = std::make_unique<FeedRecord>();
  memset(feed.get(), 0, sizeof(FeedRecord));
  strcpy(feed->url, "https://example.test/feed");
  const bool parsed = ParseUrlFeed(doc.data(), doc.size(), feed.get(), report);
  if (ok != nullptr) *ok = parsed;
  EXPECT_STREQ(feed->url, "https://example.test/feed");
  return feed;
}

void ExpectItems(const FeedRecord& feed, const std::vector<Shown>& items, const char* what) {
  ASSERT_EQ(feed.item_count, static_cast<int>(items.size())) << what;
  for (size_t i = 0; i < items.size(); ++i) {
    const FeedItem& item = feed.items[i];
    EXPECT_STREQ(item.title, items[i].title) << what << " item " << i;
    EXPECT_STREQ(item.link, items[i].link) << what << " item " << i;
    EXPECT_STREQ(item.description, items[i].description) << what << " item " << i;
    EXPECT_STREQ(item.date, items[i].date) << what << " item " << i;
    EXPECT_STREQ(item.extend, items[i].extend) << what << " item " << i;
  }
}

std::string Rss2(const std::string& items, const std::string& head = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\" "
         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel><title>Clock news</title>"
         "<link>http://clock.test/</link>" +
         head + items + "</channel></rss>\n";
}

// `depth` elements `name`, each inside the one before, around `text`.
std::string Nested(const std::string& name, int depth, const std::string& text) {
  std::string opening, closing;
  for (int i = 0; i < depth; ++i) {
    opening += "<" + name + ">";
    closing += "</" + name + ">";
  }
  return opening + text + closing;
}

std::string Rss2Item(int n) {
  return "<item><title>Item " + std::to_string(n) + "</title><link>http://clock.test/" +
         std::to_string(n) + "</link></item>\n";
}

TEST(UrlFeedFormats, EachFormatFillsTheRecord) {
  const std::string longLink = "http://clock.test/" + std::string(120, 'x');
  const struct {
    const char* what;
    std::string doc;
    FeedFormat format;
    const char* channelTitle;
    const char* channelLink;
    std::vector<Shown> items;
  } cases[] = {
      {"RSS 2.0",
       Rss2("<item><media:title xmlns:media=\"http://search.yahoo.com/mrss/\">Wrong</media:title>"
            "<title><![CDATA[Spring <b>tips</b>]]></title><link> http://clock.test/1 </link>"
            "<description>&lt;p&gt;Hello&amp;nbsp;world&amp;hellip;&lt;/p&gt;\n\t&lt;p&gt;Bye"
            "&lt;/p&gt;</description><pubDate>Wed, 02 Oct 2002 22:00:00 +0900</pubDate></item>"
            "<item><description>Only a description</description><guid>http://clock.test/g2</guid>"
            "<dc:date>2002-10-02T13:00:00Z</dc:date></item>"
            "<item><link>http://clock.test/nothing</link></item>"
            "<item><title>Tom &amp; Jerry</title><guid isPermaLink=\"false\">http://x/3</guid>"
            "<pubDate>someday</pubDate><link>" + longLink + "</link></item>"
            "<item xmlns:content=\"http://purl.org/rss/1.0/modules/content/\"><title>Full</title>"
            "<content:encoded>&lt;p&gt;Whole article&lt;/p&gt;</content:encoded>"
            "<description>Excerpt</description></item>",
            "<image><title>Logo</title><link>http://clock.test/logo</link></image>"
            "<atom:link xmlns:atom=\"http://www.w3.org/2005/Atom\" rel=\"self\" href=\"http://a\"/>"),
       FeedFormat::kRss2, "Clock news", "http://clock.test/",
       {{"Spring tips", "http://clock.test/1", "Hello world\xe2\x80\xa6 Bye",
         "2002-10-02T13:00:00Z", ""},
        {"Only a description", "http://clock.test/g2", "Only a description",
         "2002-10-02T13:00:00Z", ""},
        {"Tom & Jerry", "", "", "", ""},
        {"Full", "", "Excerpt", "", ""}}},
      {"Atom",
       "\r\n <?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
       "<title type=\"html\">&lt;b&gt;Atom&lt;/b&gt; feed</title>"
       "<link rel=\"self\" href=\"http://clock.test/atom.xml\"/>"
       "<link rel=\"alternate\" href=\"http://clock.test/\"/>"
       "<entry><source><title>Other feed</title></source><title>a &lt;b&gt; c</title>"
       "<link rel=\"enclosure\" href=\"http://clock.test/1.mp3\"/><link href=\"http://clock.test/1\"/>"
       "<content type=\"html\">&lt;p&gt;Long text&lt;/p&gt;</content><summary>Short</summary>"
       "<updated>2003-01-01T00:00:00Z</updated><published>2002-10-02T22:00:00+09:00</published>"
       "</entry>"
       "<entry><title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">Rich <b>title</b>"
       "</div></title><content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\"><p>Rich "
       "<b>text</b></p></div></content><updated>2002-10-02T13:00:00.5z</updated></entry>"
       "<entry><title>Elsewhere</title><content src=\"http://clock.test/c\"/>"
       "<content type=\"image/png\">iVBORw0</content></entry>"
       "</feed>",
       FeedFormat::kAtom, "Atom feed", "http://clock.test/",
       {{"a <b> c", "http://clock.test/1", "Short", "2002-10-02T13:00:00Z", ""},
        {"Rich title", "", "Rich text", "2002-10-02T13:00:00Z", ""},
        {"Elsewhere", "", "", "", ""}}},
      {"RSS 1.0",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rdf:RDF "
       "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\" "
       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n<channel rdf:about=\"c\"><title>Tarvo news"
       "</title><link>http://clock.test/tarvo/</link><items><rdf:Seq><rdf:li rdf:resource=\"x\"/>"
       "</rdf:Seq></items></channel>\n<item rdf:about=\"1\"><title>\xe6\x96\xb0\xe3\x81\x97\xe3\x81"
       "\x84\xe3\x82\xb9\xe3\x82\xad\xe3\x83\xb3</title><link>http://clock.test/s.skn</link>"
       "<description>Offer</description><dc:date>2009-04-01T10:00:00+09:00</dc:date>"
       "<extend>[1s]sample.skn</extend></item>\n<item rdf:about=\"2\"><title>Plain</title>"
       "<extend>[1s]" + std::string(70, 'n') + ".skn</extend></item>\n"
       "<textinput rdf:about=\"s\"><title>Search</title><link>http://clock.test/s</link></textinput>"
       "</rdf:RDF>",
       FeedFormat::kRss1, "Tarvo news", "http://clock.test/tarvo/",
       {{"\xe6\x96\xb0\xe3\x81\x97\xe3\x81\x84\xe3\x82\xb9\xe3\x82\xad\xe3\x83\xb3",
         "http://clock.test/s.skn", "Offer", "2009-04-01T01:00:00Z", "[1s]sample.skn"},
        {"Plain", "", "", "", ""}}},
      {"RSS 0.91 with its DTD's entities",
       "<?xml version=\"1.0\"?><!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\""
       " \"http://my.netscape.com/publish/formats/rss-0.91.dtd\"><rss version=\"0.91\"><channel>"
       "<title>Old&nbsp;news</title><item><title>a&hellip;b</title></item></channel></rss>",
       FeedFormat::kRss2, "Old news", "", {{"a\xe2\x80\xa6" "b", "", "", "", ""}}},
      {"Atom nested to the depth limit",
       "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>A</title><entry><title>E</title>"
       "<content type=\"xhtml\">" + Nested("div", 61, "deep") + "</content></entry></feed>",
       FeedFormat::kAtom, "A", "", {{"E", "", "deep", "", ""}}},
  };
  for (const auto& c : cases) {
    FeedParseReport report;
    bool ok = false;
    auto feed = Parse(c.doc, &report, &ok);
    ASSERT_TRUE(ok) << c.what << ": " << report.fault << " at line " << report.line;
    EXPECT_EQ(report.status, FeedParseStatus::kComplete) << c.what;
    EXPECT_EQ(report.format, c.format) << c.what;
    EXPECT_STREQ(feed->channel_title, c.channelTitle) << c.what;
    EXPECT_STREQ(feed->channel_link, c.channelLink) << c.what;
    ExpectItems(*feed, c.items, c.what);
  }
}

TEST(UrlFeedFormats, ACutDocumentKeepsEveryItemCompleteBeforeTheCut) {
  std::string items;
  for (int n = 0; n < 4; ++n) items += Rss2Item(n);
  const std::string doc = Rss2(items);
  for (size_t cut = doc.find("<channel>"); cut <= doc.size(); ++cut) {
    const std::string prefix = doc.substr(0, cut);
    int closed = 0;
    for (size_t at = prefix.find("</item>"); at != std::string::npos;
         at = prefix.find("</item>", at + 1)) {
      ++closed;
    }
    FeedParseReport report;
    bool ok = false;
    auto feed = Parse(prefix, &report, &ok);
    ASSERT_TRUE(ok) << cut;
    const bool whole = prefix.find("</rss>") != std::string::npos;
    EXPECT_EQ(report.status, whole ? FeedParseStatus::kComplete : FeedParseStatus::kCut) << cut;
    ASSERT_EQ(feed->item_count, closed) << cut;
    for (int n = 0; n < closed; ++n) {
      EXPECT_EQ(feed->items[n].title, "Item " + std::to_string(n)) << cut;
    }
  }
}

TEST(UrlFeedFormats, IllFormedDocumentsFallBackOrKeepWhatCameBeforeTheFault) {
  // An unescaped '&' in the first title: expat stops at once, the tolerant parser reads all.
  const std::string ampersand = Rss2(
      "<item><title>Tom & Jerry &amp;lt;3</title><link>http://clock.test/1</link>"
      "<description><![CDATA[<p>A &amp; B</p>]]></description>"
      "<pubDate>Wed, 02 Oct 2002 13:00:00 GMT</pubDate></item>"
      "<item><title>Second</title><dc:date>2002-10-02T22:00:00+09:00</dc:date>"
      "<extend>[1s]x.skn</extend></item>");
  FeedParseReport report;
  bool ok = false;
  auto feed = Parse(ampersand, &report, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(report.status, FeedParseStatus::kFallback);
  EXPECT_GT(report.line, 0u);
  EXPECT_STREQ(feed->channel_title, "Clock news");
  ExpectItems(*feed,
              {{"Tom & Jerry <3", "http://clock.test/1", "A & B", "2002-10-02T13:00:00Z", ""},
               {"Second", "", "", "2002-10-02T13:00:00Z", ""}},
              "ampersand");

  // A fault in the third Atom entry: the tolerant parser knows no entries, the first two stay.
  const std::string atom =
      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>A</title>"
      "<entry><title>One</title></entry><entry><title>Two</title></entry>"
      "<entry><title>Three</title><summary>x < y</summary></entry></feed>";
  feed = Parse(atom, &report, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(report.status, FeedParseStatus::kBroken);
  ExpectItems(*feed, {{"One", "", "", "", ""}, {"Two", "", "", "", ""}}, "atom");
}

TEST(UrlFeedFormats, WhatIsNoFeedLeavesTheRecordAlone) {
  const struct {
    const char* what;
    std::string doc;
    FeedParseStatus status;
  } cases[] = {
      {"empty", "", FeedParseStatus::kIllFormed},
      {"XHTML page", "<html><head><title>Home</title></head><body/></html>",
       FeedParseStatus::kNotFeed},
      {"HTML page", "<html><title>A & B</title><p>no items", FeedParseStatus::kNotFeed},
      {"Atom 0.3", "<feed xmlns=\"http://purl.org/atom/ns#\"><title>t</title></feed>",
       FeedParseStatus::kNotFeed},
      {"Shift_JIS", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><rss><channel/></rss>",
       FeedParseStatus::kUnsupportedEncoding},
      {"entity amplification",
       "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
       "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
       "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
       "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
       "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">]>"
       "<rss><channel><title>&f;</title></channel></rss>",
       FeedParseStatus::kIllFormed},
      {"entity declaration",
       "<?xml version=\"1.0\"?><!DOCTYPE feed [<!ENTITY e \"x\">]>"
       "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>&e;</title></entry></feed>",
       FeedParseStatus::kIllFormed},
      {"nested past the depth limit",
       "<feed xmlns=\"http://www.w3.org/2005/Atom\">" + Nested("x", 64, "") +
           "<entry><title>E</title></entry></feed>",
       FeedParseStatus::kIllFormed},
  };
  for (const auto& c : cases) {
    auto feed = std::make_unique<FeedRecord>();
    memset(feed.get(), 0x5A, sizeof(FeedRecord));
    const auto before = std::make_unique<FeedRecord>(*feed);
    FeedParseReport report;
    EXPECT_FALSE(ParseUrlFeed(c.doc.data(), c.doc.size(), feed.get(), &report)) << c.what;
    EXPECT_EQ(report.status, c.status) << c.what;
    EXPECT_EQ(memcmp(feed.get(), before.get(), sizeof(FeedRecord)), 0) << c.what;
  }
}

std::string Utf16Le(const std::u16string& text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(UrlFeedFormats, EncodingsAreReadIntoUtf8) {
  const std::string body = "<rss><channel><title>Caf\xe9 \x92quoted\x92</title></channel></rss>";
  const struct {
    const char* what;
    std::string doc;
    const char* title;
  } cases[] = {
      {"windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + body,
       "Caf\xc3\xa9 \xe2\x80\x99quoted\xe2\x80\x99"},
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body,
       "Caf\xc3\xa9 quoted"},
      {"UTF-16LE", Utf16Le(u"\xfeff<rss><channel><title>\x65e5\x672c</title></channel></rss>"),
       "\xe6\x97\xa5\xe6\x9c\xac"},
  };
  for (const auto& c : cases) {
    FeedParseReport report;
    bool ok = false;
    auto feed = Parse(c.doc, &report, &ok);
    ASSERT_TRUE(ok) << c.what << ": " << report.fault;
    EXPECT_STREQ(feed->channel_title, c.title) << c.what;
  }
}

TEST(UrlFeedFormats, KeepsTheFirstHundredItemsAndFieldsInTheirSizes) {
  std::string items;
  for (int n = 0; n < 120; ++n) items += Rss2Item(n);
  const std::string longTitle(600, 'T');
  items = "<item><title>" + longTitle + "</title><description>" + std::string(600, 'D') +
          "</description></item>" + items;
  FeedParseReport report;
  bool ok = false;
  auto feed = Parse(Rss2(items), &report, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(report.status, FeedParseStatus::kComplete);
  ASSERT_EQ(feed->item_count, kItemsPerFeed);
  EXPECT_EQ(std::string(feed->items[0].title), longTitle.substr(0, 511));
  EXPECT_EQ(strlen(feed->items[0].description), 511u);
  EXPECT_STREQ(feed->items[1].title, "Item 0");
  EXPECT_STREQ(feed->items[99].title, "Item 98");
}

}  // namespace
