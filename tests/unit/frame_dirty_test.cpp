// The changed part of the frame: the news bar's rectangle alone, or the whole frame.
#include "render/frame.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameDirty, ABarStepPushesOnlyItsRectangle) {
  TakeFrameChanged();
  TakeFrameDirtyRect(nullptr, nullptr, nullptr, nullptr);
  MarkFrameRegionChanged(20, 291, 310, 30);
  ASSERT_TRUE(TakeFrameChanged());
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(TakeFrameDirtyRect(&x, &y, &w, &h));
  EXPECT_EQ(x, 20);
  EXPECT_EQ(y, 291);
  EXPECT_EQ(w, 310);
  EXPECT_EQ(h, 30);
  EXPECT_FALSE(TakeFrameChanged());
}

TEST(FrameDirty, RectanglesUniteAndAnyWholeChangeWins) {
  MarkFrameRegionChanged(20, 291, 310, 30);
  MarkFrameRegionChanged(45, 291, 310, 30);
  ASSERT_TRUE(TakeFrameChanged());
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(TakeFrameDirtyRect(&x, &y, &w, &h));
  EXPECT_EQ(x, 20);
  EXPECT_EQ(w, 335);
  MarkFrameRegionChanged(20, 291, 310, 30);
  MarkFrameChanged();
  ASSERT_TRUE(TakeFrameChanged());
  EXPECT_FALSE(TakeFrameDirtyRect(&x, &y, &w, &h));
  MarkFrameRegionChanged(0, 0, 0, 5);  // empty: nothing changed
  EXPECT_FALSE(TakeFrameChanged());
}

}  // namespace
