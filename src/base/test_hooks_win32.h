// Hooks that only the test build of the program has: a shifted clock, an event trace and
// forced fallback mode, all set from the environment. In the product they compile to nothing.
#pragma once

#include <cstdint>

#if MASCOT_TEST_HOOKS
// Reads TARVO_TEST_TIME ("YYYY-MM-DD HH:MM:SS": what the local clock reads at start),
// TARVO_TEST_TRACE (file to append events to) and TARVO_TEST_NO_LAYERED.
void InitTestHooks();
// Milliseconds since InitTestHooks ran, at the start of the process's own code.
uint32_t TestMsSinceStart();
int64_t TestClockShiftSeconds();
// Moves the test clock: what it reads is the real clock plus `seconds` from now on.
void SetTestClockShiftSeconds(int64_t seconds);
// True while TARVO_TEST_CLOCK_REFUSE is set to 1: setting the clock is refused, as it is for a
// user without the right to change it. Read at each call.
bool TestRefusesClockSet();
void TraceEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));
// True while TARVO_TEST_NO_AUTOMATIC_PROXY is set to 1: WinHTTP behaves as on Windows 7 and 8,
// which lack the automatic proxy access type. Read at each call.
bool TestLacksAutomaticProxy();
// True while TARVO_TEST_SAVE_STOP is set to 1: a file save stops after its new copy is written and
// flushed, before it replaces the old file, as a power cut there would. Read at each call.
bool TestStopsSaveBeforeReplace();
// While TARVO_TEST_NO_DPI_FOR_WINDOW is 1, GetDpiForWindow counts as missing (Windows 8.1 and
// Windows 10 before 1607); while TARVO_TEST_NO_DPI_FOR_MONITOR is 1, GetDpiForMonitor does too
// (Windows 7 and 8). Read at each call.
bool TestLacksDpiForWindow();
bool TestLacksDpiForMonitor();
// TARVO_TEST_SYSTEM_DPI: the DPI the screen's LOGPIXELSX stands for (the system DPI, which on a
// PC of several monitors can be another monitor's); 0 when unset. Read at each call.
int TestSystemDpi();
bool TestForcesFallback();
// TARVO_TEST_FEED_SERVER: the feed server host the test gives this clock (each its own
// 127.77.N.1), copied into `out`; false when unset.
bool TestFeedServer(char* out, unsigned capacity);
// TARVO_TEST_TICK_FILE: a file holding a decimal millisecond tick that ReadTickMs returns
// instead of the platform's, so a test holds and advances the news bar's clock; false when
// unset (or the file holds no number yet).
bool TestHeldTick(uint32_t* tick);
#else
inline void InitTestHooks() {}
inline uint32_t TestMsSinceStart() { return 0; }
inline int64_t TestClockShiftSeconds() { return 0; }
inline bool TestRefusesClockSet() { return false; }
inline void TraceEvent(const char*, ...) {}
inline bool TestLacksAutomaticProxy() { return false; }
inline bool TestStopsSaveBeforeReplace() { return false; }
inline bool TestLacksDpiForWindow() { return false; }
inline bool TestLacksDpiForMonitor() { return false; }
inline int TestSystemDpi() { return 0; }
inline bool TestForcesFallback() { return false; }
inline bool TestFeedServer(char*, unsigned) { return false; }
inline bool TestHeldTick(uint32_t*) { return false; }
#endif
