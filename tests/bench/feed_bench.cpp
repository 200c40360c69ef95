// The feed check's parse of a 2 MiB body: a well-formed feed read by expat, against a body expat
// refuses that is nothing but item openings, which the tolerant parser then walks (both as a
// URL feed and as a feed-server feed). The hostile ones should stay within a few times the
// benign one: the walk reads the body once, however many items it opens.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "news/feed_formats.h"
#include "news/feeds.h"

namespace {

constexpr size_t kBodySize = 2 << 20;

// 100 items whose descriptions fill the body, so expat reads all of it.
std::string WellFormedFeed() {
  const std::string description((kBodySize - 4096) / 100 - 160, 'd');
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
      "<title>Clock news</title><link>http://clock.test/</link>\n";
  for (int n = 0; n < 100; ++n) {
    doc += "<item><title>Item " + std::to_string(n) + "</title><link>http://clock.test/" +
           std::to_string(n) + "</link><description>" + description + "</description></item>\n";
  }
  return doc + "</channel></rss>\n";
}

// An unescaped '&' makes expat refuse it; then only empty items follow.
std::string ItemOpenings() {
  std::string doc = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>A & B</title>";
  while (doc.size() + 14 <= kBodySize) doc += "<item ></item>";
  return doc;
}

void ParseUrl(benchmark::State& state, const std::string& doc) {
  auto feed = std::make_unique<FeedRecord>();
  FeedParseReport report;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseUrlFeed(doc.data(), doc.size(), feed.get(), &report));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
  state.SetLabel(FeedParseStatusName(report.status));
}

void BM_UrlFeedWellFormed(benchmark::State& state) { ParseUrl(state, WellFormedFeed()); }
BENCHMARK(BM_UrlFeedWellFormed)->Unit(benchmark::kMillisecond);

void BM_UrlFeedItemOpenings(benchmark::State& state) { ParseUrl(state, ItemOpenings()); }
BENCHMARK(BM_UrlFeedItemOpenings)->Unit(benchmark::kMillisecond);

void BM_ServerFeedItemOpenings(benchmark::State& state) {
  const std::string doc = ItemOpenings();
  auto feed = std::make_unique<FeedRecord>();
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseFeedDocument(doc.c_str(), feed.get(), false));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_ServerFeedItemOpenings)->Unit(benchmark::kMillisecond);

}  // namespace
