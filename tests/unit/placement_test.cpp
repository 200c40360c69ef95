// Placement arithmetic: snapping thresholds and edges, the snap reference area, bringing the
// clock back, dialogs beside the clock and the on-screen test.
#include <gtest/gtest.h>

#include <climits>

#include "base/placement.h"

namespace {

constexpr PlaceRect kScreen = {0, 0, 1920, 1080};

// A 400 x 330 window whose top-left corner is at (x, y).
PlaceRect Clock(int x, int y) { return {x, y, x + 400, y + 330}; }

void ExpectPoint(const PlacePoint& p, int x, int y) {
  EXPECT_EQ(p.x, x);
  EXPECT_EQ(p.y, y);
}

TEST(PlacementSnapTest, LeftAndTopEdgesSnapStrictlyInsideTheThreshold) {
  const PlaceRect current = Clock(300, 300);
  // 4 and 5 pixels off (either side) snap; 6 does not.
  ExpectPoint(SnapToArea(Clock(4, 300), current, kScreen), 0, 300);
  ExpectPoint(SnapToArea(Clock(5, 300), current, kScreen), 0, 300);
  ExpectPoint(SnapToArea(Clock(-5, 300), current, kScreen), 0, 300);
  ExpectPoint(SnapToArea(Clock(6, 300), current, kScreen), 6, 300);
  ExpectPoint(SnapToArea(Clock(-6, 300), current, kScreen), -6, 300);
  ExpectPoint(SnapToArea(Clock(300, 5), current, kScreen), 300, 0);
  ExpectPoint(SnapToArea(Clock(300, -5), current, kScreen), 300, 0);
  ExpectPoint(SnapToArea(Clock(300, 6), current, kScreen), 300, 6);
  ExpectPoint(SnapToArea(Clock(300, -6), current, kScreen), 300, -6);
}

TEST(PlacementSnapTest, RightAndBottomEdgesSnapTheFarSide) {
  const PlaceRect current = Clock(300, 300);
  // Right edge at 1915 (5 short) and 1925 (5 past) snaps to 1920 - 400; at 1914 it stays.
  ExpectPoint(SnapToArea(Clock(1515, 300), current, kScreen), 1520, 300);
  ExpectPoint(SnapToArea(Clock(1525, 300), current, kScreen), 1520, 300);
  ExpectPoint(SnapToArea(Clock(1514, 300), current, kScreen), 1514, 300);
  ExpectPoint(SnapToArea(Clock(1526, 300), current, kScreen), 1526, 300);
  // Bottom edge at 1075 and 1085 snaps to 1080 - 330; at 1074 it stays.
  ExpectPoint(SnapToArea(Clock(300, 745), current, kScreen), 300, 750);
  ExpectPoint(SnapToArea(Clock(300, 755), current, kScreen), 300, 750);
  ExpectPoint(SnapToArea(Clock(300, 744), current, kScreen), 300, 744);
  // Both directions at once: into the bottom-right corner.
  ExpectPoint(SnapToArea(Clock(1518, 748), current, kScreen), 1520, 750);
}

TEST(PlacementSnapTest, SizeComesFromTheCurrentRectangle) {
  // The proposed rectangle's right edge is near 1920, but the window is 200 wide, not 400: the
  // new left keeps its real right edge on the screen's.
  const PlaceRect current = {100, 100, 300, 200};
  const PlaceRect proposed = {1518, 100, 1918, 430};
  ExpectPoint(SnapToArea(proposed, current, kScreen), 1720, 100);
}

TEST(PlacementSnapTest, LeftEdgeWinsWhenBothEdgesAreNear) {
  // A window as wide as the area, 3 pixels to the right: both edges are near; the left one is
  // taken.
  const PlaceRect current = {0, 0, 1920, 100};
  const PlaceRect proposed = {3, 500, 1923, 600};
  ExpectPoint(SnapToArea(proposed, current, kScreen), 0, 500);
}

TEST(PlacementSnapTest, AreasAwayFromTheOriginUseTheirOwnEdges) {
  // A second monitor right of the primary one, with a 40-pixel task bar at its bottom.
  const PlaceRect second = {1920, 0, 3200, 984};
  const PlaceRect current = Clock(2300, 300);
  ExpectPoint(SnapToArea(Clock(1923, 300), current, second), 1920, 300);
  ExpectPoint(SnapToArea(Clock(2797, 300), current, second), 2800, 300);
  ExpectPoint(SnapToArea(Clock(2300, 650), current, second), 2300, 654);
  // A monitor left of and above the primary one, at negative coordinates.
  const PlaceRect leftAbove = {-1280, -200, 0, 824};
  ExpectPoint(SnapToArea(Clock(-1276, -197), Clock(-900, 100), leftAbove), -1280, -200);
}

TEST(PlacementSnapTest, ExtremeCoordinatesNeitherOverflowNorWrap) {
  // Windows wider or taller than an int can say, and edges at the ends of the range: the sums
  // stay defined (the sanitizer would stop on an overflow) and results are held in range.
  const PlaceRect widest = {INT_MIN, 0, INT_MAX, 10};
  ExpectPoint(SnapToArea({5, 0, 2, 10}, widest, {INT_MIN, 0, 0, 100}), INT_MIN, 0);
  ExpectPoint(SnapToArea({INT_MIN + 2, 0, INT_MAX - 2, 10}, widest, {INT_MIN, 0, INT_MAX, 10}),
              INT_MIN, 0);
  const PlaceRect backwards = {INT_MAX, 0, INT_MIN, 10};
  ExpectPoint(SnapToArea({100, 50, 1918, 60}, backwards, kScreen), INT_MAX, 50);
  const PlaceRect tallest = {0, INT_MIN, 10, INT_MAX};
  ExpectPoint(SnapToArea({0, 100, 10, 1078}, tallest, kScreen), 0, INT_MIN);
  ExpectPoint(BringBackPosition({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 1920, 1080), 0, 0);
  EXPECT_EQ(BesideClockTop({0, INT_MIN, 10, INT_MAX}, {0, INT_MAX - 5, 10, INT_MAX},
                           {0, INT_MIN, 10, INT_MAX}),
            INT_MIN);
}

TEST(PlacementSnapTest, ReferenceAreaIsTheWorkAreaOnlyWithSeveralMonitors) {
  SnapDesktop desktop = {};
  desktop.virtualScreen = {-1280, 0, 1920, 1080};
  desktop.workArea = {0, 0, 1920, 1040};
  desktop.haveWorkArea = true;
  desktop.monitorCount = 2;
  const PlaceRect a = SnapReferenceArea(desktop);
  EXPECT_EQ(a.left, 0);
  EXPECT_EQ(a.bottom, 1040);

  // Several monitors but none holds the window: the whole virtual screen, origin included.
  desktop.haveWorkArea = false;
  const PlaceRect v = SnapReferenceArea(desktop);
  EXPECT_EQ(v.left, -1280);
  EXPECT_EQ(v.bottom, 1080);

  // One monitor: the whole screen, task bar included, even when its work area is known.
  desktop = {};
  desktop.virtualScreen = kScreen;
  desktop.workArea = {0, 0, 1920, 1040};
  desktop.haveWorkArea = true;
  desktop.monitorCount = 1;
  EXPECT_EQ(SnapReferenceArea(desktop).bottom, 1080);
}

TEST(PlacementSnapTest, SingleMonitorSnapsToTheScreenBottomNotTheTaskBar) {
  SnapDesktop desktop = {};
  desktop.virtualScreen = kScreen;
  desktop.workArea = {0, 0, 1920, 1040};
  desktop.haveWorkArea = true;
  desktop.monitorCount = 1;
  const PlaceRect area = SnapReferenceArea(desktop);
  const PlaceRect current = Clock(300, 300);
  // Bottom edge 3 pixels above the task bar's top: no snap.
  ExpectPoint(SnapToArea(Clock(300, 707), current, area), 300, 707);
  // Bottom edge 3 pixels above the screen's bottom: snapped behind the task bar.
  ExpectPoint(SnapToArea(Clock(300, 747), current, area), 300, 750);
}

TEST(PlacementSnapTest, SharedInnerEdgeSnapsForTheMonitorTheWindowWasOn) {
  // Two 1920 x 1080 monitors side by side, each with a task bar 40 pixels high.
  SnapDesktop desktop = {};
  desktop.virtualScreen = {0, 0, 3840, 1080};
  desktop.monitorCount = 2;
  desktop.haveWorkArea = true;
  const PlaceRect proposed = Clock(1518, 300);  // right edge 2 pixels short of x = 1920
  // Window on the left monitor: its right edge goes to the shared edge.
  desktop.workArea = {0, 0, 1920, 1040};
  ExpectPoint(SnapToArea(proposed, Clock(1400, 300), SnapReferenceArea(desktop)), 1520, 300);
  // Window on the right monitor: the same proposal is nowhere near that monitor's edges
  // (its left edge would have to be near 1920).
  desktop.workArea = {1920, 0, 3840, 1040};
  ExpectPoint(SnapToArea(proposed, Clock(2000, 300), SnapReferenceArea(desktop)), 1518, 300);
  ExpectPoint(SnapToArea(Clock(1917, 300), Clock(2000, 300), SnapReferenceArea(desktop)), 1920,
              300);
}

TEST(PlacementBringBackTest, PullsEachEdgeInsideThePrimaryScreen) {
  // The examples: x = -50 goes to 0; x = 1800 with width 400 goes to 1520.
  ExpectPoint(BringBackPosition(Clock(-50, 100), 1920, 1080), 0, 100);
  ExpectPoint(BringBackPosition(Clock(1800, 100), 1920, 1080), 1520, 100);
  ExpectPoint(BringBackPosition(Clock(100, -20), 1920, 1080), 100, 0);
  ExpectPoint(BringBackPosition(Clock(100, 900), 1920, 1080), 100, 750);
  ExpectPoint(BringBackPosition(Clock(-3000, 5000), 1920, 1080), 0, 750);
  // Already inside, touching the far edges: unchanged.
  ExpectPoint(BringBackPosition(Clock(1520, 750), 1920, 1080), 1520, 750);
}

TEST(PlacementBringBackTest, AWindowLargerThanTheScreenShowsItsTopLeft) {
  // 400 x 330 on a 300 x 200 screen, starting inside: pulling the right and bottom edges in
  // would put the corner at (-100, -130); it stays at the screen's corner instead.
  ExpectPoint(BringBackPosition(Clock(10, 20), 300, 200), 0, 0);
  ExpectPoint(BringBackPosition(Clock(-10, -20), 300, 200), 0, 0);
}

TEST(PlacementBringBackTest, OffScreenTestMatchesWhatWouldMove) {
  EXPECT_FALSE(IsOffPrimaryScreen(Clock(0, 0), 1920, 1080));
  EXPECT_FALSE(IsOffPrimaryScreen(Clock(1520, 750), 1920, 1080));
  EXPECT_TRUE(IsOffPrimaryScreen(Clock(1521, 750), 1920, 1080));
  EXPECT_TRUE(IsOffPrimaryScreen(Clock(1520, 751), 1920, 1080));
  EXPECT_TRUE(IsOffPrimaryScreen(Clock(-1, 0), 1920, 1080));
  EXPECT_TRUE(IsOffPrimaryScreen(Clock(0, -1), 1920, 1080));
}

TEST(PlacementBesideClockTest, BelowAnUpperClockAboveALowerOne) {
  const PlaceRect dialog = {50, 500, 350, 700};  // 200 high
  // Clock at the top: the dialog's top is 10 below the clock's bottom.
  EXPECT_EQ(BesideClockTop(dialog, Clock(100, 0), kScreen), 340);
  // Clock at the bottom: the dialog's bottom is 10 above the clock's top.
  EXPECT_EQ(BesideClockTop(dialog, Clock(100, 750), kScreen), 540);
}

TEST(PlacementBesideClockTest, ClockCentreExactlyOnTheMiddleCountsAsUpper) {
  const PlaceRect dialog = {0, 0, 100, 100};
  // Screen 1080 high: middle 540. Clock 330 high at top 375: centre 375 + 165 = 540.
  EXPECT_EQ(BesideClockTop(dialog, Clock(0, 375), kScreen), 715);
  // One pixel lower: above.
  EXPECT_EQ(BesideClockTop(dialog, Clock(0, 376), kScreen), 266);
  // Odd heights truncate. Screen 1081: middle 540, not 541, so a clock centred on 541 is
  // below the middle and gets the dialog above.
  EXPECT_EQ(BesideClockTop(dialog, {0, 376, 400, 706}, {0, 0, 1920, 1081}), 266);
  // Clock 331 high at 375: centre 375 + 165 = 540, not 541, so it counts as upper.
  EXPECT_EQ(BesideClockTop(dialog, {0, 375, 400, 706}, kScreen), 716);
}

TEST(PlacementBesideClockTest, KeptOnTheMonitorVertically) {
  const PlaceRect dialog = {0, 0, 300, 400};
  // Below a clock ending at 800 the dialog would reach 1210: it is pulled up to end at 1080.
  EXPECT_EQ(BesideClockTop(dialog, {0, 100, 400, 800}, kScreen), 680);
  // Above a clock starting at 300 it would start at -110: it starts at 0.
  EXPECT_EQ(BesideClockTop(dialog, {0, 300, 400, 1000}, kScreen), 0);
  // Taller than the monitor: the top stays on it.
  EXPECT_EQ(BesideClockTop({0, 0, 300, 1500}, Clock(0, 0), kScreen), 0);
}

TEST(PlacementBesideClockTest, UsesTheClocksMonitor) {
  const PlaceRect dialog = {0, 0, 300, 200};
  // A monitor below the primary one: y from 1080 to 2280, middle at 1680.
  const PlaceRect lower = {0, 1080, 1920, 2280};
  // Clock near that monitor's top (centre 1265): below it, although on the primary screen's
  // terms it is in the lower half.
  EXPECT_EQ(BesideClockTop(dialog, Clock(0, 1100), lower), 1440);
  // Clock near its bottom: above it, and never above that monitor's top.
  EXPECT_EQ(BesideClockTop(dialog, Clock(0, 1900), lower), 1690);
  EXPECT_EQ(BesideClockTop({0, 0, 300, 900}, Clock(0, 1800), lower), 1080);
  // A monitor above the primary one, at negative coordinates.
  const PlaceRect upper = {0, -1080, 1920, 0};
  EXPECT_EQ(BesideClockTop(dialog, Clock(0, -1080), upper), -740);
  EXPECT_EQ(BesideClockTop(dialog, Clock(0, -330), upper), -540);
}

TEST(PlacementOnScreenTest, AnyOverlapWithThePrimaryScreenCounts) {
  EXPECT_TRUE(TouchesPrimaryScreen({-399, -329, 1, 1}, 1920, 1080));
  EXPECT_TRUE(TouchesPrimaryScreen({1919, 1079, 2319, 1409}, 1920, 1080));
  EXPECT_FALSE(TouchesPrimaryScreen({-400, 0, 0, 330}, 1920, 1080));
  EXPECT_FALSE(TouchesPrimaryScreen({0, -330, 400, 0}, 1920, 1080));
  EXPECT_FALSE(TouchesPrimaryScreen({1920, 0, 2320, 330}, 1920, 1080));
  EXPECT_FALSE(TouchesPrimaryScreen({0, 1080, 400, 1410}, 1920, 1080));
}

}  // namespace

TEST(PlacementDpiTest, SuggestedCornerStaysOnItsMonitor) {
  const PlaceRect second = {1920, 0, 3840, 1080};
  struct Case {
    PlaceRect suggested;
    PlacePoint corner;
  } cases[] = {
      {{2000, 100, 2800, 760}, {2000, 100}},   // on the monitor already: as suggested
      {{1800, 100, 2600, 760}, {1920, 100}},   // left of it: onto its left edge
      {{3900, -50, 4700, 610}, {3839, 0}},     // past its right and top: its last column, top row
      {{2000, 1200, 2800, 1860}, {2000, 1079}},
  };
  for (const Case& c : cases) {
    const PlacePoint got = CornerOnMonitor(c.suggested, second);
    EXPECT_EQ(got.x, c.corner.x) << c.suggested.left;
    EXPECT_EQ(got.y, c.corner.y) << c.suggested.top;
  }
}

TEST(PlacementGrowTest, WhatTheGrowthPushesOutIsPulledBackOnly) {
  const PlaceRect screen = {0, 0, 1024, 768};
  struct Case {
    PlaceRect before;
    int width, height;
    PlacePoint corner;
  };
  const Case cases[] = {
      {{320, 240, 720, 570}, 800, 660, {224, 108}},   // 200 %: pulled back on both sides
      {{10, 20, 410, 350}, 800, 660, {10, 20}},       // room enough: the corner stays
      {{320, 240, 720, 570}, 1200, 900, {0, 0}},      // larger than the screen: its top-left
      {{900, 600, 1300, 930}, 800, 660, {500, 270}},  // partly off: as far off as before
      {{-200, -50, 200, 280}, 800, 660, {-200, -50}}, // off to the left and top: left there
      {{320, 240, 720, 570}, 200, 165, {320, 240}},   // shrinking never moves it
  };
  for (const Case& c : cases) {
    const PlacePoint p = GrownCorner(c.before, c.width, c.height, screen);
    EXPECT_EQ(p.x, c.corner.x) << c.before.left << "," << c.before.top;
    EXPECT_EQ(p.y, c.corner.y) << c.before.left << "," << c.before.top;
  }
}
