// KPZ encoder for our asset tools and tests: header, row filters, LZ stream, raw planar form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct KpzEncodeOptions {
  bool raw = false;       // raw planar payload instead of the compressed one
  int channels = 4;       // 3 drops the alpha channel
  int forcedFilter = 0;   // 0 picks a filter per row; 1-4 uses that filter on every row but the
                          // first (which is always Sub, as the format has no row above it)
  bool lazyMatching = true;
};

// Writes the 32-byte header with every field as the format lists it (also the unread ones).
void WriteKpzHeader(uint8_t* header, int width, int height, int channels, uint16_t storage,
                    uint32_t unpackedSize, uint32_t payloadSize);

// Encodes top-down BGRA pixels (width × 4 bytes per row). False for sizes the format cannot
// hold (0, above 65535) or channel counts other than 3 and 4.
bool EncodeKpz(const uint8_t* bgra, int width, int height, const KpzEncodeOptions& options,
               std::vector<uint8_t>* out);

// The filter-byte table followed by the filtered rows (the bytes the LZ stream carries) of
// interleaved pixels with `channels` bytes each.
std::vector<uint8_t> FilterKpzRows(const uint8_t* interleaved, int width, int height,
                                   int channels, int forcedFilter);

// Compresses `data` into the LZ stream format, end marker and two padding bytes included.
std::vector<uint8_t> PackKpzStream(const uint8_t* data, size_t size, bool lazyMatching);
