// feed-read: reads a feed document with the URL-feed parser and prints what the clock would keep,
// or times the parse.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "news/feed_formats.h"

namespace {

void Usage(FILE* to) {
  fprintf(to,
          "usage: feed-read FILE\n"
          "       feed-read --time N FILE\n"
          "\n"
          "Reads FILE as the clock reads a URL feed (RSS 2.0, Atom or RSS 1.0) and prints how it\n"
          "was read, the channel title and link, then per item its title, link, date, extend and\n"
          "description, in UTF-8. With --time, parses FILE N times and prints the fastest and\n"
          "the median time of one parse in milliseconds instead.\n"
          "Exits with 1 when FILE cannot be read or is no feed.\n");
}

const char* FormatName(FeedFormat format) {
  switch (format) {
    case FeedFormat::kRss2:
      return "RSS 2.0";
    case FeedFormat::kAtom:
      return "Atom";
    case FeedFormat::kRss1:
      return "RSS 1.0";
    case FeedFormat::kUnknown:
      break;
  }
  return "unknown";
}

bool ReadFile(const char* path, std::vector<char>* bytes) {
  FILE* f = fopen(path, "rb");
  if (f == nullptr) {
    fprintf(stderr, "feed-read: cannot open '%s': %s\n", path, strerror(errno));
    return false;
  }
  char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes->insert(bytes->end(), chunk, chunk + n);
  const bool failed = ferror(f) != 0;
  fclose(f);
  if (failed) fprintf(stderr, "feed-read: cannot read '%s'\n", path);
  return !failed;
}

int Time(const std::vector<char>& bytes, long runs, FeedRecord* feed) {
  std::vector<double> times;
  FeedParseReport report;
  for (long i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = ParseUrlFeed(bytes.data(), bytes.size(), feed, &report);
    const auto end = std::chrono::steady_clock::now();
    if (!ok) {
      fprintf(stderr, "feed-read: not read: %s\n", FeedParseStatusName(report.status));
      return 1;
    }
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  printf("%ld parses of %zu bytes, %d items: fastest %.3f ms, median %.3f ms\n", runs,
         bytes.size(), feed->item_count, times.front(), times[times.size() / 2]);
  return 0;
}

int Print(const std::vector<char>& bytes, FeedRecord* feed) {
  FeedParseReport report;
  const bool ok = ParseUrlFeed(bytes.data(), bytes.size(), feed, &report);
  printf("format: %s\nstatus: %s", FormatName(report.format), FeedParseStatusName(report.status));
  if (report.line != 0) printf(" (%s at line %lu)", report.fault, report.line);
  printf("\n");
  if (!ok) return 1;
  printf("channel: %s\nlink: %s\nitems: %d\n", feed->channel_title, feed->channel_link,
         feed->item_count);
  for (int i = 0; i < feed->item_count; ++i) {
    const FeedItem& item = feed->items[i];
    printf("\n[%d] %s\n  link: %s\n  date: %s\n", i, item.title, item.link, item.date);
    if (item.extend[0] != '\0') printf("  extend: %s\n", item.extend);
    printf("  %s\n", item.description);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    Usage(stdout);
    return 0;
  }
  long runs = 0;
  const char* path = nullptr;
  if (argc == 4 && strcmp(argv[1], "--time") == 0) {
    char* end = nullptr;
    runs = strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || runs < 1 || runs > 100000) {
      Usage(stderr);
      return 2;
    }
    path = argv[3];
  } else if (argc == 2 && argv[1][0] != '-') {
    path = argv[1];
  } else {
    Usage(stderr);
    return 2;
  }
  std::vector<char> bytes;
  if (!ReadFile(path, &bytes)) return 1;
  auto feed = std::make_unique<FeedRecord>();
  memset(feed.get(), 0, sizeof(FeedRecord));
  return runs > 0 ? Time(bytes, runs, feed.get()) : Print(bytes, feed.get());
}
