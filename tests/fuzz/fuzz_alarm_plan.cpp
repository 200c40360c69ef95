// Settings files of any content, as the alarms see them: every list row stays bounded and
// terminated, and the plan of each of the day's 1440 minutes holds only due alarms, in number
// order, with a clip for every sound but a media file.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "../shared/memory_profile.h"
#include "settings/alarm_table.h"
#include "settings/skin_voice.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "timesvc/alarm_plan.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

const char* const kNames[kSoundChoiceCount] = {"s1", "s2", "a1", "a2", "b1", "b2", "c1", "c2", "d1", "d2"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryProfile file(reinterpret_cast<const char*>(data), size);
  ResetSettings();
  ReadSettings(file.Access());

  for (int n = 1; n <= kAlarmCount; ++n) {
    AlarmRowTexts row;
    memset(&row, 0x55, sizeof row);
    AlarmRow(AlarmTable[n - 1], n, kNames, "unset", ShiftJisLead, &row);
    Check(strnlen(row.number, sizeof row.number) < sizeof row.number);
    Check(strnlen(row.time, sizeof row.time) < sizeof row.time);
    Check(strnlen(row.sound, sizeof row.sound) < sizeof row.sound);
  }

  int rung = 0;
  // A character that speaks and a package brand that does not.
  for (int brand : {0, 4}) {
    for (uint16_t hour = 0; hour < 24; ++hour) {
      for (uint16_t minute = 0; minute < 60; ++minute) {
        AlarmPlan plan;
        PlanAlarms(AlarmTable, hour, minute, brand, &plan);
        Check(plan.count >= 0 && plan.count <= kAlarmCount);
        int last = 0;
        for (int i = 0; i < plan.count; ++i) {
          const AlarmStep& step = plan.steps[i];
          Check(step.number > last && step.number <= kAlarmCount);
          last = step.number;
          const AlarmRecord& record = AlarmTable[step.number - 1];
          Check(AlarmDue(record, step.number, hour, minute));
          const int kind = static_cast<uint8_t>(record.AlarmWave);
          Check((step.sound == AlarmSound::kMediaFile) == (kind == kAlarmWaveMediaFile));
          Check(step.sound == AlarmSound::kMediaFile || step.clip == AlarmClipName(kind));
          Check(BrandSpeaks(brand) || step.sound != AlarmSound::kVoice);
          ++rung;
        }
      }
    }
  }
  // Each set alarm rings at most once a day per brand.
  Check(rung <= 2 * kAlarmCount);
  return 0;
}
