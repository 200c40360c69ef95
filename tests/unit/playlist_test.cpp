// The play list's order, current entry and ".lst" keys, including what hand-edited files hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "player/playlist.h"
#include "settings/settings.h"

namespace {

class PlayListTest : public testing::Test {
 protected:
  void SetUp() override {
    EntryCount = 0;
    PlayNo = 0;
    ShuffFlag = false;
  }
  void TearDown() override { SetUp(); }

  static void Fill(int count) {
    EntryCount = 0;
    for (int i = 0; i < count; ++i) {
      char path[32];
      snprintf(path, sizeof path, "C:\\m\\%05d.mp3", i);
      ASSERT_TRUE(AppendEntry(path));
    }
  }

  static bool OrderIsPermutation() {
    std::vector<bool> seen(static_cast<size_t>(EntryCount), false);
    for (int i = 0; i < EntryCount; ++i) {
      int e = PlayOrder[i];
      if (e < 0 || e >= EntryCount || seen[static_cast<size_t>(e)]) return false;
      seen[static_cast<size_t>(e)] = true;
    }
    return true;
  }

  // Loads "[PlayList]" and its lines as the section call gives them: each line ended by a zero,
  // and a closing zero.
  static void LoadText(const std::string& text) {
    std::string section = text.substr(text.find('\n') + 1) + '\n';
    std::replace(section.begin(), section.end(), '\n', '\0');
    LoadPlayListSection(section.data(), section.size());
  }
};

TEST_F(PlayListTest, OrderIsTheIdentityUnlessShuffledAndAlwaysAPermutation) {
  Fill(5);
  BuildOrder();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(PlayOrder[i], i);

  ShuffFlag = true;
  Fill(1);
  for (unsigned seed = 0; seed < 50; ++seed) {
    BuildOrderSeeded(seed);
    EXPECT_EQ(PlayOrder[0], 0);
  }
  for (int count : {0, 2, 3, 7, 100, kMaxEntries}) {
    Fill(count);
    int unchanged = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
      BuildOrderSeeded(seed * 7919u);
      ASSERT_TRUE(OrderIsPermutation()) << count << " seed " << seed;
      bool identity = true;
      for (int i = 0; i < count; ++i) identity = identity && PlayOrder[i] == i;
      unchanged += identity;
    }
    // Large lists are practically never left in order by a shuffle.
    if (count >= 100) {
      EXPECT_EQ(unchanged, 0) << count;
    }
  }
  BuildOrder();
  EXPECT_TRUE(OrderIsPermutation());
}

TEST_F(PlayListTest, CurrentEntryFollowsTheOrderAndPositionsInvertIt) {
  Fill(6);
  PlayNo = 4;
  EXPECT_EQ(CurrentEntry(), 4);
  EXPECT_EQ(OrderPositionOf(3), 3);

  ShuffFlag = true;
  BuildOrderSeeded(99);
  for (int position = 0; position < 6; ++position) {
    PlayNo = position;
    EXPECT_EQ(CurrentEntry(), PlayOrder[position]);
    EXPECT_EQ(OrderPositionOf(CurrentEntry()), position);
  }
}

TEST_F(PlayListTest, PositionsOutsideTheEntriesNeverLeadOutsideThem) {
  for (bool shuffled : {false, true}) {
    ShuffFlag = shuffled;
    Fill(4);
    BuildOrderSeeded(5);
    // What lies past the entries must not be taken: slot 4 of the order claims entry 2.
    PlayOrder[4] = 2;
    for (int playNo : {-5, -1, 4, 99999, INT32_MAX, INT32_MIN}) {
      PlayNo = playNo;
      int entry = CurrentEntry();
      EXPECT_EQ(entry, shuffled ? PlayOrder[0] : 0) << playNo;
    }
    for (int entry : {-1, 4, 10000, 32767, INT32_MIN}) {
      EXPECT_EQ(OrderPositionOf(entry), 0) << entry;
    }
    // An order slot that names no entry (the order not rebuilt after a deletion).
    if (shuffled) {
      PlayOrder[1] = 3000;
      PlayNo = 1;
      EXPECT_EQ(CurrentEntry(), 0);
      PlayOrder[1] = -7;
      EXPECT_EQ(CurrentEntry(), 0);
      EXPECT_EQ(OrderPositionOf(3000), 0);
    }
    EntryCount = 0;
    PlayNo = 0;
    EXPECT_EQ(CurrentEntry(), 0);
    EXPECT_EQ(OrderPositionOf(0), 0);
  }
}

TEST_F(PlayListTest, AcceptsTheMediaKindsInAnyCase) {
  for (const char* ext : {".mp3", ".wma", ".wav", ".avi", ".wmv", ".mpg", ".mp4", ".MP3",
                          ".Mp4", ".WMV"}) {
    EXPECT_TRUE(IsListKind(ext)) << ext;
  }
  for (const char* ext : {"", ".", ".txt", ".lst", ".mp", ".mp3x", "mp3", ".mp3 ", ".mpeg",
                          ".EOF", "EOF", ".mp3\x83\x5C"}) {
    EXPECT_FALSE(IsListKind(ext)) << ext;
  }
  EXPECT_TRUE(IsPlayListExtension(".lst"));
  EXPECT_TRUE(IsPlayListExtension(".LsT"));
  EXPECT_FALSE(IsPlayListExtension(".lst2"));
  EXPECT_FALSE(IsPlayListExtension(".mp3"));
}

TEST_F(PlayListTest, AppendStopsAtTheLimitsOfTheList) {
  std::string longest(259, 'p');
  EXPECT_TRUE(AppendEntry(longest.c_str()));
  EXPECT_FALSE(AppendEntry((longest + "q").c_str()));
  EXPECT_EQ(EntryCount, 1);
  EXPECT_EQ(std::string(PlayPaths[0]), longest);
  Fill(kMaxEntries);
  EXPECT_FALSE(AppendEntry("C:\\one.mp3"));
  EXPECT_EQ(EntryCount, kMaxEntries);
}

TEST_F(PlayListTest, LoadsFileKeysUpToTheFirstGapOrEmptyValue) {
  LoadText("[PlayList]\nPlayNo=1\nFILE0000=C:\\a.mp3\nFILE0001=C:\\b.mp3\n");
  ASSERT_EQ(EntryCount, 2);
  EXPECT_STREQ(PlayPaths[1], "C:\\b.mp3");
  EXPECT_EQ(PlayNo, 1);

  LoadText("[PlayList]\nFILE0000=a\nFILE0001=b\nFILE0003=d\n");
  EXPECT_EQ(EntryCount, 2);
  LoadText("[PlayList]\nFILE0000=a\nFILE0001=\nFILE0002=c\n");
  EXPECT_EQ(EntryCount, 1);
  LoadText("[PlayList]\nPlayNo=3\nFILE0001=b\n");
  EXPECT_EQ(EntryCount, 0);
  EXPECT_EQ(PlayNo, 0);
  LoadText("");
  EXPECT_EQ(EntryCount, 0);

  // A value too long for an entry is left out rather than cut to another path.
  LoadText("[PlayList]\nFILE0000=a\nFILE0001=" + std::string(260, 'x') + "\nFILE0002=" +
           std::string(259, 'y') + "\n");
  ASSERT_EQ(EntryCount, 2);
  EXPECT_EQ(std::string(PlayPaths[1]), std::string(259, 'y'));
}

// Text with zeros in it, whole: the strings of a section as the section call gives them.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST_F(PlayListTest, TheSectionIsReadAsTheKeyByKeyCallsReadIt) {
  struct Case {
    std::string section;
    size_t length;  // how much of it the loader is given
    std::vector<std::string> entries;
    int playNo;
  };
  const Case cases[] = {
      // Keys in any case and any order, blanks around keys and values, quotes around a value.
      {Bytes("file0001 = b.mp3 \0 PLAYNO = 1\0FILE0000=\"a.mp3\"\0\0"), 100, {"a.mp3", "b.mp3"}, 1},
      // The first of two equal keys counts; other keys, comments and words are passed over.
      {Bytes("FILE0000=a\0file0000=z\0PlayNo=1\0playno=0\0;FILE0001=x\0word\0FILE1=y\0"
             "FILE00001=y\0FILE0001=b\0\0"),
       100, {"a", "b"}, 1},
      // Only one pair of matching quotes goes; a lone quote stays.
      {Bytes("FILE0000='a'\0FILE0001=\"\"b\"\"\0FILE0002=\"c\0\0"), 100, {"a", "\"b\"", "\"c"}, 0},
      // An empty value ends the list, as a missing key does; so does an empty string.
      {Bytes("FILE0000=a\0FILE0001=  \0FILE0002=c\0\0"), 100, {"a"}, 0},
      {Bytes("\0FILE0000=a\0\0"), 100, {}, 0},
      // Nothing is read at or past the length given, closing zeros or not.
      {Bytes("FILE0000=a\0FILE0001=b\0PlayNo=1\0\0"), 21, {"a", "b"}, 0},
      {Bytes("FILE0000=abc"), 10, {"a"}, 0},
      {Bytes("FILE0000=abc"), 0, {}, 0},
  };
  for (const Case& c : cases) {
    PlayNo = 77;
    LoadPlayListSection(c.section.data(), std::min(c.length, c.section.size()));
    EXPECT_EQ(std::vector<std::string>(PlayPaths, PlayPaths + EntryCount), c.entries) << c.section;
    EXPECT_EQ(PlayNo, c.playNo) << c.section;
  }
}

TEST_F(PlayListTest, PlayNoFromAFileIsKeptOnlyWhenItNamesAnEntry) {
  const std::string entries = "[PlayList]\nFILE0000=a\nFILE0001=b\nFILE0002=c\n";
  struct Case {
    const char* value;
    int playNo;
  };
  for (const Case& c : {Case{"2", 2}, Case{"-5", 0}, Case{"3", 0}, Case{"99999", 0},
                        Case{"abc", 0}, Case{"1x", 1}, Case{"4294967295", 0}}) {
    PlayNo = 77;
    LoadText(entries + "PlayNo=" + c.value + "\n");
    EXPECT_EQ(PlayNo, c.playNo) << c.value;
    EXPECT_GE(CurrentEntry(), 0);
    EXPECT_LT(CurrentEntry(), EntryCount);
  }
}

TEST_F(PlayListTest, PlayNoStaysOnItsEntryWhenLongerEntriesAreSkipped) {
  const std::string tooLong(kEntryCapacity + 1, 'x');
  // For every saved PlayNo over five entries with the two marked "-" too long to keep: the
  // current entry is the one the number named, or the next one kept when it was itself skipped.
  const char* names[] = {"a", "-", "c", "-", "e"};
  const char* expected[] = {"a", "c", "c", "e", "e"};
  for (int saved = 0; saved < 5; ++saved) {
    std::string text = "[PlayList]\nPlayNo=" + std::to_string(saved) + "\n";
    for (int i = 0; i < 5; ++i) {
      char key[16];
      snprintf(key, sizeof key, "FILE%04d", i);
      text += std::string(key) + "=" + (names[i][0] == '-' ? tooLong : names[i]) + "\n";
    }
    LoadText(text);
    ASSERT_EQ(EntryCount, 3);
    EXPECT_STREQ(PlayPaths[CurrentEntry()], expected[saved]) << saved;
  }
}

TEST_F(PlayListTest, ALoadedEntryStaysCurrentWithShuffleOnUntilTheOrderIsBuilt) {
  ShuffFlag = true;
  Fill(8);
  BuildOrderSeeded(3);
  LoadText("[PlayList]\nPlayNo=2\nFILE0000=a\nFILE0001=b\nFILE0002=c\nFILE0003=d\n");
  EXPECT_EQ(CurrentEntry(), 2);
  std::vector<char> section(PlayListSectionCapacity());
  ASSERT_GT(BuildPlayListSection(section.data(), section.size()), 0u);
  EXPECT_STREQ(section.data(), "PlayNo=2");
}

TEST_F(PlayListTest, LoadStopsAtTheEntryLimit) {
  std::string text = "[PlayList]\nPlayNo=9999\n";
  for (int n = 0; n < 20000; ++n) {
    char line[40];
    snprintf(line, sizeof line, "FILE%04d=C:\\m\\%d.mp3\n", n, n);
    text += line;
  }
  LoadText(text);
  EXPECT_EQ(EntryCount, kMaxEntries);
  EXPECT_STREQ(PlayPaths[kMaxEntries - 1], "C:\\m\\9999.mp3");
  EXPECT_EQ(PlayNo, 9999);
}

TEST_F(PlayListTest, SectionHoldsTheCurrentEntryAndEveryPathAndLoadsBack) {
  Fill(2);
  PlayNo = 1;
  std::vector<char> section(PlayListSectionCapacity());
  size_t length = BuildPlayListSection(section.data(), section.size());
  const char expected[] = "PlayNo=1\0FILE0000=C:\\m\\00000.mp3\0FILE0001=C:\\m\\00001.mp3\0\0";
  ASSERT_EQ(length, sizeof expected - 1);
  EXPECT_EQ(memcmp(section.data(), expected, length), 0);

  // The file stores the entry, not the shuffled position.
  ShuffFlag = true;
  PlayOrder[0] = 1;
  PlayOrder[1] = 0;
  PlayNo = 1;
  ASSERT_GT(BuildPlayListSection(section.data(), section.size()), 0u);
  EXPECT_STREQ(section.data(), "PlayNo=0");

  // An empty list, and a buffer that is too small (left alone).
  EntryCount = 0;
  char small[12];
  ASSERT_EQ(BuildPlayListSection(small, sizeof small), 10u);
  EXPECT_EQ(memcmp(small, "PlayNo=0\0\0", 10), 0);
  Fill(1);
  memset(small, '#', sizeof small);
  EXPECT_EQ(BuildPlayListSection(small, sizeof small), 0u);
  EXPECT_EQ(small[0], '#');
}

TEST_F(PlayListTest, AFullListOfLongestPathsFitsTheSectionAndLoadsBack) {
  EntryCount = 0;
  for (int i = 0; i < kMaxEntries; ++i) {
    std::string path = std::to_string(i) + std::string(259, 'z');
    path.resize(259);
    ASSERT_TRUE(AppendEntry(path.c_str()));
  }
  PlayNo = 9998;
  std::vector<char> section(PlayListSectionCapacity());
  size_t length = BuildPlayListSection(section.data(), section.size());
  ASSERT_GT(length, 0u);
  std::string text = "[PlayList]\n";
  for (const char* line = section.data(); *line != '\0'; line += strlen(line) + 1) {
    text += line;
    text += '\n';
  }
  std::vector<std::string> before(PlayPaths, PlayPaths + kMaxEntries);
  LoadText(text);
  ASSERT_EQ(EntryCount, kMaxEntries);
  EXPECT_EQ(PlayNo, 9998);
  for (int i = 0; i < kMaxEntries; ++i) ASSERT_EQ(before[static_cast<size_t>(i)], PlayPaths[i]);
}

}  // namespace
