// Twice-size names and scaled image sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "render/scaled_images.h"

namespace {

TEST(ScaledImagesTest, DoubleSizeNamesMarkTheStem) {
  const struct {
    const char* name;
    size_t room;
    const char* want;  // null: does not fit
  } cases[] = {
      {"a.b.kpz", 32, "a.b-2x.kpz"},          {"noextension", 32, "noextension-2x"},
      {"tarvo_1.kpz", 15, "tarvo_1-2x.kpz"},  // exactly fits with its terminator
      {"tarvo_1.kpz", 14, nullptr},
  };
  for (const auto& c : cases) {
    char out[32];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(DoubleSizeName(c.name, out, c.room), c.want != nullptr) << c.name;
    if (c.want != nullptr) {
      EXPECT_STREQ(out, c.want);
    } else {
      EXPECT_EQ(out[0], 'x') << "written although it does not fit";
    }
  }
}

TEST(ScaledImagesTest, SidesRoundAndOddScalesAreBounded) {
  const struct {
    int side;
    double scale;
    int want;
  } cases[] = {
      {400, 1.0, 400},   {330, 1.25, 413},  {75, 1.5, 113},   {362, 1.5, 543},
      {350, 0.75, 263},  {400, 2.0, 800},   {1, 0.5, 1},      {400, 0.01, 50},
      {400, 100.0, 3200}, {400, -2.0, 400}, {400, std::numeric_limits<double>::quiet_NaN(), 400},
      {400, std::numeric_limits<double>::infinity(), 400},
  };
  for (const auto& c : cases) EXPECT_EQ(ScaledImageSide(c.side, c.scale), c.want) << c.side << " at " << c.scale;
  EXPECT_FALSE(WantsDoubleSize(1.0));
  EXPECT_FALSE(WantsDoubleSize(0.75));
  EXPECT_TRUE(WantsDoubleSize(1.25));
  EXPECT_TRUE(WantsDoubleSize(2.0));
}

// Glyphs whose ink reaches their cell's edge (the two marks of the built-in sheets do): resampled
// whole, the filter carried a third of the alpha of one mark into the other's cell at 1.5.
TEST(ScaledImagesTest, SheetCellsAreResampledApartSoGlyphsStayInTheirCells) {
  FaceBox cells[kMaxSheetCells];
  const int count = SheetCells(cells);
  // Ten large digits, ten small ones, twelve months, the colon and the two marks.
  ASSERT_EQ(count, 35);
  const int w = 75 * 2, h = 362 * 2;
  std::vector<uint8_t> sheet(static_cast<size_t>(w) * h * 4, 0);
  // Every other cell solid white, in a checkerboard of cells that meet.
  for (int i = 0; i < count; i += 2) {
    for (int y = cells[i].y * 2; y < (cells[i].y + cells[i].h) * 2; ++y) {
      for (int x = cells[i].x * 2; x < (cells[i].x + cells[i].w) * 2; ++x) {
        for (int c = 0; c < 4; ++c) sheet[(static_cast<size_t>(y) * w + x) * 4 + c] = 255;
      }
    }
  }
  for (double scale : {1.5, 1.25, 0.75}) {
    SCOPED_TRACE(scale);
    const int tw = ScaledImageSide(75, scale), th = ScaledImageSide(362, scale);
    std::vector<uint8_t> out(static_cast<size_t>(tw) * th * 4, 0);
    ASSERT_TRUE(ResampleSheet(PixelSpan{sheet.data(), sheet.size(), w, h, static_cast<size_t>(w) * 4}, 2.0,
                              PixelTarget{out.data(), out.size(), tw, th, static_cast<size_t>(tw) * 4}, scale,
                              AlphaForm::kStraight));
    for (int i = 0; i < count; ++i) {
      const int x0 = static_cast<int>(std::lround(cells[i].x * scale));
      const int y0 = static_cast<int>(std::lround(cells[i].y * scale));
      const int x1 = static_cast<int>(std::lround((cells[i].x + cells[i].w) * scale));
      const int y1 = static_cast<int>(std::lround((cells[i].y + cells[i].h) * scale));
      int wrong = 0;
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
          if (out[(static_cast<size_t>(y) * tw + x) * 4 + 3] != (i % 2 == 0 ? 255 : 0)) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << "cell " << i << " at " << cells[i].x << "," << cells[i].y;
    }
  }
}

}  // namespace
