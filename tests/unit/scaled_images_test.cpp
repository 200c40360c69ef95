// Twice-size names and scaled image sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "render/scaled_images.h"

namespace {

TEST(ScaledImagesTest, DoubleSizeNamesMarkTheStem) {
  const struct {
    const char* name;
    size_t room;
    const char* want;  // null: does not fit
  } cases[] = {
      {"tarvo_1.kpz", 32, "tarvo_1-2x.kpz"},
      {"a.b.kpz", 32, "a.b-2x.kpz"},
      {"noextension", 32, "noextension-2x"},
      {"*.kpz", 32, "*-2x.kpz"},
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

}  // namespace
