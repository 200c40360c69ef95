// The glyphs a time puts on the face: hour rules of the 12- and 24-hour displays, marks, date.
#include <gtest/gtest.h>

#include <string>

#include "render/face_layout.h"

namespace {

LocalTime At(int month, int day, int hour, int minute) {
  LocalTime t = {};
  t.year = 2026;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return t;
}

// Reads the glyphs back as text: sheet rows give the digits, the mark and month cells their names.
std::string Read(const LocalTime& t, bool clock24, bool clock12) {
  GlyphCopy g[8];
  int n = TimeGlyphs(t, clock24, clock12, clock24 ? 24 : 12, FacePoint{0, 0}, g);
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (g[i].sy == 346) {
      s += g[i].sx == 36 ? "am " : "pm ";
    } else if (g[i].sx == 25) {
      s += "M" + std::to_string(g[i].sy / 28 + 1) + " ";
    } else {
      s += std::to_string(g[i].sy / 28);
      if (g[i].dx == 75) s += " ";
      if (g[i].dx == 48) s += ":";
    }
  }
  return s;
}

TEST(FaceLayoutTest, HoursFollowTheDisplaySettings) {
  EXPECT_EQ(Read(At(12, 7, 0, 5), true, true), "M12 07 00:05");
  EXPECT_EQ(Read(At(12, 7, 0, 5), false, true), "am M12 07 12:05");
  EXPECT_EQ(Read(At(12, 7, 0, 5), false, false), "am M12 07 00:05");
  EXPECT_EQ(Read(At(12, 7, 12, 30), false, true), "pm M12 07 12:30");
  EXPECT_EQ(Read(At(12, 7, 12, 30), false, false), "pm M12 07 00:30");
  EXPECT_EQ(Read(At(12, 7, 23, 59), false, true), "pm M12 07 11:59");
  EXPECT_EQ(Read(At(12, 7, 23, 59), true, true), "M12 07 23:59");
  EXPECT_EQ(Read(At(3, 1, 8, 0), true, false), "M3 01 08:00");
}

TEST(FaceLayoutTest, PlacesAndOffsets) {
  GlyphCopy g[8];
  ASSERT_EQ(TimeGlyphs(At(3, 1, 13, 45), false, true, 12, FaceOffsetFor(0, 1), g), 8);
  // Afternoon mark, March, day 0 and 1, hour 0 1, minute 4 5, all 25 pixels right.
  const int dx[8] = {96, 30, 64, 75, 30, 48, 79, 97};
  const int dy[8] = {212, 182, 182, 182, 226, 226, 226, 226};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(g[i].dx, dx[i] + 25) << i;
    EXPECT_EQ(g[i].dy, dy[i]) << i;
  }
  EXPECT_EQ(g[1].sy, 56);   // March: third row of months
  EXPECT_EQ(g[1].w, 34);
  EXPECT_EQ(g[2].sy, 0);    // day tens 0 is drawn
  EXPECT_EQ(g[3].sy, 28);   // day units 1
  EXPECT_EQ(g[4].sy, 0);
  EXPECT_EQ(g[5].sy, 28);
  EXPECT_EQ(FaceOffsetFor(0, 0).x, 0);
  EXPECT_EQ(FaceOffsetFor(1, 1).x, 0);

  GlyphCopy colon[2];
  ASSERT_EQ(ColonGlyphs(FaceOffsetFor(0, 1), colon), 2);
  EXPECT_EQ(colon[0].dx, 94);
  EXPECT_EQ(colon[0].dy, 232);
  EXPECT_EQ(colon[1].dy, 242);
  EXPECT_EQ(colon[1].sx, 17);
  EXPECT_EQ(colon[1].sy, 300);
}

TEST(FaceLayoutTest, NothingOutsideTheSheetWhateverTheClockSays) {
  const LocalTime odd[] = {At(0, 0, -1, -3), At(13, 99, 99, 99), At(-5, 31, 24, 60)};
  for (const LocalTime& t : odd) {
    for (bool c24 : {false, true}) {
      GlyphCopy g[8];
      int n = TimeGlyphs(t, c24, true, c24 ? 24 : 12, FacePoint{0, 0}, g);
      for (int i = 0; i < n; ++i) {
        EXPECT_GE(g[i].sy, 0);
        EXPECT_LE(g[i].sy + g[i].h, 362);
        EXPECT_LE(g[i].sx + g[i].w, 75);
      }
    }
  }
}

}  // namespace
