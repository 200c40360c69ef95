// KPZ decoder; every size and offset is checked first, as images also come in downloaded packages.
#include "skin/kpz.h"

#include <cstdlib>
#include <cstring>

#include "base/app_state.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#include <mmintrin.h>
#define MASCOT_KPZ_X86 1
#endif

namespace {

constexpr uint8_t kMagic[4] = {0x4B, 0x50, 0x5A, 0x00};
constexpr int kBytesPerPixel = 4;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool Fail(KpzError* error, KpzError why) {
  if (error != nullptr) *error = why;
  return false;
}

// Bytes of the filter-byte table plus the filtered rows.
uint64_t NeededUnpackedSize(const KpzHeader& h) {
  return static_cast<uint64_t>(h.height) +
         static_cast<uint64_t>(h.height) * h.width * h.channels;
}

void UpBytewise(uint8_t* row, const uint8_t* filtered, const uint8_t* above, size_t length) {
  for (size_t i = 0; i < length; ++i) row[i] = static_cast<uint8_t>(filtered[i] + above[i]);
}

#if MASCOT_KPZ_X86
__attribute__((target("sse2"))) void UpSse2(uint8_t* row, const uint8_t* filtered,
                                            const uint8_t* above, size_t length) {
  size_t i = 0;
  for (; i + 16 <= length; i += 16) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(filtered + i));
    const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_add_epi8(f, u));
  }
  UpBytewise(row + i, filtered + i, above + i, length - i);
}

__attribute__((target("mmx"))) void UpMmx(uint8_t* row, const uint8_t* filtered,
                                          const uint8_t* above, size_t length) {
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    __m64 f;
    __m64 u;
    std::memcpy(&f, filtered + i, 8);
    std::memcpy(&u, above + i, 8);
    const __m64 sum = _mm_add_pi8(f, u);
    std::memcpy(row + i, &sum, 8);
  }
  // The MMX registers alias the x87 stack; leave it usable for floating-point code.
  _mm_empty();
  UpBytewise(row + i, filtered + i, above + i, length - i);
}
#endif

constexpr size_t kBlock = 16;

// Copies `count` bytes forward. Whole 16-byte blocks are moved while both sides have room for
// the last block (`sourceRoom`, `targetRoom` bytes from the start): the few bytes written past
// `count` are overwritten by the next item or cleared at the end of the stream.
inline void CopyForward(uint8_t* dst, const uint8_t* src, size_t count, size_t sourceRoom,
                        size_t targetRoom) {
  const size_t rounded = (count + kBlock - 1) & ~(kBlock - 1);
  if (rounded <= sourceRoom && rounded <= targetRoom) {
    for (size_t i = 0; i < count; i += kBlock) std::memcpy(dst + i, src + i, kBlock);
  } else {
    std::memcpy(dst, src, count);
  }
}

// Copies `count` bytes from `distance` bytes back, byte order preserved, so a copy longer than
// the distance repeats the last `distance` bytes.
inline void CopyMatch(uint8_t* dst, size_t distance, size_t count, size_t targetRoom) {
  const uint8_t* src = dst - distance;
  if (distance >= kBlock) {
    // Each block reads bytes at least 16 behind the ones it writes: already final.
    size_t i = 0;
    if (((count + kBlock - 1) & ~(kBlock - 1)) <= targetRoom) {
      for (; i < count; i += kBlock) std::memcpy(dst + i, src + i, kBlock);
      return;
    }
    for (; i + kBlock <= count; i += kBlock) std::memcpy(dst + i, src + i, kBlock);
    for (; i < count; ++i) dst[i] = src[i];
    return;
  }
  if (distance == 1) {
    std::memset(dst, *src, count);
    return;
  }
  // The bytes from src on repeat with period `distance`, so any multiple of it is a period as
  // well: copy one period, then ever larger ones.
  size_t period = distance;
  size_t done = 0;
  while (done < count) {
    const size_t chunk = count - done < period ? count - done : period;
    std::memcpy(dst + done, dst + done - period, chunk);
    done += chunk;
    if (2 * period <= done + distance) period *= 2;
  }
}

#if MASCOT_KPZ_X86
// Four-channel Sub, Average and Paeth one pixel per step in the vector unit, the way the usual
// PNG decoders do it; the results are exactly those of the byte rules below.
inline __attribute__((target("sse2"))) __m128i LoadPixel(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtsi32_si128(static_cast<int>(v));
}

inline __attribute__((target("sse2"))) void StorePixel(uint8_t* p, __m128i v) {
  const uint32_t bits = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
  std::memcpy(p, &bits, 4);
}

__attribute__((target("sse2"))) void SubRow4Sse2(uint8_t* row, const uint8_t* filtered,
                                                 size_t length) {
  __m128i left = _mm_setzero_si128();
  for (size_t i = 0; i < length; i += 4) {
    left = _mm_add_epi8(left, LoadPixel(filtered + i));
    StorePixel(row + i, left);
  }
}

__attribute__((target("sse2"))) void AverageRow4Sse2(uint8_t* row, const uint8_t* filtered,
                                                     const uint8_t* above, size_t length) {
  const __m128i one = _mm_set1_epi8(1);
  __m128i left = _mm_add_epi8(LoadPixel(filtered), LoadPixel(above));
  StorePixel(row, left);
  for (size_t i = 4; i < length; i += 4) {
    const __m128i up = LoadPixel(above + i);
    // avg_epu8 rounds up; taking back the odd bit gives floor((left + up) / 2).
    const __m128i mean =
        _mm_sub_epi8(_mm_avg_epu8(left, up), _mm_and_si128(_mm_xor_si128(left, up), one));
    left = _mm_add_epi8(LoadPixel(filtered + i), mean);
    StorePixel(row + i, left);
  }
}

inline __attribute__((target("sse2"))) __m128i Abs16(__m128i v) {
  return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

inline __attribute__((target("sse2"))) __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Left and upper-left start at 0, which makes the predictor of the first pixel the byte above,
// as the first-pixel rule asks: |p - up| = 0 wins unless up is 0 too.
__attribute__((target("sse2"))) void PaethRow4Sse2(uint8_t* row, const uint8_t* filtered,
                                                   const uint8_t* above, size_t length) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero;
  __m128i b = zero;
  for (size_t i = 0; i < length; i += 4) {
    const __m128i c = b;
    b = _mm_unpacklo_epi8(LoadPixel(above + i), zero);
    const __m128i f = _mm_unpacklo_epi8(LoadPixel(filtered + i), zero);
    const __m128i towardsLeft = _mm_sub_epi16(b, c);  // p - left
    const __m128i towardsUp = _mm_sub_epi16(a, c);    // p - up
    const __m128i pa = Abs16(towardsLeft);
    const __m128i pb = Abs16(towardsUp);
    const __m128i pc = Abs16(_mm_add_epi16(towardsLeft, towardsUp));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i predictor =
        Select(_mm_cmpeq_epi16(pa, smallest), a, Select(_mm_cmpeq_epi16(pb, smallest), b, c));
    // Bytewise addition keeps every lane below 256: the sum wraps like the byte rule.
    a = _mm_add_epi8(f, predictor);
    StorePixel(row + i, _mm_packus_epi16(a, a));
  }
}
#endif

// Rebuilds one row. `row` may equal `filtered` (in-place work buffer): every byte is read before
// it is written and only earlier bytes are read back. `above` is null for the first row.
void UnfilterRow(uint8_t filter, uint8_t* row, const uint8_t* filtered, const uint8_t* above,
                 size_t length, size_t k, KpzUpPath upPath, bool vector4) {
#if MASCOT_KPZ_X86
  if (vector4) {
    switch (filter) {
      case kKpzFilterSub: SubRow4Sse2(row, filtered, length); return;
      case kKpzFilterAverage: AverageRow4Sse2(row, filtered, above, length); return;
      case kKpzFilterPaeth: PaethRow4Sse2(row, filtered, above, length); return;
      default: break;
    }
  }
#else
  (void)vector4;
#endif
  switch (filter) {
    case kKpzFilterSub:
      for (size_t i = 0; i < k; ++i) row[i] = filtered[i];
      for (size_t i = k; i < length; ++i) row[i] = static_cast<uint8_t>(filtered[i] + row[i - k]);
      return;
    case kKpzFilterUp:
      UnfilterKpzUpRow(row, filtered, above, length, upPath);
      return;
    case kKpzFilterAverage:
      // The first pixel adds the whole byte above, not half of it (there is no left byte).
      for (size_t i = 0; i < k; ++i) row[i] = static_cast<uint8_t>(filtered[i] + above[i]);
      for (size_t i = k; i < length; ++i) {
        row[i] = static_cast<uint8_t>(filtered[i] + ((row[i - k] + above[i]) >> 1));
      }
      return;
    case kKpzFilterPaeth:
      for (size_t i = 0; i < k; ++i) row[i] = static_cast<uint8_t>(filtered[i] + above[i]);
      for (size_t i = k; i < length; ++i) {
        const int a = row[i - k];
        const int b = above[i];
        const int c = above[i - k];
        // pa = |p - a| = |b - c|, pb = |p - b| = |a - c|, pc = |p - c| with p = a + b - c.
        const int pa = std::abs(b - c);
        const int pb = std::abs(a - c);
        const int pc = std::abs(a + b - 2 * c);
        const int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        row[i] = static_cast<uint8_t>(filtered[i] + predictor);
      }
      return;
    default:
      // Unknown filters keep the zero fill of the work buffer.
      std::memset(row, 0, length);
      return;
  }
}

bool DecodeRaw(const KpzHeader& h, const uint8_t* payload, size_t payloadSize, uint8_t* pixels,
               KpzError* error) {
  const size_t count = static_cast<size_t>(h.width) * h.height;
  if (payloadSize / h.channels < count) return Fail(error, KpzError::kTruncated);
  const uint8_t* blue = payload;
  const uint8_t* green = blue + count;
  const uint8_t* red = green + count;
  const uint8_t* alpha = h.channels == 4 ? red + count : nullptr;
  size_t i = 0;
  // Four pixels per step: one 32-bit read from each plane, four 32-bit pixels written.
  for (; i + 4 <= count; i += 4) {
    uint32_t b;
    uint32_t g;
    uint32_t r;
    uint32_t a = 0xFFFFFFFFu;
    std::memcpy(&b, blue + i, 4);
    std::memcpy(&g, green + i, 4);
    std::memcpy(&r, red + i, 4);
    if (alpha != nullptr) std::memcpy(&a, alpha + i, 4);
    uint8_t* out = pixels + i * kBytesPerPixel;
    for (int p = 0; p < 4; ++p) {
      const int shift = p * 8;
      out[p * 4 + 0] = static_cast<uint8_t>(b >> shift);
      out[p * 4 + 1] = static_cast<uint8_t>(g >> shift);
      out[p * 4 + 2] = static_cast<uint8_t>(r >> shift);
      out[p * 4 + 3] = static_cast<uint8_t>(a >> shift);
    }
  }
  for (; i < count; ++i) {
    uint8_t* out = pixels + i * kBytesPerPixel;
    out[0] = blue[i];
    out[1] = green[i];
    out[2] = red[i];
    out[3] = alpha != nullptr ? alpha[i] : 0xFF;
  }
  return true;
}

bool DecodeCompressed(const KpzHeader& h, const uint8_t* payload, size_t payloadSize,
                      uint8_t* pixels, KpzError* error) {
  const size_t width = h.width;
  const size_t height = h.height;
  const size_t k = h.channels;
  const size_t rowLength = width * k;
  const size_t needed = static_cast<size_t>(NeededUnpackedSize(h));
  // Only the bytes the image uses are kept; a larger unpacked_size is honoured as the limit for
  // the stream's items, but nothing past `needed` is ever read. The stream fills the buffer
  // completely, zeros included, so it needs no clearing first.
  uint8_t* work = static_cast<uint8_t*>(std::malloc(needed));
  if (work == nullptr) return Fail(error, KpzError::kNoMemory);
  if (!UnpackKpzStream(payload, payloadSize, work, needed, h.unpackedSize, error)) {
    std::free(work);
    return false;
  }
  const uint8_t* filters = work;
  uint8_t* rows = work + height;
  if (filters[0] >= kKpzFilterUp && filters[0] <= kKpzFilterPaeth) {
    std::free(work);
    return Fail(error, KpzError::kRowAboveFirst);
  }
  const KpzUpPath upPath = ChooseKpzUpPath(rowLength);
  const bool vector4 = k == 4 && CpuFeatures.sse2;
  if (k == 4) {
    // Four channels: the pixel rows are the reconstruction buffer.
    for (size_t y = 0; y < height; ++y) {
      uint8_t* row = pixels + y * rowLength;
      UnfilterRow(filters[y], row, rows + y * rowLength, y == 0 ? nullptr : row - rowLength,
                  rowLength, k, upPath, vector4);
    }
  } else {
    for (size_t y = 0; y < height; ++y) {
      uint8_t* row = rows + y * rowLength;
      UnfilterRow(filters[y], row, row, y == 0 ? nullptr : row - rowLength, rowLength, k, upPath,
                  false);
    }
    const size_t count = width * height;
    for (size_t i = 0; i < count; ++i) {
      pixels[i * 4 + 0] = rows[i * 3 + 0];
      pixels[i * 4 + 1] = rows[i * 3 + 1];
      pixels[i * 4 + 2] = rows[i * 3 + 2];
      pixels[i * 4 + 3] = 0xFF;
    }
  }
  std::free(work);
  return true;
}

}  // namespace

const char* KpzErrorText(KpzError error) {
  switch (error) {
    case KpzError::kNone: return "no error";
    case KpzError::kNotKpz: return "not a KPZ image (short file or wrong magic)";
    case KpzError::kBadSize: return "width or height is 0 or the image is too large";
    case KpzError::kBadChannels: return "channel count is neither 3 nor 4";
    case KpzError::kSmallUnpacked: return "unpacked size is too small for the image";
    case KpzError::kTruncated: return "the payload ends early";
    case KpzError::kOverrun: return "the stream runs past its unpacked size";
    case KpzError::kBadDistance: return "a back-reference points before the start";
    case KpzError::kRowAboveFirst: return "the first row refers to a row above it";
    case KpzError::kNoMemory: return "out of memory";
  }
  return "unknown error";
}

bool ReadKpzHeader(const uint8_t* data, size_t size, KpzHeader* header, KpzError* error) {
  if (data == nullptr || size < kKpzHeaderSize || std::memcmp(data, kMagic, 4) != 0) {
    return Fail(error, KpzError::kNotKpz);
  }
  KpzHeader h;
  h.width = ReadU16(data + 4);
  h.height = ReadU16(data + 6);
  h.channels = data[8];
  h.storage = ReadU16(data + 10);
  h.unpackedSize = ReadU32(data + 24);
  if (h.width == 0 || h.height == 0) return Fail(error, KpzError::kBadSize);
  if (static_cast<uint64_t>(h.width) * h.height > kKpzMaxPixels) {
    return Fail(error, KpzError::kBadSize);
  }
  if (h.channels != 3 && h.channels != 4) return Fail(error, KpzError::kBadChannels);
  if (h.storage != kKpzStorageRaw && h.unpackedSize < NeededUnpackedSize(h)) {
    return Fail(error, KpzError::kSmallUnpacked);
  }
  *header = h;
  return true;
}

bool UnpackKpzStream(const uint8_t* input, size_t inputSize, uint8_t* out, size_t capacity,
                     size_t declaredSize, KpzError* error) {
  if (declaredSize < capacity) declaredSize = capacity;
  size_t in = 0;
  size_t pos = 0;
  for (;;) {
    if (pos >= capacity) return true;
    if (in >= inputSize) return Fail(error, KpzError::kTruncated);
    unsigned flags = input[in++];
    for (int item = 0; item < 8; ++item, flags >>= 1) {
      if (pos >= capacity) return true;
      if (flags & 1u) {
        if (in >= inputSize) return Fail(error, KpzError::kTruncated);
        size_t count = input[in++];
        if (count == 0) count = kKpzMaxLiteralRun;
        if (count > inputSize - in) return Fail(error, KpzError::kTruncated);
        if (count > declaredSize - pos) return Fail(error, KpzError::kOverrun);
        const size_t kept = count < capacity - pos ? count : capacity - pos;
        CopyForward(out + pos, input + in, kept, inputSize - in, capacity - pos);
        in += count;
        pos += kept;
        continue;
      }
      if (inputSize - in < 2) return Fail(error, KpzError::kTruncated);
      const unsigned word = ReadU16(input + in);
      in += 2;
      const size_t distance = word & 0xFFFu;
      if (distance == 0) {
        // The rest of the output keeps the zero fill (and loses any over-copy of the last item).
        std::memset(out + pos, 0, capacity - pos);
        return true;
      }
      size_t length = word >> 12;
      if (length == 0) {
        if (in >= inputSize) return Fail(error, KpzError::kTruncated);
        length = static_cast<size_t>(input[in++]) + 2;
      } else {
        length += 2;
      }
      if (distance > pos) return Fail(error, KpzError::kBadDistance);
      if (length > declaredSize - pos) return Fail(error, KpzError::kOverrun);
      const size_t kept = length < capacity - pos ? length : capacity - pos;
      CopyMatch(out + pos, distance, kept, capacity - pos);
      pos += kept;
    }
  }
}

KpzUpPath ChooseKpzUpPath(size_t rowLength) {
  if (CpuFeatures.sse2 && rowLength % 16 == 0) return KpzUpPath::kSse2;
  if (CpuFeatures.mmx && rowLength % 8 == 0) return KpzUpPath::kMmx;
  return KpzUpPath::kBytewise;
}

void UnfilterKpzUpRow(uint8_t* row, const uint8_t* filtered, const uint8_t* above, size_t length,
                      KpzUpPath path) {
#if MASCOT_KPZ_X86
  if (path == KpzUpPath::kSse2) {
    UpSse2(row, filtered, above, length);
    return;
  }
  if (path == KpzUpPath::kMmx) {
    UpMmx(row, filtered, above, length);
    return;
  }
#else
  (void)path;
#endif
  UpBytewise(row, filtered, above, length);
}

bool DecodeKpzImage(const uint8_t* data, size_t size, KpzImage* out, KpzError* error) {
  KpzHeader h;
  if (!ReadKpzHeader(data, size, &h, error)) return false;
  const size_t pixelBytes = static_cast<size_t>(h.width) * h.height * kBytesPerPixel;
  // Every byte is written below (rows with an unknown filter are cleared explicitly).
  uint8_t* pixels = static_cast<uint8_t*>(std::malloc(pixelBytes));
  if (pixels == nullptr) return Fail(error, KpzError::kNoMemory);
  const uint8_t* payload = data + kKpzHeaderSize;
  const size_t payloadSize = size - kKpzHeaderSize;
  const bool ok = h.storage == kKpzStorageRaw
                      ? DecodeRaw(h, payload, payloadSize, pixels, error)
                      : DecodeCompressed(h, payload, payloadSize, pixels, error);
  if (!ok) {
    std::free(pixels);
    return false;
  }
  out->width = h.width;
  out->height = h.height;
  out->channels = h.channels;
  out->pixels = pixels;
  if (error != nullptr) *error = KpzError::kNone;
  return true;
}

void FreeKpzImage(KpzImage* image) {
  if (image == nullptr) return;
  std::free(image->pixels);
  *image = KpzImage{};
}

