// Definitions of the shell's process-wide state and the processor feature probe.
#include "base/app_state.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

std::atomic<int> ClockState{kClockLoad};
std::atomic<uint8_t> StopRequested{0};
std::atomic<uint8_t> ThreadEnded{0};
uint16_t LastHour = kNothingDrawn;
uint16_t LastMinute = kNothingDrawn;
bool LayeredAvailable = false;
CpuFeatureFlags CpuFeatures = {};

namespace {

#if defined(__i386__)
// A processor has CPUID when bit 21 (ID) of EFLAGS can be toggled.
bool HasCpuid() {
  unsigned before, after;
  __asm__ volatile(
      "pushfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "movl %0, %1\n\t"
      "xorl $0x200000, %0\n\t"
      "pushl %0\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "popfl\n\t"
      : "=&r"(after), "=&r"(before)
      :
      : "cc");
  return ((after ^ before) & 0x200000u) != 0;
}
#elif defined(__x86_64__)
bool HasCpuid() { return true; }
#endif

}  // namespace

void ProbeCpuFeatures() {
  CpuFeatures = {};
#if defined(__i386__) || defined(__x86_64__)
  if (!HasCpuid()) return;
  unsigned eax, ebx, ecx, edx;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    CpuFeatures.mmx = (edx >> 23) & 1;
    CpuFeatures.sse = (edx >> 25) & 1;
    CpuFeatures.sse2 = (edx >> 26) & 1;
  }
  // __get_cpuid checks the highest extended leaf first, so a processor without
  // leaf 0x80000001 leaves both 3DNow! flags clear.
  if (__get_cpuid(0x80000001u, &eax, &ebx, &ecx, &edx)) {
    CpuFeatures.amd3dNow = (edx >> 31) & 1;
    CpuFeatures.amd3dNowExt = (edx >> 30) & 1;
  }
#endif
}
