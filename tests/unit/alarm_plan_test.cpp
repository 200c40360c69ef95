// The alarm check's plan across whole days, the alarm list's texts and the editor's SET rules.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/clock_loop.h"
#include "base/app_state.h"
#include "news/feed_schedule.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "timesvc/alarm_plan.h"

namespace {

AlarmRecord Alarm(int number, int wave, int hour, int minute, const char* name = "") {
  AlarmRecord r = {};
  r.AlarmNo = static_cast<int8_t>(number);
  r.AlarmWave = static_cast<int8_t>(wave);
  r.AlarmHour = static_cast<uint16_t>(hour);
  r.AlarmMinite = static_cast<uint16_t>(minute);
  snprintf(r.AlarmName, sizeof r.AlarmName, "%s", name);
  return r;
}

// Shift-JIS: a lead byte is 0x81-0x9F or 0xE0-0xFC.
bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

const char* const kNames[kSoundChoiceCount] = {"std1", "std2", "a1", "a2", "b1",
                                               "b2",   "c1",   "c2", "d1", "d2"};

// The clock thread's loop over a simulated clock: which minutes it hands to CheckAlarms.
std::string checked;
LocalTime simulated;

LocalTime At(int hour, int minute, int second) {
  LocalTime t = {};
  t.year = 2026;
  t.month = 12;
  t.day = 7;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

AlarmRecord table[kAlarmCount];

ClockHooks PlanningHooks() {
  ClockHooks h = {};
  h.ForgetSurfaces = [] {};
  h.MoveToSavedPlace = [] {};
  h.LoadSkin = [] {};
  h.MojiLoaded = [] { return true; };
  h.BackBufferExists = [] { return true; };
  h.ComposeBase = [] {};
  h.DrawTime = [](const LocalTime&) {};
  h.CheckFeeds = [] {};
  h.PlayHourSignal = [] {};
  h.CheckAlarms = [] {
    AlarmPlan plan;
    PlanAlarms(table, LastHour, LastMinute, BRAND, &plan);
    for (int i = 0; i < plan.count; ++i) checked += std::to_string(plan.steps[i].number) + " ";
  };
  h.TickerStep = [] {};
  h.PushFrame = [] {};
  h.ReadLocalTime = [](LocalTime* t) { *t = simulated; };
  h.ShowInitFailed = [] {};
  h.PostClose = [] {};
  h.PostSyncTime = [] {};
  h.Sleep10ms = [] {};
  return h;
}

// Runs ticks from hour:minute:second for `seconds` seconds, ten ticks a second.
void RunFrom(int hour, int minute, int second, int seconds) {
  ClockState = kClockLoad;
  StopRequested = 0;
  LastHour = LastMinute = kNothingDrawn;
  const ClockHooks hooks = PlanningHooks();
  for (int s = 0; s < seconds; ++s) {
    const int total = hour * 3600 + minute * 60 + second + s;
    simulated = At(total / 3600 % 24, total / 60 % 60, total % 60);
    for (int tick = 0; tick < 10; ++tick) ClockTick(hooks);
  }
}

class AlarmPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    memset(table, 0, sizeof table);
    checked.clear();
    AlarmFlag = 1;
    TimeSignal = 0;
    BRAND = 0;
    NextCheckMinute = INT64_MAX;  // no feed check in these runs
  }
};

TEST_F(AlarmPlanTest, AnAlarmFiresOnceAtTheStartOfItsMinuteOnly) {
  table[2] = Alarm(3, 0, 7, 30);
  RunFrom(7, 29, 50, 80);
  EXPECT_EQ(checked, "3 ");
  // Started (or woken) after the first 15 seconds of the minute: not at all.
  checked.clear();
  RunFrom(7, 30, 20, 30);
  EXPECT_EQ(checked, "");
  checked.clear();
  RunFrom(7, 30, 14, 5);
  EXPECT_EQ(checked, "3 ");
  // Switched off: never.
  checked.clear();
  AlarmFlag = 0;
  RunFrom(7, 29, 50, 80);
  EXPECT_EQ(checked, "");
}

TEST_F(AlarmPlanTest, StepsFollowNumberOrderAndKind) {
  table[0] = Alarm(1, 2, 6, 0);
  table[1] = Alarm(2, 0, 6, 0);
  table[4] = Alarm(5, -1, 6, 0, "C:\\wake.mp3");
  table[6] = Alarm(7, 9, 6, 0);
  table[7] = Alarm(8, 1, 6, 0);
  table[3] = Alarm(3, 1, 6, 1);  // another minute
  table[5] = Alarm(5, 1, 6, 0);  // not alarm 6's number: not set
  AlarmPlan plan;
  PlanAlarms(table, 6, 0, 0, &plan);
  ASSERT_EQ(plan.count, 5);
  const int numbers[] = {1, 2, 5, 7, 8};
  const AlarmSound sounds[] = {AlarmSound::kVoice, AlarmSound::kEffect, AlarmSound::kMediaFile,
                               AlarmSound::kVoice, AlarmSound::kEffect};
  const char* clips[] = {"OGG_VOXA24", "se09", nullptr, "OGG_VOXD25", "se01"};
  for (int i = 0; i < plan.count; ++i) {
    EXPECT_EQ(plan.steps[i].number, numbers[i]);
    EXPECT_EQ(plan.steps[i].sound, sounds[i]);
    if (clips[i] == nullptr) {
      EXPECT_EQ(plan.steps[i].clip, nullptr);
    } else {
      EXPECT_STREQ(plan.steps[i].clip, clips[i]);
    }
  }
  // Each voice kind names clip 24 or 25 of its set.
  const char* voices[] = {"OGG_VOXA24", "OGG_VOXA25", "OGG_VOXB24", "OGG_VOXB25",
                          "OGG_VOXC24", "OGG_VOXC25", "OGG_VOXD24", "OGG_VOXD25"};
  for (int kind = 2; kind <= 9; ++kind) EXPECT_STREQ(AlarmClipName(kind), voices[kind - 2]);
}

// Over random tables: the plan is exactly the due alarms in number order, the same for every
// character's brand; a brand without voices (a package's) drops the voices and nothing else;
// kinds outside 0-9 and 255 never sound.
TEST_F(AlarmPlanTest, PlansOfRandomTablesKeepTheirRules) {
  std::mt19937 random(12);
  for (int round = 0; round < 2000; ++round) {
    for (int i = 0; i < kAlarmCount; ++i) {
      table[i] = Alarm(random() % 3 == 0 ? 0 : (random() % 5 == 0 ? static_cast<int>(random() % 10) : i + 1),
                       static_cast<int>(random() % 256), random() % 3, random() % 2);
    }
    const uint16_t hour = random() % 3;
    const uint16_t minute = random() % 2;
    AlarmPlan all;
    AlarmPlan character;
    AlarmPlan branded;
    PlanAlarms(table, hour, minute, 0, &all);
    PlanAlarms(table, hour, minute, 1 + random() % 3, &character);
    PlanAlarms(table, hour, minute, 4 + random() % 8, &branded);
    ASSERT_EQ(character.count, all.count);
    for (int i = 0; i < all.count; ++i) {
      EXPECT_EQ(character.steps[i].number, all.steps[i].number);
      EXPECT_EQ(character.steps[i].sound, all.steps[i].sound);
    }
    int expected = 0;
    int expectedBranded = 0;
    for (int n = 1; n <= kAlarmCount; ++n) {
      const AlarmRecord& r = table[n - 1];
      const int kind = static_cast<uint8_t>(r.AlarmWave);
      const bool sounds = kind <= 9 || kind == 255;
      if (!AlarmDue(r, n, hour, minute) || !sounds) continue;
      ASSERT_LT(expected, all.count);
      EXPECT_EQ(all.steps[expected].number, n);
      ++expected;
      if (kind < 2 || kind > 9) {
        ASSERT_LT(expectedBranded, branded.count);
        EXPECT_EQ(branded.steps[expectedBranded].number, n);
        EXPECT_NE(branded.steps[expectedBranded].sound, AlarmSound::kVoice);
        ++expectedBranded;
      }
    }
    EXPECT_EQ(all.count, expected);
    EXPECT_EQ(branded.count, expectedBranded);
  }
}

// The platform plays one sound at a time. Clock-thread ticks every 10 ms over a simulated
// clip: the hour's announcement (when the case has one) starts at 0 ms on the alarms' tick,
// each effect plays 3870 ms and each voice 1890 ms from when it rings, and a case may cut the
// clip playing off or start another one. When each step of the plan rings, in milliseconds.
TEST_F(AlarmPlanTest, AlarmsWaitForTheClipPlayingAtMostItsLength) {
  constexpr uint32_t kHour = 1890;
  constexpr uint32_t kEffect = 3870;
  constexpr uint32_t kVoice = 1890;
  const AlarmStep effect = {1, AlarmSound::kEffect, "se09"};
  const AlarmStep voice = {2, AlarmSound::kVoice, "OGG_VOXA24"};
  const AlarmStep file = {3, AlarmSound::kMediaFile, nullptr};
  struct Case {
    const char* what;
    uint32_t hourVoice;                  // 0: none plays
    std::vector<AlarmStep> steps;
    uint32_t otherAt, otherLength;       // another clip replaces the one playing (length 0: stops it)
    std::vector<uint32_t> rings;
  } const cases[] = {
      {"a voice after the hour", kHour, {voice}, 0, 0, {kHour}},
      {"after an effect, its end", 0, {effect, voice}, 0, 0, {0, kEffect}},
      {"a voice is cut off by the next alarm", 0, {voice, effect}, 0, 0, {0, 0}},
      {"the hour, an effect, then a file and a voice", kHour, {effect, file, voice}, 0, 0,
       {kHour, kHour + kEffect, kHour + kEffect}},
      {"the hour cut off early", kHour, {voice}, 500, 0, {500}},
      {"a test clip meanwhile: still bounded", kHour, {voice}, 1000, 5000, {kHour}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AlarmPlan plan = {};
    for (const AlarmStep& step : c.steps) plan.steps[plan.count++] = step;
    AlarmQueue queue;
    StartAlarmQueue(plan, &queue);
    uint32_t clipEnd = c.hourVoice;
    std::vector<uint32_t> rings;
    const uint32_t base = 0xFFFFF000u;  // the tick wraps during the case
    for (uint32_t t = 0; t <= 12000; t += 10) {
      if (c.otherAt != 0 && t == c.otherAt) clipEnd = c.otherLength == 0 ? 0 : t + c.otherLength;
      while (const AlarmStep* step = NextAlarmStep(&queue, base + t, clipEnd > t ? clipEnd - t : 0)) {
        rings.push_back(t);
        if (step->sound == AlarmSound::kEffect) clipEnd = t + kEffect;
        if (step->sound == AlarmSound::kVoice) clipEnd = t + kVoice;
      }
    }
    EXPECT_EQ(rings, c.rings);
  }
}

TEST_F(AlarmPlanTest, ListRowsShowTimeAndSound) {
  AlarmRowTexts row;
  AlarmRow(Alarm(0, 0, 7, 30), 1, kNames, "unset", ShiftJisLead, &row);
  EXPECT_STREQ(row.number, "1.");
  EXPECT_STREQ(row.time, "00:00");
  EXPECT_STREQ(row.sound, "unset");
  AlarmRow(Alarm(4, 5, 7, 5), 4, kNames, "unset", ShiftJisLead, &row);
  EXPECT_STREQ(row.number, "4.");
  EXPECT_STREQ(row.time, "07:05");
  EXPECT_STREQ(row.sound, "b2");
  // A file shows its name without folder and extension; a trail byte 0x5C is no separator.
  AlarmRow(Alarm(2, -1, 23, 59, "C:\\m\\\x95\x5C.mp3"), 2, kNames, "unset", ShiftJisLead, &row);
  EXPECT_STREQ(row.time, "23:59");
  EXPECT_STREQ(row.sound, "\x95\x5C");
  AlarmRow(Alarm(2, -1, 0, 0, "wake"), 2, kNames, "unset", ShiftJisLead, &row);
  EXPECT_STREQ(row.sound, "wake");
  // Kinds no table entry belongs to show nothing; a hand-edited time is shown as it is.
  for (int kind : {10, 100, 254}) {
    AlarmRow(Alarm(3, kind, 65535, 65535), 3, kNames, "unset", ShiftJisLead, &row);
    EXPECT_STREQ(row.sound, "");
    EXPECT_STREQ(row.time, "65535:65535");
  }
  // A name that fills the whole field without its terminator stays bounded.
  AlarmRecord full = Alarm(1, -1, 1, 1);
  memset(full.AlarmName, 'x', sizeof full.AlarmName);
  AlarmRow(full, 1, kNames, "unset", ShiftJisLead, &row);
  EXPECT_LT(strlen(row.sound), sizeof row.sound);
}

TEST_F(AlarmPlanTest, TypedNumbers) {
  int value = -5;
  EXPECT_TRUE(ParseTypedNumber("7", 23, &value));
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(ParseTypedNumber("", 23, &value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ParseTypedNumber("0059", 59, &value));
  EXPECT_EQ(value, 59);
  value = 11;
  for (const char* bad : {"24", "7a", " 7", "-1", "+3", "99999999999999999999", "\xFF"}) {
    EXPECT_FALSE(ParseTypedNumber(bad, 23, &value)) << bad;
    EXPECT_EQ(value, 11) << bad;
  }
  EXPECT_FALSE(ParseTypedNumber("60", 59, &value));
}

bool Exists(const char* path) { return strcmp(path, "C:\\there.mp3") == 0; }

TEST_F(AlarmPlanTest, SetChecksEverythingBeforeStoring) {
  const AlarmRecord before = Alarm(3, 5, 6, 45, "old");
  AlarmRecord entry = before;
  AlarmEditInput input = {-1, "7", 30, "30", 0, 2, ""};
  // A sound the editor has no entry for (the voices, a hand-edited kind) selects nothing; SET
  // without another choice sets the time and keeps the sound.
  for (int kind : {2, 3, 5, 9, 100}) {
    entry = Alarm(0, kind, 6, 45, "old");
    input.soundIndex = -1;
    ASSERT_EQ(ApplyAlarmEdit(input, 3, Exists, &entry), AlarmEditResult::kStored) << kind;
    EXPECT_EQ(entry.AlarmNo, 3) << kind;
    EXPECT_EQ(entry.AlarmHour, 7) << kind;
    EXPECT_EQ(entry.AlarmMinite, 30) << kind;
    EXPECT_EQ(static_cast<uint8_t>(entry.AlarmWave), kind) << kind;
    EXPECT_STREQ(entry.AlarmName, "old") << kind;
  }
  // Another entry chosen replaces it.
  input.soundIndex = 0;
  ASSERT_EQ(ApplyAlarmEdit(input, 3, Exists, &entry), AlarmEditResult::kStored);
  EXPECT_EQ(entry.AlarmWave, 0);
  EXPECT_STREQ(entry.AlarmName, "");

  // Refusals leave every field as it was.
  for (const char* badHour : {"24", "7a"}) {
    entry = before;
    input = {-1, badHour, 0, "00", 1, 2, ""};
    EXPECT_EQ(ApplyAlarmEdit(input, 3, Exists, &entry), AlarmEditResult::kBadTime);
    EXPECT_EQ(memcmp(&entry, &before, sizeof entry), 0) << badHour;
  }
  entry = before;
  input = {5, "05", -1, "61", 1, 2, ""};
  EXPECT_EQ(ApplyAlarmEdit(input, 3, Exists, &entry), AlarmEditResult::kBadTime);
  EXPECT_EQ(memcmp(&entry, &before, sizeof entry), 0);
  entry = before;
  input = {5, "05", 6, "06", 2, 2, "C:\\gone.mp3"};
  EXPECT_EQ(ApplyAlarmEdit(input, 3, Exists, &entry), AlarmEditResult::kFileMissing);
  EXPECT_EQ(memcmp(&entry, &before, sizeof entry), 0);

  // An empty typed time is 0; the file choice stores the file; an effect clears the name.
  input = {-1, "", -1, "", 2, 2, "C:\\there.mp3"};
  ASSERT_EQ(ApplyAlarmEdit(input, 3, Exists, &entry), AlarmEditResult::kStored);
  EXPECT_EQ(entry.AlarmHour, 0);
  EXPECT_EQ(entry.AlarmMinite, 0);
  EXPECT_EQ(static_cast<uint8_t>(entry.AlarmWave), kAlarmWaveMediaFile);
  EXPECT_STREQ(entry.AlarmName, "C:\\there.mp3");
  input = {23, "23", 59, "59", 1, 2, "C:\\there.mp3"};
  ASSERT_EQ(ApplyAlarmEdit(input, 3, Exists, &entry), AlarmEditResult::kStored);
  EXPECT_EQ(entry.AlarmWave, 1);
  EXPECT_STREQ(entry.AlarmName, "");

  ResetAlarmEntry(&entry);
  EXPECT_EQ(entry.AlarmNo, 0);
  EXPECT_EQ(entry.AlarmWave, 0);
  EXPECT_EQ(entry.AlarmHour, 0);
  EXPECT_EQ(entry.AlarmMinite, 0);
  EXPECT_STREQ(entry.AlarmName, "");
}

}  // namespace
