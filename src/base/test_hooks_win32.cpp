// Test-build hooks: shifted clock, event trace file and forced fallback mode.
#include "base/test_hooks_win32.h"

#if MASCOT_TEST_HOOKS

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "base/local_time.h"

namespace {

// Written by the UI thread when the clock is set, read by the clock thread on every tick.
std::atomic<int64_t> clockShift{0};
char tracePath[MAX_PATH] = {};
bool forceFallback = false;
CRITICAL_SECTION traceLock;
DWORD startTick = 0;

// Whether the variable is set to 1 now: tests switch these on and off while the program runs.
bool EnvironmentFlag(const char* name) {
  char value[8] = {};
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value && value[0] == '1' && value[1] == '\0';
}

// The decimal value of the environment variable `name`; 0 when unset or not a number.
int EnvironmentNumber(const char* name) {
  char value[16] = {};
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? atoi(value) : 0;
}

}  // namespace

void InitTestHooks() {
  startTick = GetTickCount();
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

uint32_t TestMsSinceStart() { return GetTickCount() - startTick; }

int64_t TestClockShiftSeconds() { return clockShift.load(); }

void SetTestClockShiftSeconds(int64_t seconds) { clockShift.store(seconds); }

bool TestRefusesClockSet() { return EnvironmentFlag("TARVO_TEST_CLOCK_REFUSE"); }

bool TestLacksAutomaticProxy() { return EnvironmentFlag("TARVO_TEST_NO_AUTOMATIC_PROXY"); }

bool TestStopsSaveBeforeReplace() { return EnvironmentFlag("TARVO_TEST_SAVE_STOP"); }

bool TestLacksDpiForWindow() { return EnvironmentFlag("TARVO_TEST_NO_DPI_FOR_WINDOW"); }

bool TestLacksDpiForMonitor() { return EnvironmentFlag("TARVO_TEST_NO_DPI_FOR_MONITOR"); }

int TestSystemDpi() { return EnvironmentNumber("TARVO_TEST_SYSTEM_DPI"); }

bool TestForcesFallback() { return forceFallback; }

bool TestHeldTick(uint32_t* tick) {
  static char path[MAX_PATH] = {};
  static int state = 0;  // 0 not looked, 1 set, 2 unset
  if (state == 0) {
    const DWORD n = GetEnvironmentVariableA("TARVO_TEST_TICK_FILE", path, sizeof path);
    state = (n == 0 || n >= sizeof path) ? 2 : 1;
  }
  if (state != 1) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char text[32] = {};
  DWORD got = 0;
  const BOOL read = ReadFile(file, text, sizeof text - 1, &got, nullptr);
  CloseHandle(file);
  if (!read || got == 0 || text[0] < '0' || text[0] > '9') return false;
  uint32_t value = 0;
  for (DWORD i = 0; i < got && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
  *tick = value;
  return true;
}

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
