// Glyph text under Wine: the ticker font through GetGlyphOutline into a one-line surface.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "news/ticker.h"
#include "news/ticker_win32.h"
#include "render/surface.h"

namespace {

class TickerTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool made = false;
    if (!made) CreateTickerFont();
    made = true;
    ASSERT_TRUE(CreateSurface(&surface, kTextSurfaceWidth, kTextSurfaceHeight, "TickerTextTest"));
  }
  void TearDown() override { FreeSurface(&surface); }

  int Render(const std::string& text) {
    for (int y = 0; y < surface.height; ++y) memset(surface.bits + surface.rowOffsets[y], 0, surface.width * 4);
    return RenderText(&surface, text.c_str());
  }
  std::string Rows(int from, int to) {
    std::string out;
    for (int y = from; y < to; ++y) {
      out.append(reinterpret_cast<const char*>(surface.bits + surface.rowOffsets[y]), surface.width * 4);
    }
    return out;
  }
  int Opaque() {
    int n = 0;
    for (int y = 0; y < surface.height; ++y) {
      for (int x = 0; x < surface.width; ++x) n += surface.bits[surface.rowOffsets[y] + x * 4 + 3] != 0;
    }
    return n;
  }

  Surface surface = {};
};

TEST_F(TickerTextTest, DrawsWhiteGlyphsWithABlackShadow) {
  const int width = Render("\x81\x79\x93\xfa\x96\x7b\x81\x7a");  // 【日本】
  EXPECT_GT(width, 60);
  EXPECT_LT(width, 120);
  int white = 0;
  int shadow = 0;
  for (int y = 0; y < surface.height; ++y) {
    for (int x = 0; x < width + 2; ++x) {
      const uint8_t* p = surface.bits + surface.rowOffsets[y] + x * 4;
      white += p[3] == 255 && p[0] == 255 && p[1] == 255 && p[2] == 255;
      shadow += p[3] != 0 && p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
  }
  EXPECT_GT(white, 20);
  EXPECT_GT(shadow, 20);
}

TEST_F(TickerTextTest, ABlankLeavesAGapAsWideAsTheFontMeasuresIt) {
  // The blank's width as the platform measures text in the news font, apart from glyph outlines.
  HFONT font = CreateFontA(-24, 12, 0, 0, 400, 0, 0, 0, 128, 0, 0, 0, 0, "ＭＳ ゴシック");
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE blank = {};
  GetTextExtentPoint32A(dc, " ", 1, &blank);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  ASSERT_GT(blank.cx, 0);
  // Where the second letter's ink begins: the first column that differs from "A" drawn alone.
  Render("A");
  const std::string alone = Rows(0, surface.height);
  auto secondLetter = [&](const std::string& text) {
    Render(text);
    const std::string both = Rows(0, surface.height);
    for (int x = 0; x < surface.width; ++x) {
      for (int y = 0; y < surface.height; ++y) {
        const size_t at = (static_cast<size_t>(y) * surface.width + x) * 4;
        if (memcmp(both.data() + at, alone.data() + at, 4) != 0) return x;
      }
    }
    return -1;
  };
  EXPECT_EQ(secondLetter("A B") - secondLetter("AB"), blank.cx);
}

TEST_F(TickerTextTest, CarriageReturnDropsTheNextByteAndRestartsThePen) {
  const int one = Render("AB");
  const std::string first = Rows(0, 20);
  const int c = Render("C");
  const int both = Render("AB\r\nC");
  // The pen went back to 0 for "C", and the first line is exactly as before.
  EXPECT_EQ(both, c);
  EXPECT_EQ(Rows(0, 20), first);
  EXPECT_GT(one, c);
  // "A\rBC": the byte after the return (B) is dropped.
  EXPECT_EQ(Render("A\rBC"), c);
}

TEST_F(TickerTextTest, LongTitleIsOneLineWithoutWrapAndClipped) {
  const std::string ascii(58, 'W');
  const int width = Render("\x81\x79" + ascii + "\x81\x7a");
  // 58 ASCII glyphs and the two brackets stay on one line: no wrap at 700 pixels.
  EXPECT_GT(width, 700);
  EXPECT_LE(width, kTextSurfaceWidth);
  // 600 glyphs stop at 512 and at the surface's right edge, without writing past it.
  const int many = Render(std::string(600, 'M'));
  EXPECT_EQ(many, kTextSurfaceWidth);
  EXPECT_GT(Opaque(), 1000);
}

}  // namespace
