// The eight alarm records that the settings file holds and the alarm check reads.
#pragma once

#include <cstdint>

constexpr int kAlarmCount = 8;
constexpr int kAlarmNameCapacity = 260;
// AlarmWave kind that plays the user's media file; stored in the file as -1.
constexpr uint8_t kAlarmWaveMediaFile = 255;

// What the settings file holds of an alarm; its state while ringing belongs to the alarms.
struct AlarmRecord {
  int8_t AlarmNo;    // the alarm's number 1-8 when set, 0 when not
  int8_t AlarmWave;
  char AlarmName[kAlarmNameCapacity];
  uint16_t AlarmHour;
  uint16_t AlarmMinite;
};

// Alarm n (1-8) is AlarmTable[n - 1].
extern AlarmRecord AlarmTable[kAlarmCount];
