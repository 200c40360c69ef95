// The player panel's arithmetic and choices that need no window: the position slider's scale,
// the time text, the volume slider, and where NEXT, BACK and the end of a track lead.
#pragma once

#include <cstddef>
#include <cstdint>

// The position slider never holds more steps than this.
constexpr int64_t kPositionStepsMax = 16384;
// The volume slider's range: 0 at the top (loudest) to this at the bottom.
constexpr int kVolumeSliderMax = 16384;

// The power of ten the length in milliseconds is divided by to fit the position slider: 1 for
// lengths up to 16384 ms, 100 for three minutes. Negative lengths count as 0.
int64_t PositionScaleFor(int64_t durationMs);

// The slider's upper end for a length: durationMs / scale, within 0..16384.
int PositionSliderRange(int64_t durationMs, int64_t scale);

// "%02d:%02d:%02d" of hours, minutes and seconds; negative counts as 0. Needs 16 bytes for any
// value; a smaller buffer gets nothing but an empty string.
void FormatPlayTime(int64_t seconds, char* out, size_t capacity);
constexpr size_t kPlayTimeCapacity = 24;

// The volume slider's position for a volume (top = loud): trunc((1 - v) * 16384), v clamped.
int VolumeSliderFor(float volume);
// The volume a slider position stands for: 1 - position / 16384, the position clamped.
float VolumeForSlider(int position);

// NEXT: the position after `playNo`, or with `loop` the first one after the last. False, with
// *playNo untouched, when there is nothing to go to.
bool StepNext(int* playNo, int count, bool loop);
// BACK: the position before, or with `loop` the last one before the first.
bool StepBack(int* playNo, int count, bool loop);

// What the panel does when a track has ended (or never started).
enum class TrackEnd {
  kNext,  // the following position
  kWrap,  // position 0 with a fresh order (a new shuffle when shuffling)
  kStop,  // the idle state
};
// `failedInRow` counts the plays since the last one that started: once every entry has been
// tried in a row without one starting, looping on would only skip for ever, so it stops.
TrackEnd AfterTrack(int playNo, int count, bool loop, int failedInRow);
