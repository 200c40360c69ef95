// The wait of a sound that must not cut off the clip playing.
#include "timesvc/sound_wait.h"

uint32_t SoundWaitMs(SoundWait* wait, uint32_t nowMs, uint32_t clipLeftMs, uint32_t limitMs) {
  if (clipLeftMs == 0) {
    wait->waiting = false;
    return 0;
  }
  if (!wait->waiting) {
    if (limitMs == 0) return 0;
    wait->waiting = true;
    wait->startMs = nowMs;
    wait->limitMs = limitMs;
  }
  // Tick arithmetic in 32 bits: the difference stays right across the tick's wrap.
  const uint32_t waited = nowMs - wait->startMs;
  if (waited >= wait->limitMs) {
    wait->waiting = false;
    return 0;
  }
  const uint32_t left = wait->limitMs - waited;
  return clipLeftMs < left ? clipLeftMs : left;
}
