// Decoding an Ogg Vorbis clip from memory into a WAV image that the platform plays from memory.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kFailedSeek = 0xFFFFFFFFu;
constexpr size_t kWavHeaderSize = 44;

// The decoder's view of the clip bytes.
struct MemoryClipSource {
  uint32_t position;  // next byte to read; kFailedSeek after a seek the source refused
  uint32_t size;
  const uint8_t* data;
};

// The decoder callbacks over a MemoryClipSource (libvorbisfile's slot order and signatures).
size_t ClipRead(void* destination, size_t elementSize, size_t elementCount, void* source);
int ClipSeek(void* source, int64_t offset, int origin);
int ClipClose(void* source);
long ClipTell(void* source);

// Writes the 44-byte header of a 16-bit PCM WAV image holding `dataBytes` of samples.
void WriteWavHeader(uint8_t* header, uint32_t dataBytes, int channels, long rate);

enum class ClipResult {
  kOk,
  kCorrupt,    // the stream is not usable Vorbis: the open itself failed
  kUnusable,   // no stream information, or a decode error part way
};

// Decodes the clip into a new heap block holding a complete WAV image (free() it).
// `openError` receives the decoder's open result when that is what failed. On failure nothing
// is allocated and the outputs other than `openError` are untouched.
ClipResult DecodeClipBytes(const uint8_t* data, size_t size, uint8_t** image, size_t* imageSize,
                           int* openError);

// How long a WAV image of ours plays, in milliseconds (0 for anything shorter than a header or
// without a byte rate). The data size is taken as at most what the image holds.
uint32_t WavImageMs(const uint8_t* image, size_t size);

// A new heap block (free() it) holding `image`'s samples `times` times in a row behind a header
// that counts them all, so one play sounds them back to back. Fails, with the outputs
// untouched, for fewer than one time, an image shorter than its header says, or a size past
// what the header can count.
bool RepeatWavImage(const uint8_t* image, size_t size, int times, uint8_t** repeated,
                    size_t* repeatedSize);

// The clip names of the voices: the hour announcement for `lastHour` in a day of `hourCycle`
// hours by voice set `signalVoice`, and the start or exit greeting of `bootVoice` (0-7).
// False, with `name` untouched, when the choice names no clip.
bool HourClipName(int lastHour, int hourCycle, int signalVoice, char name[16]);
bool GreetingClipName(bool start, int bootVoice, char name[16]);
