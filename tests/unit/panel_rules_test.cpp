// The player panel's decisions: slider scale, time text, volume slider, next/back/end of track,
// and the list edits that must keep the current file and the star where they belong.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "player/panel_rules.h"
#include "player/playlist.h"
#include "player/playlist_edit.h"
#include "settings/settings.h"

namespace {

TEST(PanelRulesTest, PositionScaleKeepsTheSliderWithin16384Steps) {
  EXPECT_EQ(PositionScaleFor(180000), 100);
  EXPECT_EQ(PositionSliderRange(180000, 100), 1800);
  EXPECT_EQ(PositionScaleFor(10000), 1);
  EXPECT_EQ(PositionSliderRange(10000, 1), 10000);
  EXPECT_EQ(PositionScaleFor(16384), 1);
  EXPECT_EQ(PositionScaleFor(16385), 10);
  EXPECT_EQ(PositionScaleFor(0), 1);
  EXPECT_EQ(PositionScaleFor(-5), 1);
  EXPECT_EQ(PositionSliderRange(-5, 1), 0);
  // Every length, up to the largest: a power of ten, the range within the slider, and the
  // smallest such power.
  for (int64_t d : {int64_t{1}, int64_t{16384}, int64_t{163840}, int64_t{163841}, int64_t{3600000},
                    int64_t{86400000} * 365, INT64_MAX}) {
    const int64_t scale = PositionScaleFor(d);
    int64_t p = scale;
    while (p % 10 == 0) p /= 10;
    EXPECT_EQ(p, 1) << d;
    EXPECT_LE(d / scale, 16384) << d;
    if (scale > 1) {
      EXPECT_GT(d / (scale / 10), 16384) << d;
    }
    EXPECT_LE(PositionSliderRange(d, scale), 16384);
  }
}

TEST(PanelRulesTest, TimeTextIsHoursMinutesSeconds) {
  char text[kPlayTimeCapacity];
  FormatPlayTime(0, text, sizeof text);
  EXPECT_STREQ(text, "00:00:00");
  FormatPlayTime(180, text, sizeof text);
  EXPECT_STREQ(text, "00:03:00");
  FormatPlayTime(3 * 3600 + 25 * 60 + 7, text, sizeof text);
  EXPECT_STREQ(text, "03:25:07");
  FormatPlayTime(100 * 3600, text, sizeof text);
  EXPECT_STREQ(text, "100:00:00");
  FormatPlayTime(-3, text, sizeof text);
  EXPECT_STREQ(text, "00:00:00");
  FormatPlayTime(INT64_MAX, text, sizeof text);
  EXPECT_LT(std::string(text).size(), sizeof text);
  char small[8] = "xxxxxxx";
  FormatPlayTime(59, small, sizeof small);
  EXPECT_STREQ(small, "");
}

TEST(PanelRulesTest, VolumeSliderHasLoudAtTheTop) {
  EXPECT_EQ(VolumeSliderFor(1.0f), 0);
  EXPECT_EQ(VolumeSliderFor(0.0f), 16384);
  EXPECT_EQ(VolumeSliderFor(0.75f), 4096);
  EXPECT_EQ(VolumeSliderFor(2.0f), 0);
  EXPECT_EQ(VolumeSliderFor(-1.0f), 16384);
  EXPECT_EQ(VolumeSliderFor(NAN), 16384);
  EXPECT_FLOAT_EQ(VolumeForSlider(0), 1.0f);
  EXPECT_FLOAT_EQ(VolumeForSlider(16384), 0.0f);
  EXPECT_FLOAT_EQ(VolumeForSlider(4096), 0.75f);
  EXPECT_FLOAT_EQ(VolumeForSlider(99999), 0.0f);
  // Slider positions survive the round trip through the held volume.
  for (int position = 0; position <= 16384; ++position) {
    ASSERT_EQ(VolumeSliderFor(VolumeForSlider(position)), position);
  }
}

TEST(PanelRulesTest, NextAndBackStopAtTheEndsUnlessLooping) {
  int playNo = 4;
  EXPECT_FALSE(StepNext(&playNo, 5, false));
  EXPECT_EQ(playNo, 4);
  EXPECT_TRUE(StepNext(&playNo, 5, true));
  EXPECT_EQ(playNo, 0);
  EXPECT_FALSE(StepBack(&playNo, 5, false));
  EXPECT_EQ(playNo, 0);
  EXPECT_TRUE(StepBack(&playNo, 5, true));
  EXPECT_EQ(playNo, 4);
  playNo = 2;
  EXPECT_TRUE(StepNext(&playNo, 5, false));
  EXPECT_EQ(playNo, 3);
  EXPECT_TRUE(StepBack(&playNo, 5, false));
  EXPECT_EQ(playNo, 2);
  // One past the end (the current last entry was deleted): NEXT only wraps, BACK takes the last.
  playNo = 5;
  EXPECT_FALSE(StepNext(&playNo, 5, false));
  EXPECT_TRUE(StepBack(&playNo, 5, false));
  EXPECT_EQ(playNo, 4);
  playNo = 0;
  EXPECT_FALSE(StepNext(&playNo, 0, true));
  EXPECT_FALSE(StepBack(&playNo, 0, true));
}

TEST(PanelRulesTest, TrackEndMovesOnWrapsOrStopsAndEndsAPassThatStartedNothing) {
  EXPECT_EQ(AfterTrack(0, 5, false, 0), TrackEnd::kNext);
  EXPECT_EQ(AfterTrack(4, 5, false, 0), TrackEnd::kStop);
  EXPECT_EQ(AfterTrack(4, 5, true, 0), TrackEnd::kWrap);
  EXPECT_EQ(AfterTrack(4, 5, true, 4), TrackEnd::kWrap);
  EXPECT_EQ(AfterTrack(2, 5, true, 5), TrackEnd::kStop);
  EXPECT_EQ(AfterTrack(0, 0, true, 0), TrackEnd::kStop);
  // Looping over entries that all fail: every entry is tried once, then it stops.
  for (int count = 1; count <= 12; ++count) {
    int playNo = count / 2;
    int failed = 1;  // the play at playNo failed
    int plays = 1;
    for (;;) {
      const TrackEnd end = AfterTrack(playNo, count, true, failed);
      if (end == TrackEnd::kStop) break;
      if (end == TrackEnd::kNext) ++playNo;
      if (end == TrackEnd::kWrap) playNo = 0;
      ++failed;
      ++plays;
      ASSERT_LE(plays, count) << count;
    }
    EXPECT_EQ(plays, count);
  }
}

class PlayListEditTest : public testing::Test {
 protected:
  void SetUp() override {
    ShuffFlag = false;
    NowPlaying = -1;
    StepOntoCurrent = false;
    Fill(5);
    PlayNo = 0;
  }
  void TearDown() override {
    ShuffFlag = false;
    EntryCount = 0;
    PlayNo = 0;
    NowPlaying = -1;
    StepOntoCurrent = false;
  }

  static void Fill(int count) {
    EntryCount = 0;
    for (int i = 0; i < count; ++i) {
      char path[32];
      snprintf(path, sizeof path, "C:\\m\\%d.mp3", i);
      ASSERT_TRUE(AppendEntry(path));
    }
    BuildOrder();
  }

  static std::string Current() {
    const int e = EntryToPlay();
    return e < 0 ? "none" : PlayPaths[e];
  }

  static std::vector<std::string> Paths() {
    return std::vector<std::string>(PlayPaths, PlayPaths + EntryCount);
  }
};

TEST_F(PlayListEditTest, RowFiveMovedToRowTwoShiftsTheRowsBetweenAndKeepsTheStar) {
  PlayNo = 3;
  NowPlaying = 3;
  ASSERT_TRUE(MoveEntry(4, 1));
  EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\m\\0.mp3", "C:\\m\\4.mp3", "C:\\m\\1.mp3",
                                               "C:\\m\\2.mp3", "C:\\m\\3.mp3"}));
  EXPECT_EQ(Current(), "C:\\m\\3.mp3");
  EXPECT_STREQ(PlayPaths[NowPlaying], "C:\\m\\3.mp3");
  // And back down again.
  ASSERT_TRUE(MoveEntry(1, 4));
  EXPECT_STREQ(PlayPaths[4], "C:\\m\\4.mp3");
  EXPECT_EQ(Current(), "C:\\m\\3.mp3");
  EXPECT_EQ(PlayNo, 3);
  EXPECT_FALSE(MoveEntry(5, 0));
  EXPECT_FALSE(MoveEntry(0, -1));
  // Shuffled: the order is mapped, so the same files play in the same sequence.
  ShuffFlag = true;
  BuildOrderSeeded(7);
  PlayNo = 2;
  NowPlaying = CurrentEntry();
  std::vector<std::string> sequence;
  for (int i = 0; i < EntryCount; ++i) sequence.push_back(PlayPaths[PlayOrder[i]]);
  const std::string playing = Current();
  ASSERT_TRUE(MoveEntry(0, 4));
  for (int i = 0; i < EntryCount; ++i) EXPECT_EQ(PlayPaths[PlayOrder[i]], sequence[i]);
  EXPECT_EQ(Current(), playing);
  EXPECT_EQ(PlayPaths[NowPlaying], playing);
}

TEST_F(PlayListEditTest, DeletingAroundTheCurrentEntry) {
  PlayNo = 2;
  NowPlaying = 2;
  // Before the current one: the same file stays current and starred.
  ASSERT_TRUE(DeleteEntryAt(0));
  EXPECT_EQ(EntryCount, 4);
  EXPECT_EQ(Current(), "C:\\m\\2.mp3");
  EXPECT_STREQ(PlayPaths[NowPlaying], "C:\\m\\2.mp3");
  EXPECT_STREQ(PlayPaths[4], "");
  // After it: nothing moves.
  ASSERT_TRUE(DeleteEntryAt(3));
  EXPECT_EQ(Current(), "C:\\m\\2.mp3");
  // The current, playing one: the following file becomes current, and no row is starred.
  ASSERT_TRUE(DeleteEntryAt(1));
  EXPECT_EQ(Current(), "C:\\m\\3.mp3");
  EXPECT_EQ(NowPlaying, -1);
  // The current last one: PlayNo is left one past the end, and nothing plays from there.
  ASSERT_EQ(EntryCount, 2);
  ASSERT_TRUE(DeleteEntryAt(1));
  EXPECT_EQ(PlayNo, 1);
  EXPECT_EQ(EntryToPlay(), -1);
  int playNo = PlayNo;
  EXPECT_TRUE(StepBack(&playNo, EntryCount, false));
  EXPECT_EQ(playNo, 0);
  EXPECT_FALSE(DeleteEntryAt(1));
  ASSERT_TRUE(DeleteEntryAt(0));
  EXPECT_EQ(EntryCount, 0);
  EXPECT_EQ(EntryToPlay(), -1);
  // An emptied list keeps its old slots but never plays them.
  EXPECT_STREQ(PlayPaths[0], "");
  Fill(3);
  EntryCount = 0;
  PlayNo = 0;
  EXPECT_EQ(EntryToPlay(), -1);
}

// The row of the track that sounds is deleted: the file that followed it is the next one played,
// at the end of the track as by NEXT, and the one after it plays next in turn.
TEST_F(PlayListEditTest, DeletingThePlayingRowLeavesTheFollowingFileNext) {
  struct Case {
    bool shuffled;
    bool loop;
    bool byNext;
    int playing;         // of the files 0..3
    const char* next;    // what plays next, "" for nothing
    const char* after;   // what plays after that, "" for nothing
  } const cases[] = {
      {false, false, false, 1, "2", "3"}, {false, false, true, 1, "2", "3"},
      {true, false, false, 1, "2", nullptr}, {true, true, true, 1, "2", nullptr},
      {false, false, false, 0, "1", "2"}, {false, false, false, 2, "3", ""},
      // The last one: nothing follows it; with LOOP the list starts again.
      {false, false, false, 3, "", ""},   {false, true, false, 3, "0", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.shuffled << c.loop << c.byNext << c.playing);
    Fill(4);
    ShuffFlag = c.shuffled;
    BuildOrderSeeded(5);
    PlayNo = OrderPositionOf(c.playing);
    NowPlaying = c.playing;
    ASSERT_TRUE(DeleteEntryAt(c.playing));
    auto step = [&c] {
      if (c.byNext) return StepForward(c.loop) ? std::string(PlayPaths[CurrentEntry()]) : "";
      if (StepAtTrackEnd(c.loop, 0) == TrackEnd::kStop) return std::string();
      return std::string(PlayPaths[CurrentEntry()]);
    };
    auto name = [](const char* n) {
      return n[0] == '\0' ? std::string() : "C:\\m\\" + std::string(n) + ".mp3";
    };
    EXPECT_EQ(step(), name(c.next));
    // Shuffled, what follows is the new order's business.
    if (c.after != nullptr) {
      EXPECT_EQ(step(), name(c.after));
    }
  }
}

TEST_F(PlayListEditTest, ShuffleTogglesKeepTheCurrentEntry) {
  PlayNo = 3;
  SetShuffle(true);
  EXPECT_TRUE(ShuffFlag);
  EXPECT_EQ(PlayNo, 3);  // a position in the new order
  const int entry = CurrentEntry();
  SetShuffle(false);
  EXPECT_FALSE(ShuffFlag);
  EXPECT_EQ(PlayNo, entry);
  EXPECT_EQ(CurrentEntry(), entry);
  PlayNo = 9;  // outside the list: stays outside
  SetShuffle(true);
  SetShuffle(false);
  EXPECT_EQ(PlayNo, 9);
}

TEST_F(PlayListEditTest, AppendingKeepsTheCurrentEntryOrStartsAnEmptyListAtTheTop) {
  ShuffFlag = true;
  BuildOrderSeeded(3);
  PlayNo = 1;
  const std::string current = Current();
  bool wasEmpty = BeforeAppend();
  EXPECT_FALSE(wasEmpty);
  ASSERT_TRUE(AppendEntry("C:\\m\\new.mp3"));
  BuildOrderSeeded(11);
  AfterAppend(wasEmpty);
  EXPECT_EQ(Current(), current);
  EntryCount = 0;
  PlayNo = 4;
  wasEmpty = BeforeAppend();
  EXPECT_TRUE(wasEmpty);
  ASSERT_TRUE(AppendEntry("C:\\m\\x.mp3"));
  BuildOrder();
  AfterAppend(wasEmpty);
  EXPECT_EQ(PlayNo, 0);
  EXPECT_EQ(Current(), "C:\\m\\x.mp3");
}

}  // namespace
