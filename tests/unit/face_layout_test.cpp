// The glyphs a time puts on the face: hour rules of the 12- and 24-hour displays, marks, date.
#include <gtest/gtest.h>

#include <string>

#include "news/ticker.h"
#include "render/face_layout.h"
#include "render/face_scale.h"
#include "render/scaled_images.h"

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
  int n = TimeGlyphs(t, clock24, clock12, clock24 ? 24 : 12, FacePoint{0, 0}, 1.0, g);
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
  ASSERT_EQ(TimeGlyphs(At(3, 1, 13, 45), false, true, 12, FaceOffsetFor(0, 1), 1.0, g), 8);
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
  ASSERT_EQ(ColonGlyphs(FaceOffsetFor(0, 1), 1.0, colon), 2);
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
      int n = TimeGlyphs(t, c24, true, c24 ? 24 : 12, FacePoint{0, 0}, 1.0, g);
      for (int i = 0; i < n; ++i) {
        EXPECT_GE(g[i].sy, 0);
        EXPECT_LE(g[i].sy + g[i].h, 362);
        EXPECT_LE(g[i].sx + g[i].w, 75);
      }
    }
  }
}

bool operator==(const FaceBox& a, const FaceBox& b) {
  return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

// Every fixed place of the face at the scales a display offers, worked out by hand; the wide
// skin's offset is in all of them. (The bar is baked into the picture before it is scaled.) The scaled digit sheet is round(75 s) x round(362 s).
TEST(FaceLayoutTest, EveryPlaceAtEveryScale) {
  struct Row {
    double scale;
    FacePoint size;
    FaceBox area;
    FaceBox hit;
    FaceBox ticker;
    FaceBox minuteUnits;  // 5 at (97 + 25, 226); its sheet cell is at (7, 140), as x, y of sx, sy
    FacePoint cell;
  };
  const Row rows[] = {
      {1.0, {400, 330}, {55, 182, 90, 80}, {1, 281, 399, 49}, {45, 291, 310, 30},
       {122, 226, 18, 28}, {7, 140}},
      {1.25, {500, 413}, {69, 228, 112, 100}, {1, 351, 499, 62}, {56, 364, 388, 38},
       {153, 283, 22, 35}, {9, 175}},
      {1.5, {600, 495}, {83, 273, 135, 120}, {2, 422, 598, 73}, {68, 437, 465, 45},
       {183, 339, 27, 42}, {11, 210}},
      {2.0, {800, 660}, {110, 364, 180, 160}, {2, 562, 798, 98}, {90, 582, 620, 60},
       {244, 452, 36, 56}, {14, 280}},
      {0.5, {200, 165}, {28, 91, 45, 40}, {1, 141, 199, 24}, {23, 146, 155, 15},
       {61, 113, 9, 14}, {4, 70}},
  };
  const FacePoint wide = FaceOffsetFor(0, 1);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.scale);
    // The picture, and so the window, is this size.
    EXPECT_EQ(ScaledImageSide(kFaceWidth, r.scale), r.size.x);
    EXPECT_EQ(ScaledImageSide(kFaceHeight, r.scale), r.size.y);
    EXPECT_TRUE(ClockAreaBox(wide, r.scale) == r.area);
    EXPECT_TRUE(BarHitBox(r.scale) == r.hit);
    EXPECT_TRUE(TickerWindowBox(wide, r.scale) == r.ticker);
    GlyphCopy g[8];
    const int n = TimeGlyphs(At(12, 31, 23, 45), true, false, 24, wide, r.scale, g);
    ASSERT_EQ(n, 7);
    EXPECT_TRUE((FaceBox{g[6].dx, g[6].dy, g[6].w, g[6].h}) == r.minuteUnits);
    EXPECT_EQ(g[6].sx, r.cell.x);
    EXPECT_EQ(g[6].sy, r.cell.y);
    // Whatever the rounding, every copy stays inside the scaled sheet and the clock area, and
    // the ticker's text window inside the face.
    const int sheetW = ScaleLength(75, r.scale), sheetH = ScaleLength(362, r.scale);
    GlyphCopy all[10];
    int count = TimeGlyphs(At(12, 31, 13, 59), false, true, 12, wide, r.scale, all);
    count += ColonGlyphs(wide, r.scale, all + count);
    for (int i = 0; i < count; ++i) {
      EXPECT_LE(all[i].sx + all[i].w, sheetW) << i;
      EXPECT_LE(all[i].sy + all[i].h, sheetH) << i;
      EXPECT_GE(all[i].dx, r.area.x) << i;
      EXPECT_LE(all[i].dx + all[i].w, r.area.x + r.area.w) << i;
      EXPECT_LE(all[i].dy + all[i].h, r.area.y + r.area.h) << i;
    }
    EXPECT_LE(r.ticker.x + r.ticker.w, r.size.x);
    EXPECT_LE(r.ticker.y + r.ticker.h, r.size.y);
    EXPECT_EQ(TextSurfaceSize(r.scale).y, r.ticker.h);
  }
}

TEST(FaceScaleTest, DpiAndSizeMakeOneScale) {
  EXPECT_EQ(ScaleUnits(96, 100), kScaleUnitsPerOne);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(144, 100)), 1.5);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(192, 100)), 2.0);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(96, 50)), 0.5);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(120, 150)), 1.875);
  // An unknown DPI counts as 96; ClockScale set by hand is held to 25-400; the whole to 8.
  EXPECT_EQ(ScaleUnits(0, 100), kScaleUnitsPerOne);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(96, 5)), 0.25);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(96, 1000)), 4.0);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(480, 400)), 8.0);
  EXPECT_DOUBLE_EQ(ScaleFromUnits(ScaleUnits(10, 100)), 0.5);
  EXPECT_EQ(SizeChoiceFor(ClampClockScale(100)), 2);
  EXPECT_EQ(SizeChoiceFor(ClampClockScale(200)), 5);
  EXPECT_EQ(SizeChoiceFor(ClampClockScale(110)), -1);
}

}  // namespace
