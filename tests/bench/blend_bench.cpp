// Speed of the two blend rules against a plain copy of the same bytes, and of premultiplication.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "../shared/memory_surface.h"
#include "render/blend.h"

namespace {

struct BenchSurface : MemorySurface {
  BenchSurface(int width, int height, uint32_t seed) : MemorySurface(width, height) {
    std::mt19937 random(seed);
    for (auto& byte : pixels) byte = static_cast<uint8_t>(random());
    // Glyph-like alpha: mostly clear or solid with anti-aliased edges between.
    for (size_t i = 3; i < pixels.size(); i += 4) {
      const uint32_t pick = random() % 8;
      pixels[i] = pick < 3 ? 0 : pick < 6 ? 255 : static_cast<uint8_t>(random());
    }
  }
};

using BlendFunction = bool (*)(Surface*, int, int, int, int, const Surface*, int, int);

void RunBlend(benchmark::State& state, BlendFunction blend) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  BenchSurface src(w, h, 1);
  BenchSurface dst(w, h, 2);
  for (auto _ : state) {
    blend(&dst.record, 0, 0, w, h, &src.record, 0, 0);
    benchmark::DoNotOptimize(dst.pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_BlendVector(benchmark::State& state) { RunBlend(state, BlendRectVector); }
void BM_BlendVectorPortable(benchmark::State& state) { RunBlend(state, BlendRectVectorPortable); }
void BM_BlendScalar(benchmark::State& state) { RunBlend(state, BlendRectScalar); }
void BM_CopyRect(benchmark::State& state) { RunBlend(state, CopyRect); }

void BM_Memcpy(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  BenchSurface src(w, h, 1);
  BenchSurface dst(w, h, 2);
  for (auto _ : state) {
    for (int y = 0; y < h; ++y) {
      std::memcpy(dst.pixels.data() + dst.rows[y], src.pixels.data() + src.rows[y],
                  static_cast<size_t>(w) * 4);
    }
    benchmark::DoNotOptimize(dst.pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_Premultiply(benchmark::State& state) {
  BenchSurface original(400, 330, 3);
  BenchSurface work(400, 330, 3);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.pixels.data(), original.pixels.data(), original.pixels.size());
    state.ResumeTiming();
    Premultiply(&work.record);
    benchmark::DoNotOptimize(work.pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 400 * 330);
}

#define SIZES Args({400, 330})->Args({18, 28})
BENCHMARK(BM_BlendVector)->SIZES;
BENCHMARK(BM_BlendVectorPortable)->SIZES;
BENCHMARK(BM_BlendScalar)->SIZES;
BENCHMARK(BM_CopyRect)->SIZES;
BENCHMARK(BM_Memcpy)->SIZES;
BENCHMARK(BM_Premultiply);

}  // namespace
