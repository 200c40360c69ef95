// Definition of the alarm table; its defaults come from the settings key table.
#include "settings/alarm_table.h"

AlarmRecord AlarmTable[kAlarmCount];
