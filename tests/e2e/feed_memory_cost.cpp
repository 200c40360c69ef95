// scripts/measure-feed-memory.sh: the feed check's memory over 100 checks of two feeds given by
// address, each a 2 MiB document (one over HTTPS, one gzip-coded over HTTP), from the loopback
// servers of tests/win32/feed_http/feed_servers.py.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/test_hooks_win32.h"
#include "news/feeds_win32.h"
#include "news/news_state.h"
#include "settings/settings.h"
#include "../shared/test_ca_win32.h"

namespace {

void Report(int check, bool ok) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(),
                       reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  LockNews();
  const int items0 = Feeds[0].item_count;
  const int items1 = Feeds[1].item_count;
  UnlockNews();
  // Wine leaves PrivateUsage at 0; the commit charge (PagefileUsage) is the same figure on
  // Windows.
  const SIZE_T privateBytes =
      counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
  printf("check %3d: %s, items %d + %d, working set %lu KiB, private bytes %lu KiB\n", check,
         ok ? "published" : "FAILED", items0, items1,
         static_cast<unsigned long>(counters.WorkingSetSize / 1024),
         static_cast<unsigned long>(privateBytes / 1024));
  fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], kTrustTestCaArgument) == 0) return ChangeTestCa(true) ? 0 : 1;
  InitTestHooks();
  const char* list = getenv("TARVO_FEED_PORTS");
  int plain = 0;
  int trusted = 0;
  if (list == nullptr || sscanf(list, "%d,%d", &plain, &trusted) != 2 || !TrustTestCaInChild()) {
    fprintf(stderr, "run through feed_servers.py\n");
    return 2;
  }
  snprintf(FeedUrl0, sizeof FeedUrl0, "https://localhost:%d/two-mib.xml", trusted);
  snprintf(FeedUrl1, sizeof FeedUrl1, "http://localhost:%d/two-mib.gz", plain);
  ViewBrand = 3;
  PublishFeedAddresses();
  int failures = 0;
  for (int check = 1; check <= 100; ++check) {
    const bool ok = FetchFeeds() && Feeds[0].item_count == 100 && Feeds[1].item_count == 100;
    if (!ok) ++failures;
    if (check == 1 || check == 10 || check == 50 || check == 100) Report(check, ok);
  }
  ChangeTestCa(false);
  return failures == 0 ? 0 : 1;
}
