// Portable pixel arithmetic shared by the Windows program and the native tests.
#include "render/blend.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/app_state.h"

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
// Eight pixels per step, held as two registers lo (pixels 0-3) and hi (pixels 4-7).
//
// Every product is _mm_mulhi_epu16(value << 8, weight): (v × 256 × w) >> 16 is exactly
// (v × w) >> 8, so the multiply also does the shift. Blue and red sit in the low byte of each
// 16-bit lane and are moved up with one shift; green and alpha already sit in the high byte
// and only need the low byte masked off.
//
// Alpha 0 and 255 need no branch and no select: the source weight is alpha, except that 255
// becomes 256 (still an unsigned lane). Then alpha 0 gives (d × 256) >> 8 + 0 = d for all four
// bytes, alpha 255 gives 0 + (s × 256) >> 8 = s, and the source alpha there is already 255.
// What is left is forcing alpha 255 on every pixel whose source alpha is not 0.
//
// The alphas of the eight pixels are packed into one register, one 16-bit lane per pixel,
// so the weight arithmetic is done once for eight pixels and then widened to both lanes of
// each pixel. The sums reach 510 at most and the unsigned pack saturates them to 255, as the
// rule asks; packing blue/red and green/alpha apart lays each pixel's green and alpha in one
// 16-bit lane, which is where the per-pixel alpha mask already is, and one byte interleave
// restores the pixel order.
__attribute__((target("sse2"), always_inline)) inline void BlendEightSse2(__m128i& dstLo,
                                                                          __m128i& dstHi,
                                                                          __m128i srcLo,
                                                                          __m128i srcHi) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i highBytes = _mm_set1_epi16(static_cast<short>(0xFF00));
  const __m128i alpha = _mm_packs_epi32(_mm_srli_epi32(srcLo, 24), _mm_srli_epi32(srcHi, 24));
  const __m128i srcWeight = _mm_sub_epi16(alpha, _mm_cmpeq_epi16(alpha, _mm_set1_epi16(255)));
  const __m128i srcWeightLo = _mm_unpacklo_epi16(srcWeight, srcWeight);
  const __m128i srcWeightHi = _mm_unpackhi_epi16(srcWeight, srcWeight);
  // Subtracting after the widening costs one operation less than widening a second register.
  const __m128i k256 = _mm_set1_epi16(256);
  const __m128i dstWeightLo = _mm_sub_epi16(k256, srcWeightLo);
  const __m128i dstWeightHi = _mm_sub_epi16(k256, srcWeightHi);

  const __m128i blueRedLo =
      _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(dstLo, 8), dstWeightLo),
                    _mm_mulhi_epu16(_mm_slli_epi16(srcLo, 8), srcWeightLo));
  const __m128i blueRedHi =
      _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(dstHi, 8), dstWeightHi),
                    _mm_mulhi_epu16(_mm_slli_epi16(srcHi, 8), srcWeightHi));
  const __m128i greenAlphaLo =
      _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(dstLo, highBytes), dstWeightLo),
                    _mm_mulhi_epu16(_mm_and_si128(srcLo, highBytes), srcWeightLo));
  const __m128i greenAlphaHi =
      _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(dstHi, highBytes), dstWeightHi),
                    _mm_mulhi_epu16(_mm_and_si128(srcHi, highBytes), srcWeightHi));

  const __m128i blueRed = _mm_packus_epi16(blueRedLo, blueRedHi);
  const __m128i opaque = _mm_andnot_si128(_mm_cmpeq_epi16(alpha, zero), highBytes);
  const __m128i greenAlpha = _mm_or_si128(_mm_packus_epi16(greenAlphaLo, greenAlphaHi), opaque);
  dstLo = _mm_unpacklo_epi8(blueRed, greenAlpha);
  dstHi = _mm_unpackhi_epi8(blueRed, greenAlpha);
}

// Loads or stores the first count (0 to 4) pixels of a register without touching memory past
// them, so a row's last partial group goes through the same arithmetic as the full ones.
__attribute__((target("sse2"), always_inline)) inline __m128i LoadPixels(const uint8_t* p,
                                                                         int count) {
  if (count >= 4) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i v = _mm_setzero_si128();
  if (count >= 2) v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  if (count & 1) {
    int last;
    std::memcpy(&last, p + (count - 1) * kBytesPerPixel, sizeof last);
    const __m128i one = _mm_cvtsi32_si128(last);
    v = count == 3 ? _mm_unpacklo_epi64(v, one) : one;
  }
  return v;
}

__attribute__((target("sse2"), always_inline)) inline void StorePixels(uint8_t* p, __m128i v,
                                                                       int count) {
  if (count >= 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    return;
  }
  if (count >= 2) _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
  if (count & 1) {
    const int last = _mm_cvtsi128_si32(count == 3 ? _mm_srli_si128(v, 8) : v);
    std::memcpy(p + (count - 1) * kBytesPerPixel, &last, sizeof last);
  }
}

__attribute__((target("sse2"))) void BlendRowVectorSse2(uint8_t* d, const uint8_t* s, int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8, d += 32, s += 32) {
    __m128i dstLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    __m128i dstHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 16));
    BlendEightSse2(dstLo, dstHi, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)),
                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), dstLo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), dstHi);
  }
  const int rest = count - i;
  if (rest <= 0) return;
  // Lanes past the row hold zeros, which blend to zeros and are never stored.
  const int restLo = rest < 4 ? rest : 4;
  const int restHi = rest - restLo;
  __m128i dstLo = LoadPixels(d, restLo);
  __m128i dstHi = LoadPixels(d + 16, restHi);
  BlendEightSse2(dstLo, dstHi, LoadPixels(s, restLo), LoadPixels(s + 16, restHi));
  StorePixels(d, dstLo, restLo);
  StorePixels(d + 16, dstHi, restHi);
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

bool MaskCopyBlock(Surface* destination, int dx, int dy, const Surface* bar, int w, int h) {
  if (!RectInside(destination, dx, dy, w, h) || !RectInside(bar, 0, 0, w, h)) return false;
  for (int y = 0; y < h; ++y) {
    uint8_t* d = PixelAt(destination, dx, dy + y);
    const uint8_t* s = PixelAt(bar, 0, y);
    for (int x = 0; x < w; ++x, d += kBytesPerPixel, s += kBytesPerPixel) {
      if (s[kAlphaByte] == 0) continue;
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[kAlphaByte] = static_cast<uint8_t>(d[kAlphaByte] | s[kAlphaByte]);
    }
  }
  return true;
}

bool MaskCopyFrom(Surface* destination, int dx, int dy, const Surface* bar) {
  return MaskCopyBlock(destination, dx, dy, bar, kMaskWidth, kMaskHeight);
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
