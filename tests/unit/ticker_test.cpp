// The news bar's portable half: split, queue, stepping timeline, grey table and glyph blit.
#include "news/ticker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../shared/memory_surface.h"

namespace {

const std::string kOpen = "\x81\x79";
const std::string kClose = "\x81\x7a";

TEST(TickerSplit, FiftyEightBytesStayWhole) {
  char a[160];
  char b[160];
  std::string t(58, 'a');
  EXPECT_EQ(SplitTitle(t.c_str(), a, sizeof a, b, sizeof b), 1);
  EXPECT_EQ(std::string(a), kOpen + t + kClose);
  EXPECT_STREQ(b, "");
}

TEST(TickerSplit, FiftyNineBytesSplitAfter58) {
  char a[160];
  char b[160];
  std::string t(59, 'b');
  EXPECT_EQ(SplitTitle(t.c_str(), a, sizeof a, b, sizeof b), 2);
  EXPECT_EQ(std::string(a), kOpen + std::string(58, 'b'));
  EXPECT_EQ(std::string(b), "b" + kClose);
}

TEST(TickerSplit, WalksCharactersSoNoneIsCut) {
  char a[160];
  char b[160];
  // "a" then 日 (93 FA) repeated: the 58th byte is a lead byte 93, so the split is after 57.
  std::string t = "a";
  while (t.size() < 70) t += "\x93\xfa";
  ASSERT_EQ(static_cast<unsigned char>(t[57]), 0x93);
  EXPECT_EQ(SplitTitle(t.c_str(), a, sizeof a, b, sizeof b), 2);
  EXPECT_EQ(std::string(a), kOpen + t.substr(0, 57));
  EXPECT_EQ(std::string(b), t.substr(57) + kClose);
  // All double-byte: FA is a trail here though it has a lead-byte value.
  std::string d;
  while (d.size() < 70) d += "\x93\xfa";
  EXPECT_EQ(SplitTitle(d.c_str(), a, sizeof a, b, sizeof b), 2);
  EXPECT_EQ(std::string(a), kOpen + d.substr(0, 58));
}

TEST(TickerSplit, SecondHalfIsAtMost58Bytes) {
  char a[160];
  char b[160];
  std::string t(300, 'c');
  EXPECT_EQ(SplitTitle(t.c_str(), a, sizeof a, b, sizeof b), 2);
  EXPECT_EQ(std::string(b), std::string(58, 'c') + kClose);
}

std::unique_ptr<FeedRecord[]> FeedsWith(const std::vector<int>& counts) {
  std::unique_ptr<FeedRecord[]> feeds(new FeedRecord[kFeedCount]);
  memset(feeds.get(), 0, sizeof(FeedRecord) * kFeedCount);
  for (int i = 0; i < kFeedCount; ++i) {
    feeds[i].item_count = counts[i];
    for (int k = 0; k < counts[i]; ++k) {
      snprintf(feeds[i].items[k].title, sizeof feeds[i].items[k].title, "f%di%d", i, k);
    }
  }
  return feeds;
}

// Which feeds the queue visits for `n` items.
std::vector<int> Visits(TickerState* state, const FeedRecord* feeds, int viewBrand, int n) {
  std::vector<int> out;
  for (int i = 0; i < n; ++i) {
    int armed[2];
    memset(state->slots, 0, sizeof state->slots);
    if (QueueNextItem(state, 0, feeds, viewBrand, armed) == 0) break;
    out.push_back(state->slots[0].text[3] - '0');  // "【f" then the feed digit
  }
  return out;
}

TEST(TickerQueue, AlternatesBetweenCheckedFeeds) {
  auto feeds = FeedsWith({1, 1, 1, 1});
  TickerState state = {};
  ResetTickerState(&state, 0, 6);
  EXPECT_EQ(state.feed, 1);
  EXPECT_EQ(Visits(&state, feeds.get(), 6, 4), (std::vector<int>{1, 2, 1, 2}));
  ResetTickerState(&state, 0, 15);
  EXPECT_EQ(Visits(&state, feeds.get(), 15, 5), (std::vector<int>{0, 1, 2, 3, 0}));
}

TEST(TickerQueue, ViewBrandZeroFiveAndSixteen) {
  auto feeds = FeedsWith({1, 1, 1, 1});
  TickerState state = {};
  ResetTickerState(&state, 0, 5);
  EXPECT_EQ(Visits(&state, feeds.get(), 5, 4), (std::vector<int>{0, 2, 0, 2}));
  ResetTickerState(&state, 0, 0);
  EXPECT_TRUE(Visits(&state, feeds.get(), 0, 3).empty());
  // 16 has no feed bit: nothing, and no endless search.
  ResetTickerState(&state, 0, 16);
  EXPECT_TRUE(Visits(&state, feeds.get(), 16, 3).empty());
  EXPECT_EQ(NextFeed(0, 16), -1);
}

TEST(TickerQueue, ResetLeadsWithSlotZeroInOrder) {
  auto feeds = FeedsWith({4, 0, 0, 0});
  TickerState state = {};
  state.head = 2;
  ResetTickerState(&state, 0, 1);
  EXPECT_EQ(state.head, 0);
  // Titles go into 0, 1, 2, 3 in queue order, and the chain 0 -> 1 -> 2 -> 3 shows them so.
  for (int i = 0; i < 4; ++i) {
    const int k = FreeSlot(state.slots, state.head);
    ASSERT_EQ(k, i);
    int armed[2];
    ASSERT_EQ(QueueNextItem(&state, k, feeds.get(), 1, armed), 1);
    ArmSlot(&state.slots[k], 40, kTickerWindow);
    EXPECT_EQ(std::string(state.slots[k].text), kOpen + "f0i" + std::to_string(i) + kClose);
  }
}

TEST(TickerQueue, SkipsFeedsWithoutItems) {
  auto feeds = FeedsWith({0, 2, 0, 0});
  TickerState state = {};
  ResetTickerState(&state, 0, 15);
  EXPECT_EQ(Visits(&state, feeds.get(), 15, 5), (std::vector<int>{1, 1, 1, 1, 1}));
  auto none = FeedsWith({0, 0, 0, 0});
  ResetTickerState(&state, 0, 15);
  EXPECT_TRUE(Visits(&state, none.get(), 15, 2).empty());
}

TEST(TickerQueue, SplitTitleNeedsBothSlotsFree) {
  auto feeds = FeedsWith({1, 0, 0, 0});
  memset(feeds[0].items[0].title, 'x', 80);
  feeds[0].items[0].title[80] = '\0';
  TickerState state = {};
  ResetTickerState(&state, 0, 1);
  state.slots[1].active = 1;  // the slot after 0 is busy
  int armed[2];
  EXPECT_EQ(QueueNextItem(&state, 0, feeds.get(), 1, armed), 0);
  state.slots[1].active = 0;
  EXPECT_EQ(QueueNextItem(&state, 0, feeds.get(), 1, armed), 2);
  EXPECT_EQ(armed[0], 0);
  EXPECT_EQ(armed[1], 1);
}

TEST(TickerStepping, TwoHundredPixelTitleTimeline) {
  TickerSlot slots[kTickerSlots] = {};
  for (int i = 0; i < kTickerSlots; ++i) slots[i].index = static_cast<uint8_t>(i);
  ArmSlot(&slots[0], 200, kTickerWindow);
  ArmSlot(&slots[1], 200, kTickerWindow);
  int head = 0;
  for (int step = 1; step <= 200; ++step) {
    head = StepSlots(slots, head);
    EXPECT_EQ(slots[1].x, kTickerWindow) << step;
  }
  EXPECT_EQ(slots[0].gap, 0);
  head = StepSlots(slots, head);  // step 201: the next title starts entering
  EXPECT_EQ(slots[1].x, kTickerWindow - 1);
  for (int step = 202; step <= 310; ++step) head = StepSlots(slots, head);
  EXPECT_EQ(slots[0].x, 0);
  EXPECT_EQ(head, 0);
  int x = 0, from = 0, count = 0;
  ASSERT_TRUE(SlotSpan(slots[0], &x, &from, &count));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(count, 200);
}

TEST(TickerStepping, EachSlotMovesAtMostOncePerStep) {
  TickerSlot slots[kTickerSlots] = {};
  for (int i = 0; i < kTickerSlots; ++i) {
    slots[i].index = static_cast<uint8_t>(i);
    ArmSlot(&slots[i], 50, kTickerWindow);
    slots[i].gap = 0;  // all chained
    slots[i].x = 100;
  }
  StepSlots(slots, 0);
  for (int i = 0; i < kTickerSlots; ++i) EXPECT_EQ(slots[i].x, 99) << i;
}

TEST(TickerStepping, WideTitleScrollsInsideThenLeaves) {
  TickerSlot slots[kTickerSlots] = {};
  ArmSlot(&slots[0], 500, kTickerWindow);
  int head = 0;
  int steps = 0;
  while (slots[0].active && steps < 2000) {
    head = StepSlots(slots, head);
    ++steps;
  }
  EXPECT_EQ(steps, 310 + 190 + 310 + 1);
  EXPECT_EQ(head, 1);
}

TEST(TickerScroll, TimeIsClampedAndCountsUnscaledPixels) {
  EXPECT_EQ(ClampScrollTime(0), 5);
  EXPECT_EQ(ClampScrollTime(40), 40);
  EXPECT_EQ(ClampScrollTime(1000), 100);
  const struct {
    int ms;
    double scale;
    int period;
  } paces[] = {{40, 1.0, 40}, {40, 2.0, 20}, {40, 1.5, 27}, {40, 0.5, 80}, {5, 2.0, 3},
               {5, 8.0, 1},   {0, 1.0, 5},   {1000, 0.25, 400}, {40, 0.0, 40}};
  for (const auto& p : paces) EXPECT_EQ(ScrollPeriodAt(p.ms, p.scale), p.period) << p.ms << " at " << p.scale;
}

TEST(TickerGlyphs, GreyTableMatchesAnIndependentReference) {
  uint8_t table[256];
  BuildGreyTable(table);
  for (int g = 0; g <= 64; ++g) {
    EXPECT_EQ(table[g], static_cast<int>(std::floor(g * 255.0 / 64.0 + 1e-9))) << g;
  }
  EXPECT_EQ(table[0], 0);
  EXPECT_EQ(table[32], 127);
  EXPECT_EQ(table[64], 255);
}

TEST(TickerGlyphs, PackedBlitEqualsScalarAndClips) {
  uint8_t table[256];
  BuildGreyTable(table);
  MemorySurface a(40, 30);
  MemorySurface b(40, 30);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      uint8_t* p = a.record.bits + a.record.rowOffsets[y] + x * 4;
      p[0] = static_cast<uint8_t>(x * 7);
      p[1] = static_cast<uint8_t>(y * 5);
      p[2] = static_cast<uint8_t>(x + y);
      p[3] = static_cast<uint8_t>((x * 13) % 256);
    }
  }
  memcpy(b.record.bits, a.record.bits, 40 * 30 * 4);
  std::vector<uint8_t> grey(16 * 40);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i % 65);
  // Partly outside on every side.
  BlitGlyph(&a.record, -3, -4, grey.data(), 16, 16, 40, table);
  BlitGlyphScalar(&b.record, -3, -4, grey.data(), 16, 16, 40, table);
  BlitGlyph(&a.record, 30, 20, grey.data(), 16, 16, 40, table);
  BlitGlyphScalar(&b.record, 30, 20, grey.data(), 16, 16, 40, table);
  EXPECT_EQ(memcmp(a.record.bits, b.record.bits, 40 * 30 * 4), 0);
}

TEST(TickerGlyphs, Grey64IsOpaqueWhiteAndZeroKeepsTextPass) {
  uint8_t table[256];
  BuildGreyTable(table);
  MemorySurface s(8, 8);
  const uint8_t full[4] = {64, 0, 0, 0};
  BlitGlyph(&s.record, 0, 0, full, 4, 4, 1, table);
  const uint8_t* p = s.record.bits;
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[3], 255);
  // The shadow of the first pixel lies at (1, 1): black of alpha 255.
  const uint8_t* q = s.record.bits + s.record.rowOffsets[1] + 4;
  EXPECT_EQ(q[0], 0);
  EXPECT_EQ(q[3], 255);
}

}  // namespace
