// Built-in clips: found in the program's resources, decoded to a WAV image, played from memory.
#include "timesvc/clip_player_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>

#include "base/test_hooks_win32.h"
#include <vorbis/codec.h>

#include "timesvc/clip_decode.h"

uint8_t* ClipBuffer = nullptr;

namespace {

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

void StopAndFree(DWORD mode) {
  PlaySoundA(nullptr, nullptr, mode);
  free(ClipBuffer);
  ClipBuffer = nullptr;
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
  TraceEvent("clip %s %u bytes", name, static_cast<unsigned>(imageSize));
  return static_cast<int>(imageSize);
}

void PlayClip(int mode, const char* name) {
  DWORD flags = mode == 0 ? SND_SYNC : SND_ASYNC;
  if (name == nullptr || ClipBuffer != nullptr) StopAndFree(flags);
  if (DecodeClip(name) != -1) {
    PlaySoundA(reinterpret_cast<const char*>(ClipBuffer), nullptr, SND_MEMORY | flags);
  }
}

void StopClip() {
  TraceEvent("StopClip");
  PlayClip(1, nullptr);
}
