// Process-wide state of the application shell that portable code reads and writes.
#pragma once

#include <atomic>
#include <cstdint>

// Clock thread states.
constexpr int kClockLoad = 0;
constexpr int kClockRunning = 1;
constexpr int kClockReload = 2;

// Flags shared between the UI thread and the clock thread. Each is written by one side and
// polled by the other; atomics keep those polls well defined without any lock.
extern std::atomic<int> ClockState;
extern std::atomic<uint8_t> StopRequested;
extern std::atomic<uint8_t> ThreadEnded;

constexpr uint16_t kNothingDrawn = 0xFFFF;
extern uint16_t LastHour;
extern uint16_t LastMinute;

extern bool LayeredAvailable;

struct CpuFeatureFlags {
  int mmx;
  int sse;
  int sse2;
  int amd3dNow;
  int amd3dNowExt;
};
extern CpuFeatureFlags CpuFeatures;

// Fills CpuFeatures from CPUID (all zero on a processor without it).
void ProbeCpuFeatures();
