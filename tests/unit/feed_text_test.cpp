// Feed text cleaning: markup, references, white space, UTF-8 checks and the field cut.
#include "news/feed_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Clean(const std::string& text, FeedTextKind kind, size_t capacity = 512,
                  bool* complete = nullptr) {
  std::string out(capacity, '#');
  const size_t n = CleanFeedText(text.data(), text.size(), kind, &out[0], capacity, complete);
  EXPECT_EQ(out[n], '\0');
  return out.substr(0, n);
}

TEST(FeedTextCleaning, CleansAsTheBarShowsIt) {
  constexpr FeedTextKind kHtml = FeedTextKind::kHtml;
  constexpr FeedTextKind kPlain = FeedTextKind::kPlain;
  const struct {
    const char* text;
    FeedTextKind kind;
    size_t capacity;
    const char* shown;
  } cases[] = {
      {"  Hello\r\n\t  world  ", kPlain, 512, "Hello world"},
      {"a\x01\x02" "b\x7f" "c", kPlain, 512, "a b c"},
      {"a\xc2\xa0" "b", kPlain, 512, "a b"},
      {"<b>x</b> &amp;", kPlain, 512, "<b>x</b> &amp;"},
      {"<p>One</p><p>Two</p>", kHtml, 512, "One Two"},
      {"line<br>next<BR/>end", kHtml, 512, "line next end"},
      {"<b>Bold</b>face", kHtml, 512, "Boldface"},
      {"Tom &amp; Jerry &lt;3", kHtml, 512, "Tom & Jerry <3"},
      {"caf&eacute;&nbsp;&hellip;&mdash;&#8217;&#x1F600;", kHtml, 512,
       "caf\xc3\xa9 \xe2\x80\xa6\xe2\x80\x94\xe2\x80\x99\xf0\x9f\x98\x80"},
      {"it&#146;s", kHtml, 512, "it\xe2\x80\x99s"},
      {"&#0;&#xD800;&#1114112;&#99999999999;", kHtml, 512, "????"},
      {"AT&T &unknown; &amp &#; &#x;", kHtml, 512, "AT&T &unknown; &amp &#; &#x;"},
      {"a < b and c>d", kHtml, 512, "a < b and c>d"},
      {"<a href=\"x>y\" title='a>b'>link</a> text", kHtml, 512, "link text"},
      {"<!-- hidden -->shown<script>var a='<b>';</script><style>p{}</style>!", kHtml, 512,
       "shown!"},
      {"Cut at the end <a href=\"http://x", kHtml, 512, "Cut at the end"},
      {"a\xff" " b\xc3", kPlain, 512, "a? b?"},
      {"\xc0\xaf\xed\xa0\x80", kHtml, 512, "?????"},
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", kPlain, 8, "\xe6\x97\xa5\xe6\x9c\xac"},
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", kPlain, 10, "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"},
      {"ab cd", kPlain, 4, "ab"},
      {"x", kPlain, 1, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Clean(c.text, c.kind, c.capacity), c.shown) << c.text;
  }
}

TEST(FeedTextCleaning, SaysWhetherAllOfItFitted) {
  bool complete = false;
  EXPECT_EQ(Clean("  abc  ", FeedTextKind::kPlain, 4, &complete), "abc");
  EXPECT_TRUE(complete);
  // One byte of room too few for the last character: cut, and said so.
  EXPECT_EQ(Clean("ab\xe6\x97\xa5", FeedTextKind::kPlain, 5, &complete), "ab");
  EXPECT_FALSE(complete);
}

TEST(FeedTextCleaning, RawContentDecodesOnceThenCleansAsHtml) {
  const struct {
    const char* raw;
    const char* decoded;
    const char* shown;
  } cases[] = {
      {"<![CDATA[<p>Hi &amp; bye</p>]]>", "<p>Hi &amp; bye</p>", "Hi & bye"},
      {"Tom &amp; Jerry &lt;b&gt;!&lt;/b&gt;", "Tom & Jerry <b>!</b>", "Tom & Jerry !"},
      {"&amp;lt;3", "&lt;3", "<3"},
      {"a<![CDATA[b]]>c&#x41;&nbsp;", "abcA\xc2\xa0", "abcA"},
      {"rest of <![CDATA[a cut", "rest of a cut", "rest of a cut"},
      {"Tom & Jerry", "Tom & Jerry", "Tom & Jerry"},
  };
  for (const auto& c : cases) {
    char decoded[64];
    const size_t n = DecodeXmlContent(c.raw, strlen(c.raw), decoded, sizeof decoded);
    EXPECT_STREQ(decoded, c.decoded) << c.raw;
    EXPECT_LE(n, strlen(c.raw));
    EXPECT_EQ(Clean(std::string(decoded, n), FeedTextKind::kHtml), c.shown) << c.raw;
  }
}

TEST(FeedTextCleaning, Utf8SequencesAreCheckedBothWays) {
  const struct {
    const char* bytes;
    size_t length;    // 0: not a character
    uint32_t codePoint;
  } cases[] = {
      {"\x7f", 1, 0x7F},          {"\xc3\xa9", 2, 0xE9},       {"\xe6\x97\xa5", 3, 0x65E5},
      {"\xf0\x9f\x98\x80", 4, 0x1F600}, {"\xc0\x80", 0, 0},    {"\xe0\x9f\xbf", 0, 0},
      {"\xed\xa0\x80", 0, 0},     {"\xf4\x90\x80\x80", 0, 0},  {"\xe6\x97", 0, 0},
      {"\x80", 0, 0},             {"\xc3\x41", 0, 0},
  };
  for (const auto& c : cases) {
    uint32_t codePoint = 0xABCD;
    ASSERT_EQ(DecodeUtf8(c.bytes, strlen(c.bytes), &codePoint), c.length) << c.bytes;
    if (c.length == 0) {
      EXPECT_EQ(codePoint, 0xABCDu);
      continue;
    }
    EXPECT_EQ(codePoint, c.codePoint);
    char again[4];
    ASSERT_EQ(EncodeUtf8(codePoint, again), c.length);
    EXPECT_EQ(memcmp(again, c.bytes, c.length), 0);
  }
  char out[4];
  EXPECT_EQ(EncodeUtf8(0xD800, out), 0u);
  EXPECT_EQ(EncodeUtf8(0x110000, out), 0u);
}

}  // namespace
