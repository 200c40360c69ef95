// What the catalogue's short lock is held for: publishing the whole table after a rebuild (the UI
// thread) and copying one skin's record out of it (the clock thread's skin load).
#include <benchmark/benchmark.h>

#include "skin/catalogue.h"

namespace {

void FillCatalogue() {
  ResetCatalogue();
  ParseCatalogue("<brand><title>T</title><code>2</code><skin><name>s</name><file>f</file><rss>r</rss>"
                 "<moji>m</moji></skin></brand>",
                 kSkinFromPackage, "p.skn");
  PublishCatalogue();
}

void PublishWholeTable(benchmark::State& state) {
  FillCatalogue();
  for (auto _ : state) PublishCatalogue();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sizeof BrandTable));
}
BENCHMARK(PublishWholeTable);

void CopyOneSkin(benchmark::State& state) {
  FillCatalogue();
  SkinRecord skin;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CopyPublishedSkin(1, 0, &skin));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(CopyOneSkin);

}  // namespace
