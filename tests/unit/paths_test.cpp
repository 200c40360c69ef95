// Path splitting, file-name reduction, extension replacement and filter lists over Shift-JIS.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/paths.h"

namespace {

bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool NoLead(unsigned char) { return false; }

// "表" and "ソ" end in 0x5C, the backslash byte; "−" ends in 0x7C, the "|" byte.
const char kHyou[] = "\x95\x5C";
const char kSo[] = "\x83\x5C";
const char kMinus[] = "\x81\x7C";

TEST(PathsTest, SplitsLikeTheRuntimeSplitter) {
  PathParts p;
  ASSERT_TRUE(SplitFullPath("C:\\music\\a.mp3", &p, ShiftJisLead));
  EXPECT_STREQ(p.full, "C:\\music\\a.mp3");
  EXPECT_STREQ(p.drive, "C:");
  EXPECT_STREQ(p.dir, "\\music\\");
  EXPECT_STREQ(p.name, "a");
  EXPECT_STREQ(p.ext, ".mp3");
  EXPECT_STREQ(p.folder, "C:\\music\\");
  EXPECT_STREQ(p.fileName, "a.mp3");

  ASSERT_TRUE(SplitFullPath("C:\\my.dir\\readme", &p, ShiftJisLead));
  EXPECT_STREQ(p.name, "readme");
  EXPECT_STREQ(p.ext, "");
  EXPECT_STREQ(p.fileName, "readme");

  ASSERT_TRUE(SplitFullPath("\\\\server\\share/x.tar.gz", &p, ShiftJisLead));
  EXPECT_STREQ(p.drive, "");
  EXPECT_STREQ(p.dir, "\\\\server\\share/");
  EXPECT_STREQ(p.name, "x.tar");
  EXPECT_STREQ(p.ext, ".gz");

  ASSERT_TRUE(SplitFullPath("C:", &p, ShiftJisLead));
  EXPECT_STREQ(p.drive, "C:");
  EXPECT_STREQ(p.dir, "");
  EXPECT_STREQ(p.fileName, "");

  ASSERT_TRUE(SplitFullPath("", &p, ShiftJisLead));
  EXPECT_STREQ(p.folder, "");
}

TEST(PathsTest, DoubleByteCharactersEndingInSeparatorBytesStayWhole) {
  PathParts p;
  std::string path = std::string("C:\\") + kHyou + "\\" + kSo + ".mp3";
  ASSERT_TRUE(SplitFullPath(path.c_str(), &p, ShiftJisLead));
  EXPECT_EQ(std::string(p.dir), std::string("\\") + kHyou + "\\");
  EXPECT_EQ(std::string(p.name), kSo);
  EXPECT_EQ(std::string(p.fileName), std::string(kSo) + ".mp3");
  // Without the lead-byte test the same bytes split in the middle of the characters.
  ASSERT_TRUE(SplitFullPath(path.c_str(), &p, NoLead));
  EXPECT_STREQ(p.name, "");

  // A lead byte as the very last byte does not step past the terminator.
  ASSERT_TRUE(SplitFullPath("C:\\a\\b\x95", &p, ShiftJisLead));
  EXPECT_STREQ(p.fileName, "b\x95");
}

TEST(PathsTest, EveryPartOfThe259BytePathFitsAndLongerPathsFail) {
  std::string path = "C:\\" + std::string(250, 'd') + "\\ab.mp3";
  ASSERT_EQ(path.size(), 260u);
  path.erase(4, 1);
  PathParts p;
  ASSERT_TRUE(SplitFullPath(path.c_str(), &p, ShiftJisLead));
  EXPECT_EQ(strlen(p.dir), 251u);
  EXPECT_EQ(std::string(p.folder) + p.fileName, path);

  std::string name = "C:\\" + std::string(252, 'n') + ".mp3";
  ASSERT_TRUE(SplitFullPath(name.c_str(), &p, ShiftJisLead));
  EXPECT_EQ(strlen(p.name), 252u);

  PathParts untouched;
  memset(&untouched, 'u', sizeof untouched);
  PathParts before = untouched;
  std::string tooLong = "C:\\" + std::string(257, 'x');
  EXPECT_FALSE(SplitFullPath(tooLong.c_str(), &untouched, ShiftJisLead));
  EXPECT_EQ(memcmp(&untouched, &before, sizeof before), 0);
}

TEST(PathsTest, ReducesToTheFileName) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"C:\\a\\b.lst", "b.lst"},
      {"C:b.lst", "b.lst"},
      {"b.lst", "b.lst"},
      {"C:\\a\\", ""},
      {"", ""},
      {"a:b\\c:d", "c:d"},
      {std::string("C:\\") + kSo, kSo},
      {std::string("C:\\x\\") + kHyou + "y", std::string(kHyou) + "y"},
  };
  for (const Case& c : cases) {
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%s", c.in.c_str());
    ReduceToFileName(buffer, ShiftJisLead);
    EXPECT_EQ(std::string(buffer), c.out) << c.in;
  }
}

TEST(PathsTest, FindsCharactersNoFileNameMayHave) {
  for (const char* name : {"a<b.lst", "a>b", "a:b", "a\"b", "a/b", "a\\b", "a|b", "a?b", "a*b",
                           "a\tb", "\x7f\x01"}) {
    EXPECT_TRUE(HasReservedCharacter(name, ShiftJisLead)) << name;
  }
  // The second bytes of "ソ" and "−" are the backslash and "|" bytes.
  for (std::string name : {std::string("list.lst"), std::string(""), std::string(kSo) + ".lst",
                           std::string(kMinus) + " (1).lst"}) {
    EXPECT_FALSE(HasReservedCharacter(name.c_str(), ShiftJisLead)) << name;
  }
}

TEST(PathsTest, FilterBecomesAZeroSeparatedListWithItsClosingZeros) {
  char out[64];
  const char filter[] = "Play List|*.lst|All|*.*|";
  ASSERT_TRUE(FilterToList(filter, out, sizeof out, ShiftJisLead));
  const char expected[] = "Play List\0*.lst\0All\0*.*\0\0";
  EXPECT_EQ(memcmp(out, expected, sizeof expected), 0);

  // A filter without its last "|" still ends in two zeros.
  ASSERT_TRUE(FilterToList("A|*.a", out, sizeof out, ShiftJisLead));
  EXPECT_EQ(memcmp(out, "A\0*.a\0\0", 7), 0);

  // The second byte of "−" is the "|" byte but not a separator.
  std::string japanese = std::string("A") + kMinus + "B|*.*|";
  ASSERT_TRUE(FilterToList(japanese.c_str(), out, sizeof out, ShiftJisLead));
  EXPECT_EQ(std::string(out), std::string("A") + kMinus + "B");
  EXPECT_STREQ(out + strlen(out) + 1, "*.*");

  char small[8];
  memset(small, '#', sizeof small);
  EXPECT_FALSE(FilterToList("abcdefg|", small, sizeof small, ShiftJisLead));
  EXPECT_EQ(small[0], '#');
  EXPECT_TRUE(FilterToList("abcde|", small, sizeof small, ShiftJisLead));
}

TEST(PathsTest, ReplacesOrAppendsTheExtensionOfTheLastComponent) {
  char out[260];
  ASSERT_TRUE(ReplaceExtension("C:\\x\\Clock.exe", ".cfg", out, sizeof out, ShiftJisLead));
  EXPECT_STREQ(out, "C:\\x\\Clock.cfg");
  ASSERT_TRUE(ReplaceExtension("C:\\x.y\\Clock", ".cfg", out, sizeof out, ShiftJisLead));
  EXPECT_STREQ(out, "C:\\x.y\\Clock.cfg");
  ASSERT_TRUE(ReplaceExtension("C:\\a.b.exe", ".lst", out, sizeof out, ShiftJisLead));
  EXPECT_STREQ(out, "C:\\a.b.lst");
  std::string japanese = std::string("C:\\") + kSo + ".exe";
  ASSERT_TRUE(ReplaceExtension(japanese.c_str(), ".cfg", out, sizeof out, ShiftJisLead));
  EXPECT_EQ(std::string(out), std::string("C:\\") + kSo + ".cfg");

  // In place, and refusing what would not fit (the buffer is left alone).
  char buffer[16] = "C:\\ab.exe";
  ASSERT_TRUE(ReplaceExtension(buffer, ".cfg", buffer, sizeof buffer, ShiftJisLead));
  EXPECT_STREQ(buffer, "C:\\ab.cfg");
  char tight[12] = "C:\\abcdefg";
  EXPECT_FALSE(ReplaceExtension(tight, ".cfg", tight, sizeof tight, ShiftJisLead));
  EXPECT_STREQ(tight, "C:\\abcdefg");
}

}  // namespace
