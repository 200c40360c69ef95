// Position scale, time text, volume slider and the panel's next/back/end-of-track choices.
#include "player/panel_rules.h"

#include <cstdio>

int64_t PositionScaleFor(int64_t durationMs) {
  int64_t scale = 1;
  if (durationMs < 0) return scale;
  // Ten to the 18th still fits in 64 bits, and any length divided by it fits the slider.
  while (durationMs / scale > kPositionStepsMax && scale < 1000000000000000000LL) scale *= 10;
  return scale;
}

int PositionSliderRange(int64_t durationMs, int64_t scale) {
  if (durationMs <= 0 || scale <= 0) return 0;
  const int64_t steps = durationMs / scale;
  return static_cast<int>(steps > kPositionStepsMax ? kPositionStepsMax : steps);
}

void FormatPlayTime(int64_t seconds, char* out, size_t capacity) {
  if (capacity == 0) return;
  out[0] = '\0';
  if (capacity < 16) return;
  if (seconds < 0) seconds = 0;
  // Hours beyond what two digits hold still print in full; the field is only a minimum width.
  const long long hours = seconds / 3600;
  snprintf(out, capacity, "%02lld:%02d:%02d", hours % 100000000LL,
           static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
}

int VolumeSliderFor(float volume) {
  if (!(volume >= 0.0f)) volume = 0.0f;
  if (volume > 1.0f) volume = 1.0f;
  return static_cast<int>((1.0f - volume) * static_cast<float>(kVolumeSliderMax));
}

float VolumeForSlider(int position) {
  if (position < 0) position = 0;
  if (position > kVolumeSliderMax) position = kVolumeSliderMax;
  return 1.0f - static_cast<float>(position) * 0.00006103515625f;
}

bool StepNext(int* playNo, int count, bool loop) {
  if (count <= 0) return false;
  if (*playNo < count - 1) {
    // A position before the list (never valid) starts it from the top.
    *playNo = *playNo < 0 ? 0 : *playNo + 1;
    return true;
  }
  if (!loop) return false;
  *playNo = 0;
  return true;
}

bool StepBack(int* playNo, int count, bool loop) {
  if (count <= 0) return false;
  if (*playNo > 0) {
    // A position past the end (the last entry was deleted while current) goes to the last one.
    *playNo = *playNo > count ? count - 1 : *playNo - 1;
    return true;
  }
  if (!loop) return false;
  *playNo = count - 1;
  return true;
}

TrackEnd AfterTrack(int playNo, int count, bool loop, int failedInRow) {
  if (count <= 0 || failedInRow >= count) return TrackEnd::kStop;
  if (playNo < count - 1) return TrackEnd::kNext;
  return loop ? TrackEnd::kWrap : TrackEnd::kStop;
}
