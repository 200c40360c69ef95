// The alarm check's plan, the list's row texts and the editor's SET rules.
#include "timesvc/alarm_plan.h"

#include <cstdio>
#include <cstring>

#include "settings/skin_voice.h"

namespace {

// Kind 0 and 1 are the effects, 2-9 clip 24 or 25 of voice sets A-D.
const char* const kClipNames[kSoundChoiceCount] = {
    "se09",       "se01",       "OGG_VOXA24", "OGG_VOXA25", "OGG_VOXB24",
    "OGG_VOXB25", "OGG_VOXC24", "OGG_VOXC25", "OGG_VOXD24", "OGG_VOXD25",
};

int KindOf(const AlarmRecord& record) { return static_cast<uint8_t>(record.AlarmWave); }

void CopyBounded(char* out, size_t capacity, const char* text, size_t textCapacity) {
  const size_t length = strnlen(text, textCapacity);
  const size_t kept = length < capacity ? length : capacity - 1;
  memcpy(out, text, kept);
  out[kept] = '\0';
}

}  // namespace

bool AlarmDue(const AlarmRecord& record, int number, uint16_t hour, uint16_t minute) {
  return record.AlarmNo == number && record.AlarmHour == hour && record.AlarmMinite == minute;
}

const char* AlarmClipName(int kind) {
  return kind >= 0 && kind < kSoundChoiceCount ? kClipNames[kind] : nullptr;
}

void PlanAlarms(const AlarmRecord table[kAlarmCount], uint16_t hour, uint16_t minute, int brand,
                AlarmPlan* plan) {
  plan->count = 0;
  for (int n = 1; n <= kAlarmCount; ++n) {
    const AlarmRecord& record = table[n - 1];
    if (!AlarmDue(record, n, hour, minute)) continue;
    const int kind = KindOf(record);
    AlarmStep step = {n, AlarmSound::kEffect, nullptr};
    if (kind < kFirstVoiceKind) {
      step.clip = kClipNames[kind];
    } else if (kind < kSoundChoiceCount) {
      if (!BrandSpeaks(brand)) continue;
      step.sound = AlarmSound::kVoice;
      step.clip = kClipNames[kind];
    } else if (kind == kAlarmWaveMediaFile) {
      step.sound = AlarmSound::kMediaFile;
    } else {
      continue;
    }
    plan->steps[plan->count++] = step;
  }
}

void StartAlarmQueue(const AlarmPlan& plan, AlarmQueue* queue) {
  queue->plan = plan;
  queue->next = 0;
  queue->guarded = true;
  queue->wait = SoundWait{};
}

const AlarmStep* NextAlarmStep(AlarmQueue* queue, uint32_t nowMs, uint32_t clipLeftMs) {
  if (queue->next >= queue->plan.count) return nullptr;
  if (queue->guarded && SoundWaitMs(&queue->wait, nowMs, clipLeftMs, clipLeftMs) != 0) return nullptr;
  const AlarmStep* step = &queue->plan.steps[queue->next++];
  queue->guarded = step->sound == AlarmSound::kEffect;
  queue->wait = SoundWait{};
  return step;
}

void AlarmRow(const AlarmRecord& record, int number, const char* const soundNames[kSoundChoiceCount],
              const char* unsetText, LeadByteTest isLeadByte, AlarmRowTexts* row) {
  snprintf(row->number, sizeof row->number, "%d.", number);
  if (record.AlarmNo != number) {
    snprintf(row->time, sizeof row->time, "00:00");
    CopyBounded(row->sound, sizeof row->sound, unsetText, sizeof row->sound);
    return;
  }
  // A hand-edited time that can never ring is shown as it is, so it can be seen and mended.
  snprintf(row->time, sizeof row->time, "%02u:%02u", static_cast<unsigned>(record.AlarmHour),
           static_cast<unsigned>(record.AlarmMinite));
  const int kind = KindOf(record);
  row->sound[0] = '\0';
  if (kind == kAlarmWaveMediaFile) {
    char name[kAlarmNameCapacity];
    CopyBounded(name, sizeof name, record.AlarmName, sizeof record.AlarmName);
    PathParts parts;
    if (SplitFullPath(name, &parts, isLeadByte)) {
      CopyBounded(row->sound, sizeof row->sound, parts.name, sizeof parts.name);
    }
  } else if (kind < kSoundChoiceCount) {
    CopyBounded(row->sound, sizeof row->sound, soundNames[kind], sizeof row->sound);
  }
}

bool ParseTypedNumber(const char* text, int max, int* value) {
  int number = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    number = number * 10 + (*p - '0');
    if (number > max) return false;
  }
  *value = number;
  return true;
}

AlarmEditResult ApplyAlarmEdit(const AlarmEditInput& input, int number,
                               bool (*fileExists)(const char* path), AlarmRecord* entry) {
  int hour = input.hourIndex;
  if (hour < 0 || hour > 23) {
    if (!ParseTypedNumber(input.hourText, 23, &hour)) return AlarmEditResult::kBadTime;
  }
  int minute = input.minuteIndex;
  if (minute < 0 || minute > 59) {
    if (!ParseTypedNumber(input.minuteText, 59, &minute)) return AlarmEditResult::kBadTime;
  }
  const bool fromFile = input.soundIndex == input.fileChoiceIndex;
  if (fromFile && !fileExists(input.fileText)) return AlarmEditResult::kFileMissing;
  entry->AlarmHour = static_cast<uint16_t>(hour);
  entry->AlarmMinite = static_cast<uint16_t>(minute);
  entry->AlarmNo = static_cast<int8_t>(number);
  // No entry chosen: the editor had none for the record's sound (a character voice, or a kind
  // of a hand-edited file), and the sound stays as it was rather than becoming a file alarm
  // without a file.
  if (input.soundIndex < 0) return AlarmEditResult::kStored;
  memset(entry->AlarmName, 0, sizeof entry->AlarmName);
  if (fromFile) {
    entry->AlarmWave = static_cast<int8_t>(kAlarmWaveMediaFile);
    CopyBounded(entry->AlarmName, sizeof entry->AlarmName, input.fileText, sizeof entry->AlarmName);
  } else {
    entry->AlarmWave = static_cast<int8_t>(input.soundIndex);
  }
  return AlarmEditResult::kStored;
}

void ResetAlarmEntry(AlarmRecord* entry) {
  entry->AlarmHour = 0;
  entry->AlarmMinite = 0;
  entry->AlarmNo = 0;
  entry->AlarmWave = 0;
  memset(entry->AlarmName, 0, sizeof entry->AlarmName);
}
