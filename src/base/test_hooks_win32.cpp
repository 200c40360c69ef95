// Test-build hooks: shifted clock, event trace file and forced fallback mode.
#include "base/test_hooks_win32.h"

#if MASCOT_TEST_HOOKS

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cstdarg>
#include <cstdio>

#include "base/local_time.h"

namespace {

// Written by the UI thread when the clock is set, read by the clock thread on every tick.
std::atomic<int64_t> clockShift{0};
char tracePath[MAX_PATH] = {};
bool forceFallback = false;
CRITICAL_SECTION traceLock;

}  // namespace

void InitTestHooks() {
  InitializeCriticalSection(&traceLock);
  char value[64] = {};
  int64_t wanted = 0;
  if (GetEnvironmentVariableA("TARVO_TEST_TIME", value, sizeof value) < sizeof value &&
      ParseWallTime(value, &wanted)) {
    SYSTEMTIME real;
    GetLocalTime(&real);
    LocalTime now = {real.wYear, real.wMonth, real.wDayOfWeek, real.wDay,
                     real.wHour, real.wMinute, real.wSecond, real.wMilliseconds};
    clockShift = wanted - WallSeconds(now);
  }
  DWORD n = GetEnvironmentVariableA("TARVO_TEST_TRACE", tracePath, sizeof tracePath);
  if (n == 0 || n >= sizeof tracePath) tracePath[0] = '\0';
  forceFallback = GetEnvironmentVariableA("TARVO_TEST_NO_LAYERED", value, sizeof value) > 0;
}

int64_t TestClockShiftSeconds() { return clockShift.load(); }

void SetTestClockShiftSeconds(int64_t seconds) { clockShift.store(seconds); }

bool TestRefusesClockSet() {
  char value[8] = {};
  DWORD n = GetEnvironmentVariableA("TARVO_TEST_CLOCK_REFUSE", value, sizeof value);
  return n > 0 && n < sizeof value && value[0] == '1' && value[1] == '\0';
}

bool TestForcesFallback() { return forceFallback; }

bool TestFeedServer(char* out, unsigned capacity) {
  char value[256];
  const DWORD n = GetEnvironmentVariableA("TARVO_TEST_FEED_SERVER", value, sizeof value);
  if (n == 0 || n >= sizeof value || n >= capacity) return false;
  memcpy(out, value, n + 1);
  return true;
}

void TraceEvent(const char* format, ...) {
  if (tracePath[0] == '\0') return;
  char line[512];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  EnterCriticalSection(&traceLock);
  FILE* f = fopen(tracePath, "ab");
  if (f != nullptr) {
    fprintf(f, "%s\n", line);
    fclose(f);
  }
  LeaveCriticalSection(&traceLock);
}

#endif
