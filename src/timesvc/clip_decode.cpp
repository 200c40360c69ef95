// Ogg Vorbis clips decoded from memory into WAV images, and the names of the voice clips.
#include "timesvc/clip_decode.h"

#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

constexpr size_t kByteRateAt = 28;
constexpr size_t kDataSizeAt = 40;

const char kVoiceSetLetters[] = "ABCD";

}  // namespace

size_t ClipRead(void* destination, size_t elementSize, size_t elementCount, void* source) {
  MemoryClipSource* s = static_cast<MemoryClipSource*>(source);
  if (s == nullptr) return static_cast<size_t>(-1);
  if (s->position >= s->size || s->position == kFailedSeek || elementSize == 0) return 0;
  // Sizes are compared in 64 bits: a large request must not wrap past the end of the clip.
  uint64_t wanted = static_cast<uint64_t>(elementSize) * elementCount;
  uint64_t left = s->size - s->position;
  if (wanted < left) {
    memcpy(destination, s->data + s->position, static_cast<size_t>(wanted));
    s->position += static_cast<uint32_t>(wanted);
    return elementCount;
  }
  memcpy(destination, s->data + s->position, static_cast<size_t>(left));
  s->position = s->size;
  return static_cast<size_t>(left / elementSize);
}

int ClipSeek(void* source, int64_t offset, int origin) {
  MemoryClipSource* s = static_cast<MemoryClipSource*>(source);
  if (s == nullptr) return -1;
  int64_t base;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = s->position == kFailedSeek ? 0 : s->position;
      break;
    case SEEK_END:
      base = s->size;
      break;
    default:
      return -1;
  }
  // A negative offset is fine from the current place or the end as long as the result is not
  // before the start; a result before the start, or past what 32 bits hold, is refused.
  int64_t target = base + offset;
  if (target < 0 || target >= static_cast<int64_t>(kFailedSeek)) {
    if (offset < 0 && origin == SEEK_SET) s->position = kFailedSeek;
    return -1;
  }
  s->position = static_cast<uint32_t>(target);
  return 0;
}

int ClipClose(void* source) { return source == nullptr ? -1 : 0; }

long ClipTell(void* source) {
  MemoryClipSource* s = static_cast<MemoryClipSource*>(source);
  if (s == nullptr) return -1;
  return static_cast<long>(s->position);
}

void WriteWavHeader(uint8_t* h, uint32_t dataBytes, int channels, long rate) {
  memcpy(h, "RIFF", 4);
  Put32(h + 4, dataBytes + 36);
  memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, static_cast<uint32_t>(channels));
  Put32(h + 24, static_cast<uint32_t>(rate));
  Put32(h + 28, static_cast<uint32_t>(rate * channels * 2));
  Put16(h + 32, static_cast<uint32_t>(channels * 2));
  Put16(h + 34, 16);
  memcpy(h + 36, "data", 4);
  Put32(h + 40, dataBytes);
}

ClipResult DecodeClipBytes(const uint8_t* data, size_t size, uint8_t** image, size_t* imageSize,
                           int* openError) {
  if (data == nullptr || size == 0 || size >= kFailedSeek) return ClipResult::kUnusable;
  MemoryClipSource source = {0, static_cast<uint32_t>(size), data};
  ov_callbacks callbacks = {ClipRead, ClipSeek, ClipClose, ClipTell};
  OggVorbis_File file;
  int opened = ov_open_callbacks(&source, &file, nullptr, 0, callbacks);
  if (opened < 0) {
    if (openError != nullptr) *openError = opened;
    return ClipResult::kCorrupt;
  }
  vorbis_info* info = ov_info(&file, -1);
  double seconds = ov_time_total(&file, -1);
  // A clip is a few seconds long; anything claiming more than a minute of audio is not a clip.
  if (info == nullptr || info->channels < 1 || info->channels > 8 || info->rate <= 0 ||
      seconds < 0 || seconds > 60) {
    ov_clear(&file);
    return ClipResult::kUnusable;
  }
  size_t bytes = static_cast<size_t>(ceil(seconds * info->channels * info->rate * 2));
  uint8_t* block = static_cast<uint8_t*>(calloc(bytes + kWavHeaderSize, 1));
  if (block == nullptr) {
    ov_clear(&file);
    return ClipResult::kUnusable;
  }
  size_t done = 0;
  int bitstream = 0;
  while (done < bytes) {
    long got = ov_read(&file, reinterpret_cast<char*>(block + kWavHeaderSize + done),
                       static_cast<int>(bytes - done), 0, 2, 1, &bitstream);
    if (got == 0) break;
    if (got < 0) {
      free(block);
      ov_clear(&file);
      return ClipResult::kUnusable;
    }
    done += static_cast<size_t>(got);
  }
  WriteWavHeader(block, static_cast<uint32_t>(done), info->channels, info->rate);
  ov_clear(&file);
  *image = block;
  *imageSize = done + kWavHeaderSize;
  return ClipResult::kOk;
}

uint32_t WavImageMs(const uint8_t* image, size_t size) {
  if (image == nullptr || size < kWavHeaderSize) return 0;
  const uint32_t byteRate = Get32(image + kByteRateAt);
  uint64_t data = Get32(image + kDataSizeAt);
  if (data > size - kWavHeaderSize) data = size - kWavHeaderSize;
  if (byteRate == 0) return 0;
  return static_cast<uint32_t>(data * 1000 / byteRate);
}

bool RepeatWavImage(const uint8_t* image, size_t size, int times, uint8_t** repeated,
                    size_t* repeatedSize) {
  if (image == nullptr || size < kWavHeaderSize || times < 1) return false;
  const uint32_t data = Get32(image + kDataSizeAt);
  if (data > size - kWavHeaderSize) return false;
  const uint64_t total = static_cast<uint64_t>(data) * static_cast<uint64_t>(times);
  if (total > UINT32_MAX - 36 || total > SIZE_MAX - kWavHeaderSize) return false;
  uint8_t* block = static_cast<uint8_t*>(malloc(static_cast<size_t>(total) + kWavHeaderSize));
  if (block == nullptr) return false;
  memcpy(block, image, kWavHeaderSize);
  Put32(block + 4, static_cast<uint32_t>(total) + 36);
  Put32(block + kDataSizeAt, static_cast<uint32_t>(total));
  for (int k = 0; k < times; ++k) {
    memcpy(block + kWavHeaderSize + static_cast<size_t>(k) * data, image + kWavHeaderSize, data);
  }
  *repeated = block;
  *repeatedSize = static_cast<size_t>(total) + kWavHeaderSize;
  return true;
}

bool HourClipName(int lastHour, int hourCycle, int signalVoice, char name[16]) {
  if (signalVoice < 0 || signalVoice > 3 || hourCycle <= 0 || lastHour < 0) return false;
  snprintf(name, 16, "OGG_VOX%c%02d", kVoiceSetLetters[signalVoice], lastHour % hourCycle % 100);
  return true;
}

bool GreetingClipName(bool start, int bootVoice, char name[16]) {
  if (bootVoice < 0 || bootVoice > 7) return false;
  snprintf(name, 16, "OGG_VOX%c%02d", kVoiceSetLetters[bootVoice / 2],
           (start ? 28 : 26) + bootVoice % 2);
  return true;
}
