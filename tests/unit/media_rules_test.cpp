// The media engine's platform-free rules: routing, volume, aspect and the video window's sizing.
#include "player/media_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>

namespace {

TEST(MediaRulesTest, KindsAndRoutesFollowTheExtensionInAnyCase) {
  struct Case {
    const char* extension;
    int kind;
    OpenRoute route;
  };
  for (const Case& c : {Case{".MP3", 0, OpenRoute::kAsfReader}, Case{".wma", 1, OpenRoute::kAsfReader},
                        Case{".Wav", 2, OpenRoute::kRenderFile}, Case{".avi", 100, OpenRoute::kRenderFile},
                        Case{".WMV", 101, OpenRoute::kAsfReader}, Case{".mpg", 102, OpenRoute::kRenderFile},
                        Case{".Mp4", 999, OpenRoute::kReaderThenRenderFile},
                        Case{".ogg", 999, OpenRoute::kReaderThenRenderFile},
                        Case{"", 999, OpenRoute::kReaderThenRenderFile},
                        Case{".mp3x", 999, OpenRoute::kReaderThenRenderFile},
                        Case{".averyveryverylongextension", 999, OpenRoute::kReaderThenRenderFile}}) {
    EXPECT_EQ(MediaKindOf(c.extension), c.kind) << c.extension;
    EXPECT_EQ(OpenRouteFor(MediaKindOf(c.extension)), c.route) << c.extension;
  }
}

// A URL may buffer for a good while before its graph runs; a local file that does not run soon
// never will.
TEST(MediaRulesTest, AURLIsGivenLongerToStartThanALocalFile) {
  EXPECT_EQ(RunWaitMsFor(false), 3000u);
  EXPECT_GE(RunWaitMsFor(true), 15000u);
}

TEST(MediaRulesTest, VolumeIsHundredthsOfADecibelWithAFloor) {
  float stored = -1;
  EXPECT_EQ(VolumeToHundredthsDb(1.0f, &stored), 0);
  EXPECT_EQ(VolumeToHundredthsDb(0.5f, &stored), -602);
  EXPECT_EQ(stored, 0.5f);
  EXPECT_EQ(VolumeToHundredthsDb(0.0f, &stored), -4816);
  EXPECT_EQ(VolumeToHundredthsDb(1e-9f, &stored), -4816);
  EXPECT_EQ(VolumeToHundredthsDb(1.0f / 256.0f, &stored), -4816);
  EXPECT_EQ(VolumeToHundredthsDb(1.5f, &stored), 0);
  EXPECT_EQ(stored, 1.0f);
  EXPECT_EQ(VolumeToHundredthsDb(-3.0f, &stored), -4816);
  EXPECT_EQ(stored, 0.0f);
  // Louder never maps to a lower level.
  int last = -4816;
  for (int i = 0; i <= 10000; ++i) {
    const int level = VolumeToHundredthsDb(i / 10000.0f, nullptr);
    ASSERT_GE(level, last) << i;
    ASSERT_LE(level, 0) << i;
    last = level;
  }
}

TEST(MediaRulesTest, AspectAndMinimumSizeOfThePicture) {
  int32_t ax = -7, ay = -7;
  ASSERT_TRUE(PictureAspect(1920, 1080, &ax, &ay));
  EXPECT_EQ(ax, 16);
  EXPECT_EQ(ay, 9);
  int32_t w, h;
  MinimumVideoClient(ax, ay, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 180);
  ASSERT_TRUE(PictureAspect(640, 480, &ax, &ay));
  MinimumVideoClient(ax, ay, &w, &h);
  EXPECT_EQ(w, 80);
  EXPECT_EQ(h, 60);
  // 854 x 480 is 427:240; twenty units of that would be 8540 x 4800.
  ASSERT_TRUE(PictureAspect(854, 480, &ax, &ay));
  EXPECT_EQ(ax, 427);
  MinimumVideoClient(ax, ay, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 179);
  // No video: nothing is written.
  ax = ay = 5;
  for (auto size : {std::pair<int64_t, int64_t>{0, 480}, {640, 0}, {-640, 480}, {640, -1},
                    {int64_t{1} << 40, 2}}) {
    EXPECT_FALSE(PictureAspect(size.first, size.second, &ax, &ay));
    EXPECT_EQ(ax, 5);
  }
}

TEST(MediaRulesTest, MaximisedVideoIsTheLargestOfItsAspectCentred) {
  // Wider than the client's shape: bands above and below.
  VideoRect r = FitVideo(1000, 800, 16, 9);
  EXPECT_EQ(r.width, 1000);
  EXPECT_EQ(r.height, 562);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 119);
  // Narrower: bands left and right, where the width alone would overflow the height.
  r = FitVideo(1920, 1080, 4, 3);
  EXPECT_EQ(r.width, 1440);
  EXPECT_EQ(r.height, 1080);
  EXPECT_EQ(r.left, 240);
  EXPECT_EQ(r.top, 0);
  std::mt19937 random(11);
  for (int round = 0; round < 20000; ++round) {
    const int32_t cw = 1 + static_cast<int32_t>(random() % 4000);
    const int32_t ch = 1 + static_cast<int32_t>(random() % 4000);
    const int32_t ax = 1 + static_cast<int32_t>(random() % 500);
    const int32_t ay = 1 + static_cast<int32_t>(random() % 500);
    r = FitVideo(cw, ch, ax, ay);
    // Inside the client area, centred, touching two opposite sides, of the picture's aspect.
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left + r.width <= cw && r.top + r.height <= ch) << round;
    EXPECT_LE(std::abs(cw - r.width - 2 * r.left), 1) << round;
    EXPECT_LE(std::abs(ch - r.height - 2 * r.top), 1) << round;
    EXPECT_TRUE(r.width == cw || r.height == ch) << round;
    EXPECT_LE(std::llabs(int64_t{r.width} * ay - int64_t{r.height} * ax), std::max<int64_t>(ax, ay)) << round;
  }
  // Huge sizes do not wrap; no aspect fills the client area.
  r = FitVideo(INT32_MAX, INT32_MAX, 1, 3);
  EXPECT_EQ(r.height, INT32_MAX);
  EXPECT_EQ(r.width, INT32_MAX / 3);
  r = FitVideo(640, 480, 0, 0);
  EXPECT_EQ(r.width, 640);
  EXPECT_EQ(r.height, 480);
}

TEST(MediaRulesTest, SizingKeepsTheAspectOnEveryEdge) {
  const int32_t fw = 16, fh = 39;
  auto client = [&](const SizingRect& r) {
    return std::pair<int64_t, int64_t>{int64_t{r.right} - r.left - fw, int64_t{r.bottom} - r.top - fh};
  };
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    const int32_t ax = 1 + static_cast<int32_t>(random() % 500);
    const int32_t ay = 1 + static_cast<int32_t>(random() % 500);
    const int edge = 1 + static_cast<int>(random() % 8);
    SizingRect r = {static_cast<int32_t>(random() % 2000) - 1000, static_cast<int32_t>(random() % 2000) - 1000, 0, 0};
    r.right = r.left + fw + 1 + static_cast<int32_t>(random() % 3000);
    r.bottom = r.top + fh + 1 + static_cast<int32_t>(random() % 3000);
    const SizingRect before = r;
    FitSizingRect(&r, edge, fw, fh, ax, ay);
    const auto [cw, ch] = client(r);
    // The client area now has the picture's aspect, up to the truncation of one division.
    EXPECT_LE(std::llabs(cw * ay - ch * ax), std::max<int64_t>(ax, ay)) << round;
    // Only the sides the dragged edge may move have moved, and the opposite corner stays.
    bool kept = true;
    switch (edge) {
      case 1: case 2: kept = r.left == before.left && r.right == before.right && r.top == before.top; break;
      case 3: case 6: kept = r.left == before.left && r.top == before.top && r.bottom == before.bottom; break;
      case 4: kept = r.right == before.right && r.bottom == before.bottom; break;
      case 5: kept = r.left == before.left && r.bottom == before.bottom; break;
      case 7: kept = r.right == before.right && r.top == before.top; break;
      default: kept = r.left == before.left && r.top == before.top; break;
    }
    EXPECT_TRUE(kept) << round << " edge " << edge;
  }
  // Edges 0 and 9 and a picture without aspect leave the rectangle alone.
  for (int edge : {0, 9}) {
    SizingRect r = {10, 20, 300, 400};
    FitSizingRect(&r, edge, fw, fh, 16, 9);
    EXPECT_TRUE(r.left == 10 && r.top == 20 && r.right == 300 && r.bottom == 400) << edge;
  }
  SizingRect r = {10, 20, 300, 400};
  FitSizingRect(&r, 8, fw, fh, 0, 0);
  EXPECT_EQ(r.bottom, 400);
}

TEST(MediaRulesTest, TagTextIsBoundedByTypeReturnedLengthAndBuffer) {
  uint16_t value[kTagValueBytes / 2 + 8];
  for (auto& u : value) u = 'x';
  size_t n = 99;
  value[4] = 0;
  ASSERT_TRUE(TagTextLength(kTagTypeString, value, 10, &n));
  EXPECT_EQ(n, 4u);
  // Only the returned bytes count, even without a terminator in them.
  ASSERT_TRUE(TagTextLength(kTagTypeString, value, 6, &n));
  EXPECT_EQ(n, 3u);
  // A value filling the whole buffer stops at its end, whatever the call claimed.
  value[4] = 'x';
  ASSERT_TRUE(TagTextLength(kTagTypeString, value, 5000, &n));
  EXPECT_EQ(n, kTagValueBytes / 2);
  // Binary and number attributes are no text.
  n = 77;
  EXPECT_FALSE(TagTextLength(2, value, 10, &n));
  EXPECT_FALSE(TagTextLength(0, value, 4, &n));
  EXPECT_EQ(n, 77u);
}

}  // namespace
