// Definition of the alarm table, holding the settings' defaults until the file is read.
#include "timesvc/alarm_table.h"

namespace {

constexpr AlarmRecord kUnsetAlarm = {0, nullptr, 0, 0, "se09", 0, 0};

}  // namespace

AlarmRecord AlarmTable[kAlarmCount] = {kUnsetAlarm, kUnsetAlarm, kUnsetAlarm, kUnsetAlarm,
                                       kUnsetAlarm, kUnsetAlarm, kUnsetAlarm, kUnsetAlarm};
