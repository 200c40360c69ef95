// When a sound that would cut off the clip playing may start: the platform plays one sound at a
// time, so an alarm or the news chimes wait for a voice to end rather than silence it.
#pragma once

#include <cstdint>

// One sound's wait. Zero-initialised means not waiting.
struct SoundWait {
  bool waiting;
  uint32_t startMs;  // tick at which the wait began
  uint32_t limitMs;  // the longest it waits in all, fixed when it began
};

// How long the sound should wait before asking again; 0 when it may start now. `clipLeftMs`
// is how long the clip playing at `nowMs` still sounds (0 when none plays). The wait begins the
// first time a clip is found playing, with `limitMs` as its bound; it ends when no clip plays,
// or once it has lasted that long, whatever plays then. Ending resets `wait` for the next sound.
uint32_t SoundWaitMs(SoundWait* wait, uint32_t nowMs, uint32_t clipLeftMs, uint32_t limitMs);
