// What the alarm check does at a minute, the alarm list's texts and the editor's SET rules, as
// portable logic over the stored alarm records.
#pragma once

#include <cstdint>

#include "base/paths.h"
#include "settings/alarm_table.h"
#include "timesvc/sound_wait.h"

// The sound kinds a record may hold: 0 and 1 the two effects, 2-9 the character voices, 255 the
// user's media file. Anything else (a hand-edited settings file) names no sound.
constexpr int kSoundChoiceCount = 10;
constexpr int kFirstVoiceKind = 2;
// An effect alarm plays its effect this many times in a row.
constexpr int kEffectRepeats = 3;

enum class AlarmSound : uint8_t {
  kEffect,     // `clip` played kEffectRepeats times in a row, as one asynchronous sound
  kMediaFile,  // the record's AlarmName through a stop window
  kVoice,      // `clip` played once, asynchronously
};

struct AlarmStep {
  int number;  // 1-8
  AlarmSound sound;
  const char* clip;  // effect or voice clip; null for a media file
};

// What one minute's check does, in the order it does it.
struct AlarmPlan {
  int count;
  AlarmStep steps[kAlarmCount];
};

// What is left of one minute's plan. Only the clock thread touches it: it starts the plan at the
// minute and serves it on every tick until nothing is left.
struct AlarmQueue {
  AlarmPlan plan;
  int next;      // the step to ring next
  bool guarded;  // that step must not cut off the clip playing
  SoundWait wait;
};

// A new minute's plan; what was left of the last one is dropped.
void StartAlarmQueue(const AlarmPlan& plan, AlarmQueue* queue);

// The step to ring now, or null when none is left or the next one waits. The platform plays
// one sound at a time: the first step waits for the clip playing when it comes due (the hour's
// announcement begun on the same tick), and a step after an effect waits for that effect, each
// at most as long as that clip still had to sound when the wait began. A step after a voice or
// a file follows at once, so a later alarm still cuts an earlier one's voice off. `clipLeftMs`
// is how long the clip playing now still sounds; ask again after each step that rings.
const AlarmStep* NextAlarmStep(AlarmQueue* queue, uint32_t nowMs, uint32_t clipLeftMs);

// Whether alarm `number` (1-8) is set for hour:minute.
bool AlarmDue(const AlarmRecord& record, int number, uint16_t hour, uint16_t minute);

// The clip that sounds for `kind` (0-9), or null for any other kind.
const char* AlarmClipName(int kind);

// The plan for hour:minute over the eight records, in number order. Voices sound only while a
// brand that speaks is selected; kinds outside 0-9 and 255 stay silent.
void PlanAlarms(const AlarmRecord table[kAlarmCount], uint16_t hour, uint16_t minute, int brand,
                AlarmPlan* plan);

// The list's three texts for one alarm row.
struct AlarmRowTexts {
  char number[8];                  // "1."
  char time[12];                   // "07:30", "00:00" when not set
  char sound[kAlarmNameCapacity];  // file's name part, the sound-choice name, or `unsetText`
};

// The row of alarm `number` (1-8). `soundNames` are the ten sound-choice names; a kind without
// one shows an empty text. The record's text need not be terminated.
void AlarmRow(const AlarmRecord& record, int number, const char* const soundNames[kSoundChoiceCount],
              const char* unsetText, LeadByteTest isLeadByte, AlarmRowTexts* row);

// A number typed into the hour or minute box: only decimal digits, at most `max`; an empty
// text is 0. Fails, leaving *value alone, otherwise.
bool ParseTypedNumber(const char* text, int max, int* value);

// What the editor's SET was given.
struct AlarmEditInput {
  int hourIndex;      // selection of the hour box, -1 when the text was typed
  const char* hourText;
  int minuteIndex;    // likewise for the minute box
  const char* minuteText;
  int soundIndex;     // selection of the sound box, -1 for none
  int fileChoiceIndex;
  const char* fileText;  // the file name field
};

enum class AlarmEditResult {
  kStored,
  kBadTime,      // "時間の設定がおかしいです。"
  kFileMissing,  // the file choice names no file: the editor stays open silently
};

// Applies SET to alarm `number`'s entry: everything is checked before anything is stored, so a
// refused SET leaves the entry as it was. With no sound entry chosen the entry keeps its kind
// and name: only its time is set.
AlarmEditResult ApplyAlarmEdit(const AlarmEditInput& input, int number,
                               bool (*fileExists)(const char* path), AlarmRecord* entry);

// RESET: the entry back to not set.
void ResetAlarmEntry(AlarmRecord* entry);
