// Rectangle copy, both blend rules, the news-bar mask copy and premultiplication on plain memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "../shared/memory_surface.h"
#include "base/app_state.h"
#include "render/blend.h"

namespace {

// A memory surface with the setters and fillers these tests use.
struct TestSurface : MemorySurface {
  using MemorySurface::MemorySurface;

  void Set(int x, int y, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    uint8_t* p = At(x, y);
    p[0] = b;
    p[1] = g;
    p[2] = r;
    p[3] = a;
  }
  void Fill(uint32_t seed) {
    std::mt19937 random(seed);
    for (auto& byte : pixels) byte = static_cast<uint8_t>(random());
  }
  // Random colour with alpha drawn mostly from 0, 255 and a few values near them, as glyph
  // sheets hold, so every branch of the vector rule turns up inside one group of pixels.
  void FillGlyphLike(uint32_t seed) {
    std::mt19937 random(seed);
    for (auto& byte : pixels) byte = static_cast<uint8_t>(random());
    const uint8_t kAlphas[] = {0, 0, 255, 255, 1, 254, 128, 0};
    for (int y = 0; y < record.height; ++y) {
      for (int x = 0; x < record.width; ++x) At(x, y)[3] = kAlphas[random() % 8];
    }
  }
};

using BlendFunction = bool (*)(Surface*, int, int, int, int, const Surface*, int, int);

void ReferenceVectorPixel(uint8_t* d, const uint8_t* s) {
  const int a = s[3];
  if (a == 0) return;
  if (a == 255) {
    std::memcpy(d, s, 3);
    d[3] = 255;
    return;
  }
  for (int c = 0; c < 4; ++c) {
    int v = d[c] * (256 - a) / 256 + s[c] * a / 256;
    if (v > 255) v = 255;
    d[c] = static_cast<uint8_t>(v);
  }
  d[3] = 255;
}

void ReferenceScalarPixel(uint8_t* d, const uint8_t* s) {
  const int a = s[3];
  for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((256 - a) * d[c] / 256 + s[c] * a / 256);
}

// The expected destination: a copy of it with the rectangle blended pixel by pixel.
std::vector<uint8_t> ReferenceBlend(void (*pixel)(uint8_t*, const uint8_t*), TestSurface& dst,
                                    int dx, int dy, int w, int h, TestSurface& src, int sx,
                                    int sy) {
  std::vector<uint8_t> expected = dst.pixels;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      pixel(expected.data() + dst.rows[dy + y] + (dx + x) * 4, src.At(sx + x, sy + y));
    }
  }
  return expected;
}

class CpuFlagsGuard {
 public:
  CpuFlagsGuard() : saved_(CpuFeatures) {}
  ~CpuFlagsGuard() { CpuFeatures = saved_; }

 private:
  CpuFeatureFlags saved_;
};

struct Variant {
  const char* name;
  BlendFunction blend;
  void (*reference)(uint8_t*, const uint8_t*);
};

const Variant kVariants[] = {
    {"vector", BlendRectVector, ReferenceVectorPixel},
    {"vector-portable", BlendRectVectorPortable, ReferenceVectorPixel},
    {"scalar", BlendRectScalar, ReferenceScalarPixel},
};

TEST(BlendTest, EveryAlphaColourAndDestinationPairMatchesTheRule) {
  // Per alpha, blue covers every (source, destination) pair, green and red the same pairs
  // crossed and mirrored; the destination alpha varies with the row.
  TestSurface src(256, 256);
  TestSurface dst(256, 256);
  for (const Variant& v : kVariants) {
    for (int a = 0; a < 256; ++a) {
      for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
          src.Set(x, y, x, y, 255 - x, a);
          dst.Set(x, y, y, x, 255 - y, 255 - y);
        }
      }
      const auto expected = ReferenceBlend(v.reference, dst, 0, 0, 256, 256, src, 0, 0);
      ASSERT_TRUE(v.blend(&dst.record, 0, 0, 256, 256, &src.record, 0, 0));
      ASSERT_EQ(expected, dst.pixels) << v.name << " alpha " << a;
    }
  }
}

TEST(BlendTest, RandomRectanglesMatchTheReferenceForEveryWidthAndStride) {
  for (const Variant& v : kVariants) {
    for (int width = 1; width <= 21; ++width) {
      for (int extra : {0, 1, 3, 6}) {
        const uint32_t seed = static_cast<uint32_t>(width * 31 + extra);
        TestSurface src(width + 3, 7, (width + 3) * 4 + extra);
        TestSurface dst(width + 5, 9, (width + 5) * 4 + (extra ^ 1));
        src.FillGlyphLike(seed);
        dst.Fill(seed + 1000);
        const auto expected = ReferenceBlend(v.reference, dst, 2, 1, width, 6, src, 1, 1);
        ASSERT_TRUE(v.blend(&dst.record, 2, 1, width, 6, &src.record, 1, 1));
        ASSERT_EQ(expected, dst.pixels) << v.name << " width " << width << " extra " << extra;
      }
    }
  }
}

TEST(BlendTest, FullyRandomAlphaOnAFrameMatchesTheReference) {
  for (const Variant& v : kVariants) {
    TestSurface src(400, 330);
    TestSurface dst(400, 330);
    src.Fill(7);
    dst.Fill(8);
    const auto expected = ReferenceBlend(v.reference, dst, 0, 0, 400, 330, src, 0, 0);
    ASSERT_TRUE(v.blend(&dst.record, 0, 0, 400, 330, &src.record, 0, 0));
    EXPECT_EQ(expected, dst.pixels) << v.name;
  }
}

TEST(BlendTest, NonPositiveHeightFailsAndTouchesNothing) {
  TestSurface src(4, 4);
  TestSurface dst(4, 4);
  src.Fill(1);
  dst.Fill(2);
  const auto before = dst.pixels;
  for (const Variant& v : kVariants) {
    EXPECT_FALSE(v.blend(&dst.record, 0, 0, 4, 0, &src.record, 0, 0)) << v.name;
    EXPECT_FALSE(v.blend(&dst.record, 0, 0, 4, -1, &src.record, 0, 0)) << v.name;
  }
  EXPECT_FALSE(BlendRect(&dst.record, 0, 0, 4, 0, &src.record, 0, 0));
  EXPECT_EQ(before, dst.pixels);
}

TEST(BlendTest, RectanglesOutsideEitherSurfaceFailAndTouchNothing) {
  TestSurface src(8, 8);
  TestSurface dst(8, 8);
  src.FillGlyphLike(3);
  dst.Fill(4);
  const auto before = dst.pixels;
  for (const Variant& v : kVariants) {
    EXPECT_FALSE(v.blend(&dst.record, 1, 0, 8, 1, &src.record, 0, 0)) << v.name;
    EXPECT_FALSE(v.blend(&dst.record, 0, 5, 2, 4, &src.record, 0, 0)) << v.name;
    EXPECT_FALSE(v.blend(&dst.record, 0, 0, 2, 2, &src.record, 7, 0)) << v.name;
    EXPECT_FALSE(v.blend(&dst.record, -1, 0, 2, 2, &src.record, 0, 0)) << v.name;
    EXPECT_FALSE(v.blend(&dst.record, 0, 0, -2, 2, &src.record, 0, 0)) << v.name;
    EXPECT_FALSE(v.blend(&dst.record, 0, 0, 2, 2, nullptr, 0, 0)) << v.name;
  }
  EXPECT_EQ(before, dst.pixels);
}

TEST(BlendTest, ZeroAlphaLeavesTheDestinationInBothRules) {
  for (const Variant& v : kVariants) {
    TestSurface src(5, 1);
    TestSurface dst(5, 1);
    src.Fill(11);
    for (int x = 0; x < 5; ++x) src.At(x, 0)[3] = 0;
    dst.Fill(12);
    const auto before = dst.pixels;
    ASSERT_TRUE(v.blend(&dst.record, 0, 0, 5, 1, &src.record, 0, 0));
    EXPECT_EQ(before, dst.pixels) << v.name;
  }
}

TEST(BlendTest, VectorRuleCopiesAnOpaqueSourceExactly) {
  for (BlendFunction blend : {BlendRectVector, BlendRectVectorPortable}) {
    TestSurface src(6, 1);
    TestSurface dst(6, 1);
    for (int x = 0; x < 6; ++x) src.Set(x, 0, 10 * x + 1, 200, 255 - x, 255);
    dst.Fill(5);
    ASSERT_TRUE(blend(&dst.record, 0, 0, 6, 1, &src.record, 0, 0));
    EXPECT_EQ(src.pixels, dst.pixels);
  }
}

TEST(BlendTest, ScalarRuleHasNoSpecialCaseForAnOpaqueSource) {
  TestSurface src(1, 1);
  TestSurface dst(1, 1);
  src.Set(0, 0, 255, 100, 0, 255);
  dst.Set(0, 0, 0, 200, 255, 77);
  ASSERT_TRUE(BlendRectScalar(&dst.record, 0, 0, 1, 1, &src.record, 0, 0));
  // blue 255·255/256 = 254; green 200/256 + 100·255/256 = 0 + 99; red 255/256 + 0 = 0.
  const uint8_t expected[] = {254, 99, 0, 77};
  EXPECT_EQ(0, std::memcmp(expected, dst.At(0, 0), 4));
}

TEST(BlendTest, VectorRuleOverTransparencyGivesAnOpaqueDarkerPixel) {
  TestSurface src(1, 1);
  TestSurface dst(1, 1);
  src.Set(0, 0, 200, 255, 9, 128);
  ASSERT_TRUE(BlendRectVector(&dst.record, 0, 0, 1, 1, &src.record, 0, 0));
  const uint8_t expected[] = {100, 127, 4, 255};
  EXPECT_EQ(0, std::memcmp(expected, dst.At(0, 0), 4));
}

TEST(BlendTest, ScalarRuleKeepsTheDestinationAlpha) {
  TestSurface src(1, 1);
  TestSurface dst(1, 1);
  src.Set(0, 0, 200, 255, 9, 128);
  ASSERT_TRUE(BlendRectScalar(&dst.record, 0, 0, 1, 1, &src.record, 0, 0));
  const uint8_t expected[] = {100, 127, 4, 0};
  EXPECT_EQ(0, std::memcmp(expected, dst.At(0, 0), 4));
}

TEST(BlendTest, OnlyTheRectangleChanges) {
  for (const Variant& v : kVariants) {
    TestSurface src(10, 10);
    TestSurface dst(10, 10);
    src.Fill(21);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x) src.At(x, y)[3] = 128;
    }
    dst.Fill(22);
    const auto before = dst.pixels;
    ASSERT_TRUE(v.blend(&dst.record, 3, 2, 5, 4, &src.record, 0, 0));
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x) {
        const bool inside = x >= 3 && x < 8 && y >= 2 && y < 6;
        const bool same = std::memcmp(dst.At(x, y), before.data() + dst.rows[y] + x * 4, 4) == 0;
        if (!inside) {
          EXPECT_TRUE(same) << v.name << " " << x << "," << y;
        }
      }
    }
    EXPECT_NE(before, dst.pixels) << v.name;
  }
}

TEST(BlendTest, BlendRectFollowsTheMmxFlag) {
  CpuFlagsGuard guard;
  for (int mmx : {0, 1}) {
    TestSurface src(13, 3);
    TestSurface chosen(13, 3);
    TestSurface direct(13, 3);
    src.FillGlyphLike(31);
    chosen.Fill(32);
    direct.Fill(32);
    CpuFeatures.mmx = mmx;
    ASSERT_TRUE(BlendRect(&chosen.record, 0, 0, 13, 3, &src.record, 0, 0));
    BlendFunction expected = mmx ? BlendRectVector : BlendRectScalar;
    ASSERT_TRUE(expected(&direct.record, 0, 0, 13, 3, &src.record, 0, 0));
    EXPECT_EQ(direct.pixels, chosen.pixels) << "mmx " << mmx;
  }
}

TEST(BlendTest, VectorRuleWithoutSse2GivesTheSameResult) {
  CpuFlagsGuard guard;
  CpuFeatures = {};
  CpuFeatures.mmx = 1;
  TestSurface src(37, 5, 37 * 4 + 1);
  TestSurface dst(37, 5, 37 * 4 + 2);
  src.FillGlyphLike(41);
  dst.Fill(42);
  const auto expected = ReferenceBlend(ReferenceVectorPixel, dst, 0, 0, 37, 5, src, 0, 0);
  ASSERT_TRUE(BlendRect(&dst.record, 0, 0, 37, 5, &src.record, 0, 0));
  EXPECT_EQ(expected, dst.pixels);
}

TEST(CopyRectTest, CopiesRowsAndNothingElse) {
  TestSurface src(9, 7, 9 * 4 + 3);
  TestSurface dst(11, 8, 11 * 4 + 1);
  src.Fill(51);
  dst.Fill(52);
  const auto before = dst.pixels;
  ASSERT_TRUE(CopyRect(&dst.record, 4, 2, 5, 4, &src.record, 3, 1));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 11; ++x) {
      const bool inside = x >= 4 && x < 9 && y >= 2 && y < 6;
      const uint8_t* want = inside ? src.At(x - 1, y - 1) : before.data() + dst.rows[y] + x * 4;
      EXPECT_EQ(0, std::memcmp(want, dst.At(x, y), 4)) << x << "," << y;
    }
  }
}

TEST(CopyRectTest, EmptyRectangleSucceedsAndOutsideRectangleFails) {
  TestSurface src(4, 4);
  TestSurface dst(4, 4);
  src.Fill(61);
  dst.Fill(62);
  const auto before = dst.pixels;
  EXPECT_TRUE(CopyRect(&dst.record, 0, 0, 0, 4, &src.record, 0, 0));
  EXPECT_TRUE(CopyRect(&dst.record, 0, 0, 4, 0, &src.record, 0, 0));
  EXPECT_FALSE(CopyRect(&dst.record, 1, 0, 4, 1, &src.record, 0, 0));
  EXPECT_FALSE(CopyRect(&dst.record, 0, 0, 1, 1, &src.record, 0, 4));
  EXPECT_FALSE(CopyRect(&dst.record, 0, 0, 1, -1, &src.record, 0, 0));
  EXPECT_EQ(before, dst.pixels);
}

TEST(CopyRectTest, OverlappingMoveWithinOneSurfaceKeepsTheBlock) {
  for (int dy : {0, 1, 2}) {
    for (int dx : {0, 1, 3}) {
      TestSurface s(8, 8);
      s.Fill(71);
      const std::vector<uint8_t> original = s.pixels;
      ASSERT_TRUE(CopyRect(&s.record, dx + 1, dy + 1, 4, 5, &s.record, 1, 1));
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 4; ++x) {
          EXPECT_EQ(0, std::memcmp(original.data() + s.rows[1 + y] + (1 + x) * 4,
                                   s.At(dx + 1 + x, dy + 1 + y), 4))
              << dx << "," << dy << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(MaskCopyTest, OpaqueBarPixelsReplaceColourAndOrAlpha) {
  TestSurface bar(kMaskWidth + 2, kMaskHeight + 1);
  TestSurface dst(kMaskWidth + 10, kMaskHeight + 20, (kMaskWidth + 10) * 4 + 3);
  bar.FillGlyphLike(81);
  dst.Fill(82);
  const auto before = dst.pixels;
  ASSERT_TRUE(MaskCopyFrom(&dst.record, 5, 12, &bar.record));
  for (int y = 0; y < dst.record.height; ++y) {
    for (int x = 0; x < dst.record.width; ++x) {
      const uint8_t* old = before.data() + dst.rows[y] + x * 4;
      const uint8_t* now = dst.At(x, y);
      const bool inside = x >= 5 && x < 5 + kMaskWidth && y >= 12 && y < 12 + kMaskHeight;
      const uint8_t* s = inside ? bar.At(x - 5, y - 12) : nullptr;
      if (!inside || s[3] == 0) {
        ASSERT_EQ(0, std::memcmp(old, now, 4)) << x << "," << y;
      } else {
        ASSERT_EQ(0, std::memcmp(s, now, 3)) << x << "," << y;
        ASSERT_EQ(old[3] | s[3], now[3]) << x << "," << y;
      }
    }
  }
}

TEST(MaskCopyTest, UsesBarSurfaceAndRefusesABlockThatDoesNotFit) {
  const Surface saved = BarSurface;
  TestSurface bar(kMaskWidth, kMaskHeight);
  bar.Set(0, 0, 1, 2, 3, 0x40);
  bar.Set(kMaskWidth - 1, kMaskHeight - 1, 7, 8, 9, 0x0F);
  BarSurface = bar.record;
  TestSurface dst(kMaskWidth, kMaskHeight);
  dst.Set(0, 0, 0, 0, 0, 0x81);
  dst.Set(kMaskWidth - 1, kMaskHeight - 1, 50, 50, 50, 0xF0);
  dst.Set(1, 0, 60, 61, 62, 63);
  EXPECT_TRUE(MaskCopy(&dst.record, 0, 0));
  const uint8_t first[] = {1, 2, 3, 0xC1};
  const uint8_t last[] = {7, 8, 9, 0xFF};
  const uint8_t untouched[] = {60, 61, 62, 63};
  EXPECT_EQ(0, std::memcmp(first, dst.At(0, 0), 4));
  EXPECT_EQ(0, std::memcmp(last, dst.At(kMaskWidth - 1, kMaskHeight - 1), 4));
  EXPECT_EQ(0, std::memcmp(untouched, dst.At(1, 0), 4));

  const auto before = dst.pixels;
  EXPECT_FALSE(MaskCopy(&dst.record, 1, 0));
  TestSurface smallBar(kMaskWidth - 1, kMaskHeight);
  smallBar.FillGlyphLike(91);
  BarSurface = smallBar.record;
  EXPECT_FALSE(MaskCopy(&dst.record, 0, 0));
  BarSurface = Surface{};
  EXPECT_FALSE(MaskCopy(&dst.record, 0, 0));
  EXPECT_EQ(before, dst.pixels);
  BarSurface = saved;
}

TEST(PremultiplyTest, HalfAlphaWhiteAndFullAlphaWhite) {
  TestSurface s(2, 1);
  s.Set(0, 0, 255, 255, 255, 128);
  s.Set(1, 0, 255, 255, 255, 255);
  Premultiply(&s.record);
  const uint8_t half[] = {127, 127, 127, 128};
  const uint8_t full[] = {254, 254, 254, 255};
  EXPECT_EQ(0, std::memcmp(half, s.At(0, 0), 4));
  EXPECT_EQ(0, std::memcmp(full, s.At(1, 0), 4));
}

TEST(PremultiplyTest, EveryValueAndAlphaWithOddStride) {
  TestSurface s(256, 256, 256 * 4 + 5);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) s.Set(x, y, x, 255 - x, x ^ 0x55, y);
  }
  Premultiply(&s.record);
  for (int a = 0; a < 256; ++a) {
    for (int v = 0; v < 256; ++v) {
      const uint8_t* p = s.At(v, a);
      ASSERT_EQ(v * a / 256, p[0]) << v << "," << a;
      ASSERT_EQ((255 - v) * a / 256, p[1]) << v << "," << a;
      ASSERT_EQ((v ^ 0x55) * a / 256, p[2]) << v << "," << a;
      ASSERT_EQ(a, p[3]);
    }
  }
}

TEST(PremultiplyTest, SurfaceWithoutPixelsIsLeftAlone) {
  Surface empty = {};
  Premultiply(&empty);
  Premultiply(nullptr);
  EXPECT_EQ(nullptr, empty.bits);
}

}  // namespace
