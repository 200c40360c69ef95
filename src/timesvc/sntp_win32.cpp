// SNTP time setting. The client is not written yet, so every attempt reports failure.
#include "timesvc/sntp_win32.h"

#include "base/test_hooks_win32.h"

int SyncClock(const char* server) {
  TraceEvent("SyncClock %s", server);
  return -1;
}
