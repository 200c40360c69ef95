// The news bar's costs: the packed glyph blend against the scalar one, and one ticker step
// (slot stepping plus the alpha copy of the 310 x 30 window) against re-rendering a title's
// glyphs, which is what the design avoids by rendering each title once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "../shared/memory_surface.h"
#include "news/ticker.h"
#include "render/blend.h"

namespace {

// A 24-pixel grey glyph box (65 levels) like the font's.
std::vector<uint8_t> GlyphBox(uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> grey(24 * 24);
  for (auto& g : grey) {
    const uint32_t pick = random() % 8;
    g = pick < 4 ? 0 : pick < 6 ? 64 : static_cast<uint8_t>(random() % 65);
  }
  return grey;
}

// A title of 30 glyphs drawn side by side over what the previous glyph left (the text pass
// mixes where boxes overlap).
template <void (*Blit)(Surface*, int, int, const uint8_t*, int, int, int, const uint8_t*)>
void RenderTitle(benchmark::State& state) {
  MemorySurface surface(kTextSurfaceWidth, kTextSurfaceHeight);
  uint8_t table[256];
  BuildGreyTable(table);
  const std::vector<uint8_t> grey = GlyphBox(7);
  for (auto _ : state) {
    for (int i = 0; i < 30; ++i) Blit(&surface.record, i * 20, 3, grey.data(), 24, 24, 24, table);
    benchmark::DoNotOptimize(surface.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * 30);
}

void BM_GlyphPacked(benchmark::State& state) { RenderTitle<BlitGlyph>(state); }
void BM_GlyphScalar(benchmark::State& state) { RenderTitle<BlitGlyphScalar>(state); }
BENCHMARK(BM_GlyphPacked);
BENCHMARK(BM_GlyphScalar);

// One step as the clock thread takes it: restore the window from the picture, blend each
// slot's visible part, step the chain.
void BM_TickerStep(benchmark::State& state) {
  MemorySurface back(400, 330);
  MemorySurface picture(400, 330);
  MemorySurface text[kTickerSlots] = {{kTextSurfaceWidth, kTextSurfaceHeight},
                                      {kTextSurfaceWidth, kTextSurfaceHeight},
                                      {kTextSurfaceWidth, kTextSurfaceHeight},
                                      {kTextSurfaceWidth, kTextSurfaceHeight}};
  uint8_t table[256];
  BuildGreyTable(table);
  const std::vector<uint8_t> grey = GlyphBox(9);
  for (auto& t : text) {
    for (int i = 0; i < 20; ++i) BlitGlyph(&t.record, i * 20, 3, grey.data(), 24, 24, 24, table);
  }
  TickerSlot slots[kTickerSlots] = {};
  for (int k = 0; k < kTickerSlots; ++k) {
    slots[k].index = static_cast<uint8_t>(k);
    ArmSlot(&slots[k], 400, kTickerWindow);
  }
  int head = 0;
  for (auto _ : state) {
    CopyRect(&back.record, kTickerLeft, kTickerTop, kTickerWindow, kTextSurfaceHeight,
             &picture.record, kTickerLeft, kTickerTop);
    for (int k = 0; k < kTickerSlots; ++k) {
      int x = 0, from = 0, count = 0;
      if (SlotSpan(slots[k], &x, &from, &count)) {
        BlendRect(&back.record, kTickerLeft + x, kTickerTop, count, kTextSurfaceHeight,
                  &text[k].record, from, 0);
      }
    }
    head = StepSlots(slots, head);
    for (int k = 0; k < kTickerSlots; ++k) {
      if (!slots[k].active) ArmSlot(&slots[k], 400, kTickerWindow);
    }
    benchmark::DoNotOptimize(back.pixels.data());
  }
}
BENCHMARK(BM_TickerStep);

}  // namespace
