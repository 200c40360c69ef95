// Visible runs of a surface: the shape of the window where layered windows are missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../shared/memory_surface.h"
#include "render/alpha_region.h"

namespace {

// A surface over plain memory whose alpha bytes come from a picture of '#' (visible) and '.'.
struct TestSurface : MemorySurface {
  Surface& s = record;

  explicit TestSurface(const std::vector<const char*>& picture)
      : MemorySurface(static_cast<int>(strlen(picture[0])), static_cast<int>(picture.size())) {
    for (int y = 0; y < record.height; ++y) {
      for (int x = 0; x < record.width; ++x) {
        // Any non-zero alpha counts, even 1.
        At(x, y)[3] = picture[static_cast<size_t>(y)][x] == '#'
                          ? static_cast<uint8_t>(1 + (x * 37 + y) % 255)
                          : 0;
      }
    }
  }
};

std::vector<AlphaRun> Runs(const Surface& s) {
  int n = CollectAlphaRuns(s, nullptr, 0);
  std::vector<AlphaRun> runs(static_cast<size_t>(n));
  EXPECT_EQ(CollectAlphaRuns(s, runs.data(), n), n);
  return runs;
}

bool Same(const AlphaRun& a, const AlphaRun& b) {
  return a.left == b.left && a.right == b.right && a.y == b.y;
}

TEST(AlphaRegionTest, RunsFollowTheVisiblePixelsRowByRow) {
  TestSurface t({"##..#",
                 ".....",
                 "#####",
                 ".#.#."});
  std::vector<AlphaRun> runs = Runs(t.s);
  const AlphaRun expected[] = {{0, 2, 0}, {4, 5, 0}, {0, 5, 2}, {1, 2, 3}, {3, 4, 3}};
  ASSERT_EQ(runs.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_TRUE(Same(runs[i], expected[i])) << i;

  // Too little room: only what fits is written, the total still comes back.
  AlphaRun guard = {-7, -7, -7};
  AlphaRun room[4] = {{}, {}, {}, guard};
  EXPECT_EQ(CollectAlphaRuns(t.s, room, 3), 5);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Same(room[i], expected[i])) << i;
  EXPECT_TRUE(Same(room[3], guard));

  Surface empty = {};
  EXPECT_EQ(CollectAlphaRuns(empty, room, 4), 0);
}

TEST(AlphaRegionTest, RandomPicturesAreCoveredExactlyOnce) {
  srand(7);
  for (int round = 0; round < 50; ++round) {
    int w = 1 + rand() % 40, h = 1 + rand() % 12;
    std::vector<std::string> lines(static_cast<size_t>(h), std::string(static_cast<size_t>(w), '.'));
    for (auto& line : lines) {
      for (auto& c : line) c = rand() % 3 == 0 ? '.' : '#';
    }
    std::vector<const char*> picture;
    for (auto& line : lines) picture.push_back(line.c_str());
    TestSurface t(picture);
    std::vector<int> covered(static_cast<size_t>(w * h), 0);
    int lastY = -1, lastRight = -1;
    for (const AlphaRun& r : Runs(t.s)) {
      ASSERT_TRUE(r.left < r.right && r.left >= 0 && r.right <= w && r.y >= 0 && r.y < h);
      // In order, and never two touching runs in one row (a run extends as far as it can).
      ASSERT_TRUE(r.y > lastY || r.left > lastRight);
      lastY = r.y;
      lastRight = r.right;
      for (int x = r.left; x < r.right; ++x) covered[static_cast<size_t>(r.y * w + x)] += 1;
    }
    for (int i = 0; i < w * h; ++i) {
      ASSERT_EQ(covered[static_cast<size_t>(i)], t.pixels[static_cast<size_t>(i) * 4 + 3] != 0 ? 1 : 0);
    }
  }
}

}  // namespace
