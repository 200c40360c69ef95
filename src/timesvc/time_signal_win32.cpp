// Voice announcements. The clips are not built in yet; these only mark when they would play.
#include "timesvc/time_signal_win32.h"

#include "app/app_state.h"
#include "app/test_hooks_win32.h"

void PlayStartVoice() { TraceEvent("PlayStartVoice"); }

void PlayExitVoice() { TraceEvent("PlayExitVoice"); }

void PlayHourSignal() { TraceEvent("PlayHourSignal %u", LastHour); }
