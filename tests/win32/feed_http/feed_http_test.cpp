// Feeds given by address under Wine, through the feed check itself, against the loopback
// servers feed_servers.py starts: TLS verified against the prefix's roots, redirects, gzip,
// validators, the body bound, the time bounds, the system's proxy and a stop at exit.
#include <gtest/gtest.h>
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/http_win32.h"
#include "base/test_hooks_win32.h"
#include "base/worker_win32.h"
#include "news/feeds_win32.h"
#include "news/news_state.h"
#include "settings/settings.h"
#include "../../shared/test_ca_win32.h"
#include "version.h"

namespace {

enum Server { kPlain, kTrusted, kUntrusted, kExpired, kWrongHost, kServerCount };
int ports[kServerCount];
char tracePath[MAX_PATH];

std::vector<std::string> TraceLines() {
  std::vector<std::string> lines;
  std::ifstream in(tracePath);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A transfer given up on in the middle of its body: WinHTTP may still write into the body until
// it reports the request closed, so the body is freed only after that report (or kept when it is
// late). Checks the trace from line `from` on, and says what it saw there.
std::string ExpectBodyFreedAfterClose(size_t from) {
  std::vector<std::string> seen;
  for (int i = 0; i < 100 && seen.empty(); ++i) {
    const std::vector<std::string> lines = TraceLines();
    for (size_t k = from; k < lines.size() && seen.empty(); ++k) {
      if (lines[k] == "feed body freed" || lines[k] == "feed body kept") {
        seen.assign(lines.begin() + from, lines.begin() + k + 1);
      }
    }
    if (seen.empty()) Sleep(50);
  }
  std::string text;
  for (const std::string& line : seen) text += line + "; ";
  EXPECT_FALSE(seen.empty()) << "the body was neither freed nor kept";
  EXPECT_TRUE(seen.empty() || seen.back() == "feed body kept" ||
              std::find(seen.begin(), seen.end(), "feed request closed") != seen.end())
      << "the body was freed before its request was closed: " << text;
  return text;
}

std::string Address(Server server, const char* path) {
  char text[256];
  snprintf(text, sizeof text, "%s://localhost:%d%s", server == kPlain ? "http" : "https",
           ports[server], path);
  return text;
}

// The test CA goes into this prefix's local-machine roots, the one place WinHTTP trusts it.
class FeedHttp : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The trace records why a feed failed, and in what order a stopped transfer let go.
    char folder[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "trc", 0, tracePath), 0u);
    SetEnvironmentVariableA("TARVO_TEST_TRACE", tracePath);
    InitTestHooks();
    const char* list = getenv("TARVO_FEED_PORTS");
    const char* ca = getenv("TARVO_FEED_TEST_CA");
    ASSERT_NE(list, nullptr) << "run through feed_servers.py";
    ASSERT_NE(ca, nullptr);
    ASSERT_EQ(sscanf(list, "%d,%d,%d,%d,%d", &ports[0], &ports[1], &ports[2], &ports[3],
                     &ports[4]),
              kServerCount);
    ASSERT_TRUE(TrustTestCaInChild()) << "the test CA could not be added to the roots";
    // The feed server's feeds come from the plain server too.
    strcpy(FeedServer, "127.0.0.1");
    HttpPort = static_cast<unsigned short>(ports[kPlain]);
  }
  static void TearDownTestSuite() {
    ChangeTestCa(false);
    DeleteFileA(tracePath);
  }
  // Feed 0 from `address`, feed 1 from a good address; returns the seconds the check took.
  static double Check(const std::string& address) {
    snprintf(FeedUrl0, sizeof FeedUrl0, "%s", address.c_str());
    snprintf(FeedUrl1, sizeof FeedUrl1, "%s", Address(kTrusted, "/feed.xml").c_str());
    FeedUrl2[0] = FeedUrl3[0] = '\0';
    ViewBrand = 3;
    NewsAvailable = 1;
    PublishFeedAddresses();
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FetchFeeds()) << address;
    return (GetTickCount64() - start) / 1000.0;
  }
};

std::string LastTitle(const FeedRecord& feed) {
  return feed.item_count > 0 ? feed.items[feed.item_count - 1].title : "";
}

TEST_F(FeedHttp, EachAddressFeedShowsWhatItsAnswerAllowsAndTheOthersStay) {
  const std::string agent = std::string("TarvoClock/") + TARVO_VERSION_TEXT;
  struct Case {
    const char* name;
    std::string address;
    int items;          // 0: the feed fails and shows none
    std::string last;   // the last item's title
    double seconds;     // the most the check may take
    FeedFailure failure;  // what the news list says of the try
  } cases[] = {
      {"trusted certificate", Address(kTrusted, "/feed.xml"), 3, "trusted item 3", 5,
        FeedFailure::kNone},
      {"untrusted CA", Address(kUntrusted, "/feed.xml"), 0, "", 5, FeedFailure::kCertificate},
      {"expired certificate", Address(kExpired, "/feed.xml"), 0, "", 5, FeedFailure::kCertificate},
      {"wrong host name", Address(kWrongHost, "/feed.xml"), 0, "", 5, FeedFailure::kCertificate},
      {"five redirects", Address(kTrusted, "/redirect/5"), 3, "trusted redirected item 3", 5,
        FeedFailure::kNone},
      {"six redirects", Address(kTrusted, "/redirect/6"), 0, "", 5, FeedFailure::kOther},
      {"http to https", Address(kPlain, "/to-https"), 3, "trusted item 3", 5, FeedFailure::kNone},
      {"https to http refused", Address(kTrusted, "/to-http"), 0, "", 5, FeedFailure::kOther},
      {"gzip", Address(kTrusted, "/gzip.xml"), 3, "gzip item 3", 5, FeedFailure::kNone},
      {"user agent", Address(kPlain, "/ua.xml"), 1, agent + " item 1", 5, FeedFailure::kNone},
      {"3 MiB cut at 2 MiB", Address(kPlain, "/big.xml"), 65, "big item 65", 10,
        FeedFailure::kNone},
      {"gzip inflating past 2 MiB", Address(kPlain, "/big.gz"), 65, "big item 65", 10,
        FeedFailure::kNone},
      {"not an address: the server's feed", "ftp://localhost/feed.xml", 1, "server item 1", 5,
        FeedFailure::kNone},
      {"empty: the server's feed", "", 1, "server item 1", 5, FeedFailure::kNone},
      // A body that stops: one receive's 5 s; one that trickles: the feed's 15 s.
      {"stall", Address(kPlain, "/stall"), 0, "", 5 + 1.5, FeedFailure::kTimeout},
      {"trickle", Address(kPlain, "/drip"), 0, "", 15 + 1.5, FeedFailure::kTimeout},
  };
  for (const Case& c : cases) {
    const size_t traced = TraceLines().size();
    const double seconds = Check(c.address);
    printf("%-36s %5.2f s\n", c.name, seconds);
    EXPECT_LE(seconds, c.seconds) << c.name;
    LockNews();
    EXPECT_EQ(Feeds[0].item_count, c.items) << c.name;
    EXPECT_EQ(LastTitle(Feeds[0]), c.last) << c.name;
    EXPECT_EQ(Feeds[0].by_address, !c.address.empty() && c.address.compare(0, 4, "http") == 0)
        << c.name;
    EXPECT_EQ(Feeds[1].item_count, 3) << c.name;
    EXPECT_EQ(static_cast<int>(FeedStatuses[0].failure), static_cast<int>(c.failure)) << c.name;
    UnlockNews();
    EXPECT_EQ(NewsAvailable.load(), 1) << c.name;
    if (strcmp(c.name, "stall") == 0) {
      EXPECT_GE(seconds, 4.5);
    }
    if (strcmp(c.name, "trickle") == 0) {
      EXPECT_GE(seconds, 14.5);
    }
    if (strcmp(c.name, "stall") == 0 || strcmp(c.name, "trickle") == 0) {
      printf("%-36s %s\n", "", ExpectBodyFreedAfterClose(traced).c_str());
    }
  }
}

TEST_F(FeedHttp, NotModifiedKeepsTheItemsHeld) {
  Check(Address(kTrusted, "/etag.xml"));
  Check(Address(kTrusted, "/etag.xml"));
  LockNews();
  // The server counts the answers with a body: a second one would say "etag answer 2".
  EXPECT_EQ(Feeds[0].item_count, 3);
  EXPECT_EQ(LastTitle(Feeds[0]), "etag answer 1 item 3");
  UnlockNews();
}

// A PC that cannot reach the feed server: the server's feed takes the bar away for the run
// unless the user has a feed of their own, which then keeps the bar or brings it back.
TEST_F(FeedHttp, AFailingServerFeedFailsAloneBesideTheUsersOwn) {
  const unsigned short serverPort = HttpPort;
  HttpPort = 1;  // nothing listens there: the connection is refused at once
  const struct {
    const char* name;
    std::string feed1;
    bool published;
  } cases[] = {
      {"only the server's feeds", "", false},
      {"beside an address feed", Address(kTrusted, "/feed.xml"), true},
  };
  for (const auto& c : cases) {
    FeedUrl0[0] = FeedUrl2[0] = FeedUrl3[0] = '\0';
    snprintf(FeedUrl1, sizeof FeedUrl1, "%s", c.feed1.c_str());
    ViewBrand = 3;
    NewsAvailable = 0;  // as an earlier failed check left it
    PublishFeedAddresses();
    EXPECT_EQ(FetchFeeds(), c.published) << c.name;
    EXPECT_EQ(NewsAvailable.load(), c.published ? 1 : 0) << c.name;
    if (!c.published) continue;
    LockNews();
    EXPECT_EQ(Feeds[0].item_count, 0) << c.name;
    EXPECT_EQ(Feeds[1].item_count, 3) << c.name;
    UnlockNews();
  }
  HttpPort = serverPort;
}

// The machine's WinHTTP proxy (in this prefix) on a system without the automatic proxy type,
// as Windows 7 and 8 are: a host nobody can resolve is fetched through it. (Wine 8 takes the
// automatic type but applies no proxy with it, so the newer systems' way cannot be seen here.)
TEST_F(FeedHttp, WithoutTheAutomaticTypeTheMachineProxyCarriesAFeed) {
  SetEnvironmentVariableA("TARVO_TEST_NO_AUTOMATIC_PROXY", "1");
  WINHTTP_PROXY_INFO before = {};
  ASSERT_TRUE(WinHttpGetDefaultProxyConfiguration(&before));
  wchar_t proxy[32];
  swprintf(proxy, 32, L"127.0.0.1:%d", ports[kPlain]);
  WINHTTP_PROXY_INFO through = {WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy, nullptr};
  ASSERT_TRUE(WinHttpSetDefaultProxyConfiguration(&through));
  strcpy(FeedUrl0, "http://feeds.through-proxy.invalid/proxied.xml");
  FeedUrl1[0] = '\0';
  ViewBrand = 1;
  PublishFeedAddresses();
  EXPECT_TRUE(FetchFeeds());
  LockNews();
  EXPECT_EQ(LastTitle(Feeds[0]), "plain proxied item 3");
  UnlockNews();
  WinHttpSetDefaultProxyConfiguration(&before);
  SetEnvironmentVariableA("TARVO_TEST_NO_AUTOMATIC_PROXY", nullptr);
  if (before.lpszProxy != nullptr) GlobalFree(before.lpszProxy);
  if (before.lpszProxyBypass != nullptr) GlobalFree(before.lpszProxyBypass);
}

void CheckJob(void*) { FetchFeeds(); }

TEST_F(FeedHttp, StopAtExitEndsATransferWithinHalfASecond) {
  snprintf(FeedUrl0, sizeof FeedUrl0, "%s", Address(kPlain, "/stall").c_str());
  FeedUrl1[0] = '\0';
  ViewBrand = 1;
  PublishFeedAddresses();
  const size_t before = TraceLines().size();
  const Job job = {CheckJob, nullptr, nullptr, kJobFeedCheck};
  ASSERT_TRUE(PostJob(&BackgroundWorker, job, JobRule::kOneAtATime));
  Sleep(1500);  // connected, the headers read, the body stalled
  const ULONGLONG start = GetTickCount64();
  EXPECT_TRUE(StopWorker(&BackgroundWorker, 3000));
  const ULONGLONG took = GetTickCount64() - start;
  printf("stop took %llu ms\n", took);
  EXPECT_LE(took, 500u);
  printf("after the stop: %s\n", ExpectBodyFreedAfterClose(before).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], kTrustTestCaArgument) == 0) return ChangeTestCa(true) ? 0 : 1;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
