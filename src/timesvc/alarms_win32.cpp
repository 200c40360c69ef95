// Alarm check at a minute change. Alarms do not ring yet; this marks when they are checked.
#include "timesvc/alarms_win32.h"

#include "base/app_state.h"
#include "base/test_hooks_win32.h"

void CheckAlarms() { TraceEvent("CheckAlarms %02u:%02u", LastHour, LastMinute); }
