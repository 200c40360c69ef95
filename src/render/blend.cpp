// Portable pixel arithmetic shared by the Windows program and the native tests.
#include "render/blend.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/app_state.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define MASCOT_BLEND_SSE2 1
#endif

namespace {

constexpr int kBytesPerPixel = 4;
constexpr int kAlphaByte = 3;

// Callers own the rectangles, but a wrong one would write past a surface, so each is checked
// before the first byte is touched.
bool RectInside(const Surface* s, int x, int y, int w, int h) {
  if (s == nullptr || s->bits == nullptr || s->rowOffsets == nullptr) return false;
  if (s->bytesPerPixel != kBytesPerPixel || s->width < 0 || s->height < 0) return false;
  if (x < 0 || y < 0 || w < 0 || h < 0) return false;
  return x <= s->width - w && y <= s->height - h;
}

uint8_t* PixelAt(Surface* s, int x, int y) {
  return s->bits + s->rowOffsets[y] + static_cast<ptrdiff_t>(x) * kBytesPerPixel;
}

const uint8_t* PixelAt(const Surface* s, int x, int y) {
  return s->bits + s->rowOffsets[y] + static_cast<ptrdiff_t>(x) * kBytesPerPixel;
}

void BlendRowVectorPortable(uint8_t* d, const uint8_t* s, int count) {
  for (int i = 0; i < count; ++i, d += kBytesPerPixel, s += kBytesPerPixel) {
    const unsigned a = s[kAlphaByte];
    if (a == 0) continue;
    if (a == 255) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = 255;
      continue;
    }
    for (int c = 0; c < kBytesPerPixel; ++c) {
      const unsigned v = ((d[c] * (256 - a)) >> 8) + ((s[c] * a) >> 8);
      d[c] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
    d[kAlphaByte] = 255;
  }
}

#if MASCOT_BLEND_SSE2
// Four pixels per step in 16-bit lanes. Both products stay below 65536 (255 × 255 at most),
// so the low-half multiply is exact, and the pack saturates at 255 as the rule asks.
__attribute__((target("sse2"))) void BlendRowVectorSse2(uint8_t* d, const uint8_t* s, int count) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k256 = _mm_set1_epi16(256);
  const __m128i k255 = _mm_set1_epi32(255);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int i = 0;
  for (; i + 4 <= count; i += 4, d += 16, s += 16) {
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i alpha = _mm_srli_epi32(src, 24);
    const __m128i isClear = _mm_cmpeq_epi32(alpha, zero);
    const __m128i isSolid = _mm_cmpeq_epi32(alpha, k255);

    const __m128i srcLo = _mm_unpacklo_epi8(src, zero);
    const __m128i srcHi = _mm_unpackhi_epi8(src, zero);
    const __m128i dstLo = _mm_unpacklo_epi8(dst, zero);
    const __m128i dstHi = _mm_unpackhi_epi8(dst, zero);
    // Spread each pixel's alpha word over its four lanes.
    const __m128i aLo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(srcLo, 0xFF), 0xFF);
    const __m128i aHi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(srcHi, 0xFF), 0xFF);
    const __m128i mixLo =
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(dstLo, _mm_sub_epi16(k256, aLo)), 8),
                      _mm_srli_epi16(_mm_mullo_epi16(srcLo, aLo), 8));
    const __m128i mixHi =
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(dstHi, _mm_sub_epi16(k256, aHi)), 8),
                      _mm_srli_epi16(_mm_mullo_epi16(srcHi, aHi), 8));
    const __m128i mixed = _mm_or_si128(_mm_packus_epi16(mixLo, mixHi), opaque);

    const __m128i solid = _mm_or_si128(src, opaque);
    const __m128i blended =
        _mm_or_si128(_mm_and_si128(isSolid, solid), _mm_andnot_si128(isSolid, mixed));
    const __m128i result =
        _mm_or_si128(_mm_and_si128(isClear, dst), _mm_andnot_si128(isClear, blended));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), result);
  }
  BlendRowVectorPortable(d, s, count - i);
}

// The 64-bit target always has SSE2; a 32-bit processor may have MMX without it.
bool Sse2Usable() {
#if defined(__x86_64__) || defined(__SSE2__)
  return true;
#else
  return CpuFeatures.sse2 != 0;
#endif
}
#endif

void BlendRowScalar(uint8_t* d, const uint8_t* s, int count) {
  for (int i = 0; i < count; ++i, d += kBytesPerPixel, s += kBytesPerPixel) {
    const unsigned a = s[kAlphaByte];
    for (int c = 0; c < 3; ++c) {
      d[c] = static_cast<uint8_t>((((256 - a) * d[c]) >> 8) + ((s[c] * a) >> 8));
    }
  }
}

using RowBlender = void (*)(uint8_t*, const uint8_t*, int);

bool BlendWith(RowBlender blendRow, Surface* destination, int dx, int dy, int w, int h,
               const Surface* source, int sx, int sy) {
  if (h <= 0) return false;
  if (!RectInside(destination, dx, dy, w, h) || !RectInside(source, sx, sy, w, h)) return false;
  for (int y = 0; y < h; ++y) {
    blendRow(PixelAt(destination, dx, dy + y), PixelAt(source, sx, sy + y), w);
  }
  return true;
}

}  // namespace

bool CopyRect(Surface* destination, int dx, int dy, int w, int h, const Surface* source, int sx,
              int sy) {
  if (!RectInside(destination, dx, dy, w, h) || !RectInside(source, sx, sy, w, h)) return false;
  const size_t rowBytes = static_cast<size_t>(w) * kBytesPerPixel;
  // Within one surface a block moved downwards is copied from its bottom row up, so rows not
  // yet copied are never overwritten first.
  const bool bottomUp = destination->bits == source->bits && dy > sy;
  for (int i = 0; i < h; ++i) {
    const int y = bottomUp ? h - 1 - i : i;
    std::memmove(PixelAt(destination, dx, dy + y), PixelAt(source, sx, sy + y), rowBytes);
  }
  return true;
}

bool BlendRectVectorPortable(Surface* destination, int dx, int dy, int w, int h,
                             const Surface* source, int sx, int sy) {
  return BlendWith(BlendRowVectorPortable, destination, dx, dy, w, h, source, sx, sy);
}

bool BlendRectVector(Surface* destination, int dx, int dy, int w, int h, const Surface* source,
                     int sx, int sy) {
#if MASCOT_BLEND_SSE2
  if (Sse2Usable()) {
    return BlendWith(BlendRowVectorSse2, destination, dx, dy, w, h, source, sx, sy);
  }
#endif
  return BlendWith(BlendRowVectorPortable, destination, dx, dy, w, h, source, sx, sy);
}

bool BlendRectScalar(Surface* destination, int dx, int dy, int w, int h, const Surface* source,
                     int sx, int sy) {
  return BlendWith(BlendRowScalar, destination, dx, dy, w, h, source, sx, sy);
}

bool BlendRect(Surface* destination, int dx, int dy, int w, int h, const Surface* source, int sx,
               int sy) {
  if (CpuFeatures.mmx) return BlendRectVector(destination, dx, dy, w, h, source, sx, sy);
  return BlendRectScalar(destination, dx, dy, w, h, source, sx, sy);
}

bool MaskCopyFrom(Surface* destination, int dx, int dy, const Surface* bar) {
  if (!RectInside(destination, dx, dy, kMaskWidth, kMaskHeight) ||
      !RectInside(bar, 0, 0, kMaskWidth, kMaskHeight)) {
    return false;
  }
  for (int y = 0; y < kMaskHeight; ++y) {
    uint8_t* d = PixelAt(destination, dx, dy + y);
    const uint8_t* s = PixelAt(bar, 0, y);
    for (int x = 0; x < kMaskWidth; ++x, d += kBytesPerPixel, s += kBytesPerPixel) {
      if (s[kAlphaByte] == 0) continue;
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[kAlphaByte] = static_cast<uint8_t>(d[kAlphaByte] | s[kAlphaByte]);
    }
  }
  return true;
}

bool MaskCopy(Surface* destination, int dx, int dy) {
  return MaskCopyFrom(destination, dx, dy, &BarSurface);
}

void Premultiply(Surface* surface) {
  if (surface == nullptr || !RectInside(surface, 0, 0, surface->width, surface->height)) return;
  for (int y = 0; y < surface->height; ++y) {
    uint8_t* p = PixelAt(surface, 0, y);
    for (int x = 0; x < surface->width; ++x, p += kBytesPerPixel) {
      const unsigned a = p[kAlphaByte];
      p[0] = static_cast<uint8_t>((p[0] * a) >> 8);
      p[1] = static_cast<uint8_t>((p[1] * a) >> 8);
      p[2] = static_cast<uint8_t>((p[2] * a) >> 8);
    }
  }
}
