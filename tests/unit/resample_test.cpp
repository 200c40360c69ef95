// Lanczos resampling against Pillow's resize of the same images, and the properties a skin's
// images rely on: flat stays flat, colour stays within alpha, thin images, malformed spans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/resample.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Fixture {
  int width = 0, height = 0, targetWidth = 0, targetHeight = 0;
  Bytes source, expected;
};

bool ReadFixture(const std::string& name, Fixture* f) {
  const std::string path = std::string(TEST_DATA_DIR) + "/resample/" + name + ".bin";
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  uint8_t head[12];
  bool ok = std::fread(head, 1, sizeof head, file) == sizeof head && std::string(head, head + 4) == "RSMP";
  if (ok) {
    f->width = head[4] | head[5] << 8;
    f->height = head[6] | head[7] << 8;
    f->targetWidth = head[8] | head[9] << 8;
    f->targetHeight = head[10] | head[11] << 8;
    f->source.resize(static_cast<size_t>(f->width) * f->height * 4);
    f->expected.resize(static_cast<size_t>(f->targetWidth) * f->targetHeight * 4);
    ok = std::fread(f->source.data(), 1, f->source.size(), file) == f->source.size() &&
         std::fread(f->expected.data(), 1, f->expected.size(), file) == f->expected.size();
  }
  std::fclose(file);
  return ok;
}

PixelSpan Span(const Bytes& b, int w, int h) { return PixelSpan{b.data(), b.size(), w, h, static_cast<size_t>(w) * 4}; }
PixelTarget Target(Bytes* b, int w, int h) {
  return PixelTarget{b->data(), b->size(), w, h, static_cast<size_t>(w) * 4};
}

// The reference is Pillow's resize of each channel as a floating-point image (see
// tests/data/resample/make_fixtures.py). Both round only at the end, ours in single precision:
// one step of rounding apart at most (all four came out identical when this was written).
TEST(ResampleTest, MatchesPillowsLanczosWithinOne) {
  for (const char* name : {"up", "down", "shrink", "thin"}) {
    SCOPED_TRACE(name);
    Fixture f;
    ASSERT_TRUE(ReadFixture(name, &f));
    Bytes out(f.expected.size(), 0xEE);
    ASSERT_TRUE(Resample(Span(f.source, f.width, f.height), Target(&out, f.targetWidth, f.targetHeight),
                         AlphaForm::kPremultiplied));
    int worst = 0;
    for (size_t i = 0; i < out.size(); ++i) worst = std::max(worst, std::abs(out[i] - f.expected[i]));
    EXPECT_LE(worst, 1);
  }
}

TEST(ResampleTest, FlatImagesStayFlatAtEverySize) {
  const struct {
    int w, h, tw, th;
  } sizes[] = {{7, 5, 7, 5}, {7, 5, 16, 11}, {40, 30, 17, 13}, {40, 30, 9, 4},
               {1, 9, 1, 4}, {9, 1, 3, 1}, {1, 1, 5, 3},  {13, 1, 1, 6}};
  const uint8_t pixel[4] = {40, 80, 120, 200};
  for (AlphaForm form : {AlphaForm::kPremultiplied, AlphaForm::kStraight}) {
    for (const auto& s : sizes) {
      SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + " to " + std::to_string(s.tw) + "x" +
                   std::to_string(s.th));
      Bytes in(static_cast<size_t>(s.w) * s.h * 4);
      for (size_t i = 0; i < in.size(); ++i) in[i] = pixel[i % 4];
      Bytes out(static_cast<size_t>(s.tw) * s.th * 4, 0);
      ASSERT_TRUE(Resample(Span(in, s.w, s.h), Target(&out, s.tw, s.th), form));
      for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], pixel[i % 4]) << i;
    }
  }
}

// Sharp opaque and transparent stripes make the filter's negative lobes overshoot.
TEST(ResampleTest, ColourNeverExceedsAlphaAndTransparentColourDoesNotBleed) {
  const int w = 24, h = 6;
  Bytes in(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &in[(static_cast<size_t>(y) * w + x) * 4];
      const bool solid = (x / 3) % 2 == 0;
      // Straight alpha: blue where opaque, bright red under the transparent stripes.
      p[0] = solid ? 255 : 0;
      p[1] = 0;
      p[2] = solid ? 0 : 255;
      p[3] = solid ? 255 : 0;
    }
  }
  for (int tw : {10, 17, 31, 53}) {
    Bytes premultiplied(static_cast<size_t>(tw) * 5 * 4), straight(premultiplied.size());
    ASSERT_TRUE(Resample(Span(in, w, h), Target(&premultiplied, tw, 5), AlphaForm::kPremultiplied));
    ASSERT_TRUE(Resample(Span(in, w, h), Target(&straight, tw, 5), AlphaForm::kStraight));
    for (size_t i = 0; i < premultiplied.size(); i += 4) {
      for (int c = 0; c < 3; ++c) ASSERT_LE(premultiplied[i + c], premultiplied[i + 3]) << tw << " at " << i;
      // Whatever alpha a straight pixel ends with, its colour is the opaque stripes' blue.
      if (straight[i + 3] >= 8) {
        EXPECT_GE(straight[i], 250) << tw << " at " << i;
        EXPECT_EQ(straight[i + 2], 0) << tw << " at " << i;
      }
    }
  }
}

TEST(ResampleTest, MalformedSpansWriteNothing) {
  Bytes in(8 * 8 * 4, 100), out(4 * 4 * 4, 7);
  Bytes big(20000 * 4, 1);
  const PixelTarget target = Target(&out, 4, 4);
  const struct {
    const char* what;
    PixelSpan source;
    PixelTarget target;
  } cases[] = {
      {"source too short", PixelSpan{in.data(), in.size() - 1, 8, 8, 32}, target},
      {"stride shorter than a row", PixelSpan{in.data(), in.size(), 8, 8, 28}, target},
      {"no width", PixelSpan{in.data(), in.size(), 0, 8, 32}, target},
      {"no data", PixelSpan{nullptr, in.size(), 8, 8, 32}, target},
      {"target too short", Span(in, 8, 8), PixelTarget{out.data(), out.size() - 4, 4, 4, 16}},
      {"negative height", Span(in, 8, 8), PixelTarget{out.data(), out.size(), 4, -1, 16}},
      {"side over the limit", PixelSpan{big.data(), big.size(), kResampleMaxSide + 1, 1, big.size()},
       target},
      {"overlapping", PixelSpan{out.data(), out.size(), 2, 2, 8}, target},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Resample(c.source, c.target, AlphaForm::kPremultiplied)) << c.what;
    for (uint8_t b : out) ASSERT_EQ(b, 7) << c.what;
  }
}

}  // namespace
