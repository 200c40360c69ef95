// The tag extractor and catalogue documents, including oversized and out-of-order markup.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "skin/catalogue.h"

namespace {

class CatalogueTest : public testing::Test {
 protected:
  void SetUp() override { ResetCatalogue(); }
  void TearDown() override { ResetCatalogue(); }
};

std::string Skin(const std::string& name, const std::string& stem) {
  return "<skin><comment>c " + name + "</comment><name>" + name + "</name><file>" + stem +
         "p</file><rss>" + stem + "r</rss><moji>" + stem + "m</moji></skin>\n";
}

std::string Document(int code, const std::string& title, const std::string& skins) {
  return "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<brand>\n<title>" + title +
         "</title>\n<code>" + std::to_string(code) + "</code>\n" + skins + "</brand>\n";
}

TEST(ExtractElementTest, PrefixMatchClosingFromStartAndNestedText) {
  char out[64];
  const char* text = "a<names id=1>in <b>bold</b></name>tail";
  const char* after = ExtractElement(text, "name", out, sizeof out);
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(out, "in <b>bold</b>") << "prefix match, nested markup kept as text";
  EXPECT_STREQ(after, "tail");
  // The closing tag is exact: "</nam>" is nowhere.
  EXPECT_EQ(ExtractElement(text, "nam", out, sizeof out), nullptr);
  // Closing tags are searched from the start of the text.
  text = "<x>1</x><x>2</x>";
  after = ExtractElement(text, "x", out, sizeof out);
  EXPECT_STREQ(out, "1");
  EXPECT_STREQ(after, "<x>2</x>");
  after = ExtractElement(after, "x", out, sizeof out);
  EXPECT_STREQ(out, "2");
  EXPECT_STREQ(after, "");
  // The closing tag ahead of the opening one, no '>', no closing tag: nothing, output cleared.
  for (const char* broken : {"</x><x>1", "<x", "<x>1", "", "</x>"}) {
    strcpy(out, "old");
    EXPECT_EQ(ExtractElement(broken, "x", out, sizeof out), nullptr) << broken;
    EXPECT_STREQ(out, "") << broken;
  }
  // Empty content, and content that exactly fits or is one byte too long.
  EXPECT_NE(ExtractElement("<x></x>", "x", out, sizeof out), nullptr);
  EXPECT_STREQ(out, "");
  char small[4];
  EXPECT_NE(ExtractElement("<x>abc</x>", "x", small, sizeof small), nullptr);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(ExtractElement("<x>abcd</x>", "x", small, sizeof small), nullptr);
  EXPECT_STREQ(small, "");
  EXPECT_EQ(ExtractElement("<x>a</x>", "", out, sizeof out), nullptr);
}

TEST_F(CatalogueTest, DocumentFillsBrandRecord) {
  const std::string doc = Document(2, "Second", Skin("one", "aa") + Skin("two", "bb") +
                                                 "<skin><name>bare</name></skin>");
  ASSERT_TRUE(ParseCatalogue(doc.c_str(), kSkinFromResources, ""));
  const BrandRecord& b = BrandTable[1];
  EXPECT_STREQ(b.title, "Second");
  ASSERT_EQ(b.skinCount, 3);
  EXPECT_STREQ(b.skins[0].name, "one");
  EXPECT_STREQ(b.skins[0].comment, "c one");
  EXPECT_STREQ(b.skins[0].file, "aap.kpz");
  EXPECT_STREQ(b.skins[0].rss, "aar.kpz");
  EXPECT_STREQ(b.skins[0].moji, "aam.kpz");
  EXPECT_EQ(b.skins[0].source, kSkinFromResources);
  EXPECT_STREQ(b.skins[1].name, "two");
  // Missing elements give empty fields, and the images still get their ending.
  EXPECT_STREQ(b.skins[2].comment, "");
  EXPECT_STREQ(b.skins[2].rss, ".kpz");
  EXPECT_STREQ(b.skins[2].file, ".kpz");
  for (int i = 0; i < kBrandCount; ++i) {
    if (i != 1) {
      EXPECT_EQ(BrandTable[i].skinCount, 0);
    }
  }

  // A package document with the same code appends and replaces the title.
  const std::string pkg = Document(2, "Renamed", Skin("three", "cc"));
  ASSERT_TRUE(ParseCatalogue(pkg.c_str(), kSkinFromPackage, "extra.skn"));
  EXPECT_STREQ(b.title, "Renamed");
  ASSERT_EQ(b.skinCount, 4);
  EXPECT_STREQ(b.skins[3].name, "three");
  EXPECT_EQ(b.skins[3].source, kSkinFromPackage);
  EXPECT_STREQ(b.skins[3].package, "extra.skn");
  EXPECT_STREQ(b.skins[0].package, "");
}

TEST_F(CatalogueTest, SkinsBeforeTitleAndMissingTitle) {
  std::string doc = "<brand>" + Skin("early", "ee") + "<code>3</code><title>T</title>" +
                    Skin("late", "ll") + "</brand>";
  ASSERT_TRUE(ParseCatalogue(doc.c_str(), 0, ""));
  ASSERT_EQ(BrandTable[2].skinCount, 1);
  EXPECT_STREQ(BrandTable[2].skins[0].name, "late");

  // No title: success, title cleared, no skins read.
  doc = "<brand><code>3</code>" + Skin("x", "xx") + "</brand>";
  ASSERT_TRUE(ParseCatalogue(doc.c_str(), 0, ""));
  EXPECT_STREQ(BrandTable[2].title, "");
  EXPECT_EQ(BrandTable[2].skinCount, 1);
}

TEST_F(CatalogueTest, CodesOutsideTheTableAreRefused) {
  for (const char* code : {"0", "13", "-1", "abc", "", "99999999999999999999", "+2"}) {
    std::string doc = std::string("<brand><code>") + code + "</code><title>T</title>" + Skin("s", "s") +
                      "</brand>";
    EXPECT_FALSE(ParseCatalogue(doc.c_str(), 0, "")) << code;
  }
  for (const BrandRecord& b : BrandTable) {
    EXPECT_EQ(b.skinCount, 0);
    EXPECT_STREQ(b.title, "");
  }
  // The conversion stops at the first non-digit and skips leading blanks.
  ASSERT_TRUE(ParseCatalogue(Document(12, "Last", Skin("s", "s")).c_str(), 0, ""));
  ASSERT_TRUE(ParseCatalogue("<brand><code> 7x</code><title>Seven</title></brand>", 0, ""));
  EXPECT_STREQ(BrandTable[11].title, "Last");
  EXPECT_STREQ(BrandTable[6].title, "Seven");
}

TEST_F(CatalogueTest, LimitsAreKeptWithoutWritingOutside) {
  // 40 skins: the first 32 are kept.
  std::string skins;
  for (int i = 0; i < 40; ++i) skins += Skin("s" + std::to_string(i), "k");
  ASSERT_TRUE(ParseCatalogue(Document(1, "Many", skins).c_str(), 0, ""));
  EXPECT_EQ(BrandTable[0].skinCount, kSkinsPerBrand);
  EXPECT_STREQ(BrandTable[0].skins[31].name, "s31");
  ASSERT_TRUE(ParseCatalogue(Document(1, "More", Skin("extra", "k")).c_str(), 0, ""));
  EXPECT_EQ(BrandTable[0].skinCount, kSkinsPerBrand);
  EXPECT_STREQ(BrandTable[0].title, "More");

  // Long texts are cut to their fields, never inside a double-byte character.
  std::string sjis;
  for (int i = 0; i < 40; ++i) sjis += "\x83\x5C";  // a katakana whose trail byte is '\'
  std::string longName(300, 'n');
  std::string doc = Document(4, "xy" + sjis,
                             "<skin><name>" + longName + "</name><comment>" + sjis + sjis + sjis + sjis +
                                 "</comment><file>" + std::string(27, 'f') + "</file></skin>");
  ASSERT_TRUE(ParseCatalogue(doc.c_str(), 0, ""));
  const BrandRecord& b = BrandTable[3];
  EXPECT_EQ(strlen(b.title), 62u) << "63 bytes would split the 32nd character";
  ASSERT_EQ(b.skinCount, 1);
  EXPECT_EQ(std::string(b.skins[0].name), std::string(127, 'n'));
  EXPECT_EQ(strlen(b.skins[0].comment), 254u);
  EXPECT_EQ(std::string(b.skins[0].file), std::string(27, 'f') + ".kpz");

  // A stem of 28 bytes cannot name an image: that skin is skipped, the next one kept.
  doc = Document(5, "Stems", "<skin><name>bad</name><rss>" + std::string(28, 'r') + "</rss></skin>" +
                                 Skin("good", "g"));
  ASSERT_TRUE(ParseCatalogue(doc.c_str(), 0, ""));
  ASSERT_EQ(BrandTable[4].skinCount, 1);
  EXPECT_STREQ(BrandTable[4].skins[0].name, "good");

  // A brand content of 8191 bytes is read; one of 8192 refuses the document and leaves the
  // table as it was.
  const std::string head = "<title>Sizes</title><code>6</code>" + Skin("fits", "f");
  std::string fits = "<brand>" + head + std::string(8191 - head.size(), ' ') + "</brand>";
  ASSERT_TRUE(ParseCatalogue(fits.c_str(), 0, ""));
  ASSERT_EQ(BrandTable[5].skinCount, 1);
  std::string tooLong = "<brand>" + head + std::string(8192 - head.size(), ' ') + "</brand>";
  EXPECT_FALSE(ParseCatalogue(tooLong.c_str(), 0, ""));
  EXPECT_STREQ(BrandTable[5].title, "Sizes");
  EXPECT_EQ(BrandTable[5].skinCount, 1);

  // A package name that would not fit its field.
  EXPECT_FALSE(ParseCatalogue(Document(7, "P", Skin("p", "p")).c_str(), 1, std::string(32, 'p').c_str()));
  EXPECT_TRUE(ParseCatalogue(Document(7, "P", Skin("p", "p")).c_str(), 1, std::string(31, 'p').c_str()));
  EXPECT_EQ(std::string(BrandTable[6].skins[0].package), std::string(31, 'p'));
}

TEST_F(CatalogueTest, ResetEmptiesAllTwelve) {
  for (int code = 1; code <= kBrandCount; ++code) {
    ASSERT_TRUE(ParseCatalogue(Document(code, "B", Skin("s", "s")).c_str(), 0, ""));
  }
  ResetCatalogue();
  for (const BrandRecord& b : BrandTable) {
    EXPECT_EQ(b.skinCount, 0);
    EXPECT_STREQ(b.title, "");
  }
}

}  // namespace
