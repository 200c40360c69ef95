// Feed parsing, the new-item test and the URL table.
#include "news/feeds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "news/news_list.h"

namespace {

std::unique_ptr<FeedRecord> Parse(const std::string& text, bool* ok = nullptr, bool cut = false) {
  auto feed = std::make_unique<FeedRecord>();
  memset(feed.get(), 0, sizeof(FeedRecord));
  const bool parsed = ParseFeedDocument(text.c_str(), feed.get(), cut);
  if (ok != nullptr) *ok = parsed;
  return feed;
}

std::string Item(const std::string& title, const std::string& extra = "") {
  return "<item rdf:about=\"x\"><title>" + title + "</title>" + extra + "</item>\n";
}

const char kHead[] =
    "<?xml version=\"1.0\"?><rdf:RDF><channel rdf:about=\"c\"><title>Channel</title>"
    "<link>http://example/c</link><items><rdf:Seq/></items></channel>\n";

TEST(FeedTable, UrlsAreTheFourPathsOnTheServer) {
  char url[256];
  ASSERT_TRUE(BuildFeedUrl(0, "127.77.0.1", url, sizeof url));
  EXPECT_STREQ(url, "http://127.77.0.1/rss/tarvo.rdf");
  ASSERT_TRUE(BuildFeedUrl(3, "h", url, sizeof url));
  EXPECT_STREQ(url, "http://h/rss/oxbel.rdf");
  EXPECT_FALSE(BuildFeedUrl(4, "h", url, sizeof url));
  EXPECT_FALSE(BuildFeedUrl(0, std::string(300, 'h').c_str(), url, sizeof url));
}

TEST(FeedAddress, OnlyWebAddressesWithAHostAreFetched) {
  const struct {
    std::string text;
    FeedAddressKind kind;
  } cases[] = {
      {"", FeedAddressKind::kEmpty},
      {"http://news.example/feed.xml", FeedAddressKind::kHttp},
      {"HTTPS://news.example:8443/atom?x=1#top", FeedAddressKind::kHttps},
      {"https://localhost", FeedAddressKind::kHttps},
      {"https://user@news.example/", FeedAddressKind::kHttps},
      {"ftp://news.example/feed", FeedAddressKind::kRefused},
      {"file:///C:/feed.xml", FeedAddressKind::kRefused},
      {"news.example/feed", FeedAddressKind::kRefused},
      {"http://", FeedAddressKind::kRefused},
      {"https:///path", FeedAddressKind::kRefused},
      {"http://:80/", FeedAddressKind::kRefused},
      {"http://@/", FeedAddressKind::kRefused},
      {" http://news.example/", FeedAddressKind::kRefused},
      {"http://news.example/a b", FeedAddressKind::kRefused},
      {"http://news.example/\t", FeedAddressKind::kRefused},
      {"http://news.example/" + std::string(235, 'a'), FeedAddressKind::kHttp},
      {"http://news.example/" + std::string(236, 'a'), FeedAddressKind::kRefused},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifyFeedAddress(c.text.c_str()), c.kind) << c.text;
  }
}

TEST(FeedParse, ReadsChannelAndItemsInOrder) {
  bool ok = false;
  auto feed = Parse(std::string(kHead) +
                        Item("One", "<link>http://l/1</link><description>d1</description>"
                                    "<dc:date>2009-04-01T10:00:00+09:00</dc:date>"
                                    "<extend>[1s]skin.skn</extend>") +
                        Item("Two") + "</rdf:RDF>",
                    &ok);
  ASSERT_TRUE(ok);
  EXPECT_STREQ(feed->channel_title, "Channel");
  EXPECT_STREQ(feed->channel_link, "http://example/c");
  ASSERT_EQ(feed->item_count, 2);
  EXPECT_STREQ(feed->items[0].title, "One");
  EXPECT_STREQ(feed->items[0].link, "http://l/1");
  EXPECT_STREQ(feed->items[0].description, "d1");
  EXPECT_STREQ(feed->items[0].date, "2009-04-01T10:00:00+09:00");
  EXPECT_STREQ(feed->items[0].extend, "[1s]skin.skn");
  EXPECT_STREQ(feed->items[1].title, "Two");
}

TEST(FeedParse, FieldsNeverLeakFromTheNextItem) {
  auto feed = Parse(std::string(kHead) + Item("No extend") +
                    Item("Offer", "<link>http://l/2</link><extend>[1s]a.skn</extend>"));
  ASSERT_EQ(feed->item_count, 2);
  EXPECT_STREQ(feed->items[0].extend, "");
  EXPECT_STREQ(feed->items[0].link, "");
  EXPECT_STREQ(feed->items[1].extend, "[1s]a.skn");
}

TEST(FeedParse, TextinputAndItemsElementAreNotItems) {
  auto feed = Parse(std::string(kHead) + Item("Real") +
                    "<textinput rdf:about=\"t\"><title>Search</title><link>http://s</link>"
                    "</textinput></rdf:RDF>");
  ASSERT_EQ(feed->item_count, 1);
  EXPECT_STREQ(feed->items[0].title, "Real");
}

TEST(FeedParse, KeepsTheFirstHundredOf120) {
  std::string doc = kHead;
  for (int i = 0; i < 120; ++i) doc += Item("t" + std::to_string(i));
  auto feed = Parse(doc);
  ASSERT_EQ(feed->item_count, 100);
  EXPECT_STREQ(feed->items[99].title, "t99");
}

TEST(FeedParse, ACutDocumentKeepsTheItemsThatArrivedWhole) {
  // 100 items with descriptions pass the 32767 bytes an answer may keep. Cut inside any part
  // of the item at the cut, the document keeps the items before it, whole, and counts as read.
  std::string doc = kHead;
  for (int i = 0; i < 100; ++i) {
    doc += Item("t" + std::to_string(i), "<description>" + std::string(300, 'd') + "</description><link>l</link>");
  }
  const size_t last = doc.rfind("<item ", 32767);
  const int whole = static_cast<int>(std::count(doc.begin(), doc.begin() + static_cast<long>(last), '\n')) - 1;
  for (const char* part : {"<title>t", "</title>", "ddd", "</description>", "<link>", "</item"}) {
    bool ok = false;
    auto feed = Parse(doc.substr(0, doc.find(part, last) + 3), &ok, true);
    EXPECT_TRUE(ok) << part;
    ASSERT_EQ(feed->item_count, whole) << part;
    EXPECT_EQ(strlen(feed->items[whole - 1].description), 300u) << part;
  }
}

TEST(FeedParse, NoTitleFailsAndNoItemsSucceeds) {
  bool ok = true;
  Parse("<rdf:RDF><item rdf:about=\"x\"></item>", &ok);
  EXPECT_FALSE(ok);
  auto feed = Parse(std::string(kHead) + "</rdf:RDF>", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(feed->item_count, 0);
}

TEST(FeedParse, OverlongFieldsAreCutOrEmptied) {
  // A title of 300 double-byte characters (600 bytes) is cut at a character boundary.
  std::string title;
  for (int i = 0; i < 300; ++i) title += "\x93\xfa";
  std::string longLink = "http://" + std::string(200, 'l');
  auto feed = Parse(std::string(kHead) +
                    Item(title, "<link>" + longLink + "</link><extend>[1s]" +
                                    std::string(80, 'e') + "</extend>") +
                    Item("after"));
  ASSERT_EQ(feed->item_count, 2);
  EXPECT_EQ(strlen(feed->items[0].title), 510u);
  EXPECT_STREQ(feed->items[0].link, "");
  EXPECT_STREQ(feed->items[0].extend, "");
  EXPECT_STREQ(feed->items[1].title, "after");
}

TEST(FeedParse, IllFormedCorpusGivesBoundedResults) {
  const char* cases[] = {
      "<rdf:RDF",                                          // root cut before '>'
      "<rss:channel><rss:title>P</rss:title></rss:channel><rss:item rdf:about=\"x\">"
      "<rss:title>T</rss:title></rss:item>",               // rss: prefixes
      "<title>C</title><item rdf:about=\"x\"><title><![CDATA[a<b]]></title></item>",
      "<title>C &amp; D</title><item rdf:about=\"x\"><title>&lt;x&gt;</title></item>",
      "</title><title>C</title><item rdf:about=\"x\"></title><title>T",  // stray, reversed
      "<title>C</title><item rdf:about=\"x\"><title>T</title>",         // unclosed item
      "<title>C</title><item ",                                          // cut inside a tag
  };
  for (const char* text : cases) {
    auto feed = Parse(text);
    EXPECT_GE(feed->item_count, 0);
    EXPECT_LE(feed->item_count, kItemsPerFeed);
    for (int i = 0; i < feed->item_count; ++i) EXPECT_LT(strlen(feed->items[i].title), 512u);
  }
  EXPECT_EQ(Parse(cases[1])->item_count, 0);
  EXPECT_STREQ(Parse(cases[2])->items[0].title, "<![CDATA[a<b]]>");
  EXPECT_STREQ(Parse(cases[5])->items[0].title, "T");
  // 32767 bytes of item openings.
  std::string big = "<title>C</title>";
  while (big.size() < 32767) big += "<item <title>x</title>";
  big.resize(32767);
  auto feed = Parse(big);
  EXPECT_LE(feed->item_count, kItemsPerFeed);
}

TEST(FeedNews, NewItemsByViewBrandAndLastSeen) {
  static FeedRecord feeds[kFeedCount];
  memset(feeds, 0, sizeof feeds);
  feeds[2].item_count = 1;
  // 2026-12-01 01:00 UTC written at +05:45: read as local time it is off anywhere outside that zone.
  constexpr int64_t kItemTime = 1796086800;
  strcpy(feeds[2].items[0].date, "2026-12-01T06:45:00+05:45");
  strcpy(feeds[2].items[0].title, "x");
  EXPECT_TRUE(FeedsHaveNewItems(feeds, 15, 0));  // OldTime 0: every dated item is new
  EXPECT_TRUE(FeedsHaveNewItems(feeds, 4, 0));
  EXPECT_FALSE(FeedsHaveNewItems(feeds, 3, 0));
  EXPECT_FALSE(FeedsHaveNewItems(feeds, 0, 0));
  // The written offset counts: new just before the item's moment, not at it.
  EXPECT_TRUE(FeedsHaveNewItems(feeds, 15, kItemTime - 1));
  EXPECT_FALSE(FeedsHaveNewItems(feeds, 15, kItemTime));
  strcpy(feeds[2].items[0].date, "junk");
  EXPECT_FALSE(FeedsHaveNewItems(feeds, 15, 0));
}

TEST(FeedNews, AnItemDatedFarAheadIsNewFromWhenItWasFirstSeen) {
  // A check that announces what it finds, one an hour later, then the list eight days on.
  constexpr int64_t kCheck = 1796086800;  // 2026-12-01T01:00:00Z
  constexpr int64_t kAnnounced = kCheck - 30 * 86400;
  const char* const brands[kFeedCount] = {"a", "b", "c", "d"};
  const auto noLocalTime = [](int64_t, int*, int*, int*, int*, int*, int*) { return false; };
  const struct {
    const char* date;
    bool newAtFirst;
    bool newAtSecond;
  } cases[] = {
      {"2026-10-01T00:00:00Z", false, false},
      {"2026-11-30T00:00:00Z", true, false},
      {"2026-12-02T01:00:00Z", true, true},  // a day ahead: its date still counts
      {"2026-12-02T01:00:01Z", true, false},  // a second more: first seen, and so it stays
      {"9999-12-31T00:00:00Z", true, false},
  };
  for (const auto& c : cases) {
    const auto none = std::make_unique<FeedRecord>();
    auto first = std::make_unique<FeedRecord[]>(kFeedCount);
    first[0].item_count = 1;
    strcpy(first[0].items[0].title, "x");
    strcpy(first[0].items[0].date, c.date);
    auto second = std::make_unique<FeedRecord[]>(kFeedCount);
    second[0] = first[0];
    NoteFirstSeen(&first[0], *none, kCheck);
    EXPECT_EQ(FeedsHaveNewItems(first.get(), 1, kAnnounced), c.newAtFirst) << c.date;
    NoteFirstSeen(&second[0], first[0], kCheck + 3600);
    EXPECT_EQ(FeedsHaveNewItems(second.get(), 1, c.newAtFirst ? kCheck : kAnnounced),
              c.newAtSecond) << c.date;
    NewsRow rows[3];
    ASSERT_EQ(BuildNewsRows(second.get(), brands, 1, kCheck + 8 * 86400, 7, kAnnounced,
                            noLocalTime, rows, 3), 3) << c.date;
    EXPECT_STREQ(rows[1].mark, "   ") << c.date;  // a week is NewDays: none is new any more
  }
}

TEST(FeedSchedule, CheckTimeIsClamped) {
  EXPECT_EQ(ClampCheckTime(0), 1);
  EXPECT_EQ(ClampCheckTime(-5), 1);
  EXPECT_EQ(ClampCheckTime(24), 24);
  EXPECT_EQ(ClampCheckTime(100), 24);
  EXPECT_EQ(ClampCheckTime(6), 6);
}

TEST(FeedText, CharacterPrefixNeverCutsACharacter) {
  // 「日」 = 93 FA: its trail byte FA has a lead-byte value.
  const char text[] = "\x93\xfa\x93\xfa" "a";
  EXPECT_EQ(CharacterPrefix(text, 5, 3), 2u);
  EXPECT_EQ(CharacterPrefix(text, 5, 4), 4u);
  EXPECT_EQ(CharacterPrefix(text, 5, 5), 5u);
  EXPECT_EQ(CharacterPrefix(text + 1, 4, 2), 2u);  // FA 93 is one character from the walk's view
}

}  // namespace
