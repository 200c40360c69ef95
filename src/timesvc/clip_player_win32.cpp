// Built-in clips: found in the program's resources, decoded to a WAV image, played from memory.
#include "timesvc/clip_player_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "base/test_hooks_win32.h"
#include <vorbis/codec.h>

#include "timesvc/clip_decode.h"

uint8_t* ClipBuffer = nullptr;

namespace {

// The clock thread (hour signal, alarms) and the UI thread (greetings, the alarm editor's test,
// shutdown) both replace the image: stop, free, decode and the start of a play happen under
// this lock so neither frees an image the other is still starting or playing.
std::mutex clipLock;
std::atomic<int> liveImages{0};
std::atomic<int> peakImages{0};
// The tick at which the asynchronous clip in ClipBuffer ends, 0 when none plays. Written under
// the clip lock, read by any thread without it.
std::atomic<uint32_t> clipEndsAt{0};

// The decoder's own words for a stream it cannot open: a broken built-in clip is a broken
// program, so it is reported on standard output and the process ends.
const char* OpenFailureText(int error) {
  switch (error) {
    case OV_EREAD:
      return "A read from media returned an error.\n";
    case OV_ENOTVORBIS:
      return "Bitstream is not Vorbis data. \n";
    case OV_EVERSION:
      return "Vorbis version mismatch. \n";
    case OV_EBADHEADER:
      return "Invalid Vorbis bitstream header. \n";
    case OV_EFAULT:
      return "Internal logic fault; indicates a bug or heap/stack corruption. \n";
    default:
      return nullptr;
  }
}

void CountImage() {
  const int live = liveImages.fetch_add(1) + 1;
  int peak = peakImages.load();
  while (live > peak && !peakImages.compare_exchange_weak(peak, live)) {
  }
}

void FreeImage(uint8_t* image) {
  if (image == nullptr) return;
  free(image);
  liveImages.fetch_sub(1);
}

// Stopping waits until the player has let go of the image, so it can be freed right after.
void StopAndFree(DWORD mode) {
  clipEndsAt = 0;
  PlaySoundA(nullptr, nullptr, mode);
  FreeImage(ClipBuffer);
  ClipBuffer = nullptr;
}

// ClipBuffer (of `size` bytes) replaced by its samples `times` times in a row; the new size.
// When that cannot be made the single image stays.
int RepeatClipBuffer(int times, int size) {
  uint8_t* repeated = nullptr;
  size_t repeatedSize = 0;
  if (times <= 1 || !RepeatWavImage(ClipBuffer, static_cast<size_t>(size), times, &repeated, &repeatedSize) ||
      repeatedSize > INT_MAX) {
    free(repeated);
    return size;
  }
  CountImage();
  FreeImage(ClipBuffer);
  ClipBuffer = repeated;
  return static_cast<int>(repeatedSize);
}

// Both modes with a name stop what plays, free the old image, decode and play; an effect may
// be repeated within one image. With no name: only stop and free.
void Play(int mode, const char* name, int times) {
  const DWORD flags = mode == 0 ? SND_SYNC : SND_ASYNC;
  uint8_t* owned = nullptr;
  {
    std::lock_guard<std::mutex> hold(clipLock);
    if (name == nullptr || ClipBuffer != nullptr) StopAndFree(flags);
    int size = DecodeClip(name);
    if (size == -1) return;
    size = RepeatClipBuffer(times, size);
    if (mode != 0) {
      const uint32_t length = WavImageMs(ClipBuffer, static_cast<size_t>(size));
      if (PlaySoundA(reinterpret_cast<const char*>(ClipBuffer), nullptr, SND_MEMORY | flags)) {
        const uint32_t end = GetTickCount() + length;
        clipEndsAt = end != 0 ? end : 1;
        TraceEvent("clip %s x%d plays %u ms", name, times, static_cast<unsigned>(length));
      }
      return;
    }
    // A synchronous play may last seconds, too long to hold the lock: the image leaves the
    // shared slot and belongs to this call until the player returns (early, when another
    // thread's stop cuts it off).
    owned = ClipBuffer;
    ClipBuffer = nullptr;
  }
  PlaySoundA(reinterpret_cast<const char*>(owned), nullptr, SND_MEMORY | flags);
  FreeImage(owned);
}

}  // namespace

int DecodeClip(const char* name) {
  if (name == nullptr) return -1;
  HRSRC found = FindResourceA(nullptr, name, "OGG");
  if (found == nullptr) return -1;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const uint8_t* bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  DWORD size = SizeofResource(nullptr, found);
  if (bytes == nullptr) return -1;
  uint8_t* image = nullptr;
  size_t imageSize = 0;
  int openError = 0;
  ClipResult result = DecodeClipBytes(bytes, size, &image, &imageSize, &openError);
  if (result == ClipResult::kCorrupt) {
    const char* text = OpenFailureText(openError);
    if (text != nullptr) {
      fputs(text, stdout);
      fflush(stdout);
      exit(1);
    }
    return -1;
  }
  if (result != ClipResult::kOk) return -1;
  ClipBuffer = image;
  CountImage();
  TraceEvent("clip %s %u bytes", name, static_cast<unsigned>(imageSize));
  return static_cast<int>(imageSize);
}

void PlayClip(int mode, const char* name) { Play(mode, name, 1); }

void PlayClipRepeated(const char* name, int times) { Play(1, name, times); }

uint32_t ClipPlaysForMs() {
  const uint32_t end = clipEndsAt.load();
  if (end == 0) return 0;
  const int32_t left = static_cast<int32_t>(end - GetTickCount());
  return left > 0 ? static_cast<uint32_t>(left) : 0;
}

int LiveClipImages() { return liveImages.load(); }

int TakePeakClipImages() { return peakImages.exchange(liveImages.load()); }

void StopClip() {
  TraceEvent("StopClip");
  PlayClip(1, nullptr);
}
