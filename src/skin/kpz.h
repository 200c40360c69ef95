// KPZ image container: header, LZ stream, PNG-style row filters and the raw planar payload.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kKpzHeaderSize = 32;
constexpr uint16_t kKpzStorageRaw = 1;
constexpr uint16_t kKpzStorageCompressed = 0;

// Row filter bytes of the compressed payload; any other value leaves the row zero.
constexpr uint8_t kKpzFilterSub = 1;
constexpr uint8_t kKpzFilterUp = 2;
constexpr uint8_t kKpzFilterAverage = 3;
constexpr uint8_t kKpzFilterPaeth = 4;

// Longest back-reference distance and the two copy-length forms of the LZ stream.
constexpr int kKpzMaxDistance = 0xFFF;
constexpr int kKpzMaxShortLength = 17;
constexpr int kKpzMaxLongLength = 257;
constexpr int kKpzMaxLiteralRun = 256;

// Our images are a few hundred pixels on a side; a header asking for more than this is refused
// before anything is allocated, so a hostile file cannot make us zero-fill gigabytes.
constexpr uint64_t kKpzMaxPixels = 1024ull * 1024ull;

struct KpzHeader {
  uint16_t width;
  uint16_t height;
  uint8_t channels;
  uint16_t storage;
  uint32_t unpackedSize;
};

// Why a decode failed (tests and tools report it; the program only needs the boolean).
enum class KpzError {
  kNone,
  kNotKpz,         // shorter than the header or wrong magic
  kBadSize,        // width or height 0, or more than kKpzMaxPixels
  kBadChannels,    // channels other than 3 and 4
  kSmallUnpacked,  // unpacked_size below height + height × width × channels
  kTruncated,      // the payload ends inside an item or before the image is complete
  kOverrun,        // an item would write past unpacked_size
  kBadDistance,    // a back-reference reaching before the start of the output
  kRowAboveFirst,  // Up, Average or Paeth on the first row
  kNoMemory,
};

const char* KpzErrorText(KpzError error);

// A decoded image: top-down BGRA, straight alpha, width × 4 bytes per row, no padding.
// Three-channel images come out with alpha 255. `channels` is what the file stored.
struct KpzImage {
  int width;
  int height;
  int channels;
  uint8_t* pixels;
};

// Reads and checks the 32-byte header: magic, sizes, channels and unpacked_size (the last one
// only matters for compressed payloads, but a stored image always carries it).
bool ReadKpzHeader(const uint8_t* data, size_t size, KpzHeader* header, KpzError* error);

// Decodes a whole KPZ file held in memory. On failure `out` is untouched and `error` (when
// given) says why.
bool DecodeKpzImage(const uint8_t* data, size_t size, KpzImage* out, KpzError* error = nullptr);

// Releases the pixels and zeroes the record; safe on a zeroed record.
void FreeKpzImage(KpzImage* image);

// The LZ stream on its own: expands `input` into the `capacity` bytes at `out`; whatever the
// stream leaves unwritten after its end marker comes out as zeros, as if the buffer had been
// zero-filled. `declaredSize` (>= capacity) is the stream's announced size: an item running past
// it fails, while bytes past `capacity` that stay within it are simply not kept. Ends at the end
// marker or as soon as `capacity` bytes are produced; running out of input before either fails.
// On failure the contents of `out` are unspecified (but nothing outside it is written).
bool UnpackKpzStream(const uint8_t* input, size_t inputSize, uint8_t* out, size_t capacity,
                     size_t declaredSize, KpzError* error);

// The three equivalent ways of undoing the Up filter (tests compare them).
enum class KpzUpPath { kBytewise, kMmx, kSse2 };

// The path the processor and the row length allow: SSE2 for rows that are a multiple of 16
// bytes, MMX for multiples of 8, bytes otherwise.
KpzUpPath ChooseKpzUpPath(size_t rowLength);

// row[i] = filtered[i] + above[i] (mod 256) for i < length; `row` may be `filtered`. A path the
// build cannot run falls back to the bytewise one.
void UnfilterKpzUpRow(uint8_t* row, const uint8_t* filtered, const uint8_t* above, size_t length,
                      KpzUpPath path);
