// The feed transport's portable decisions: gzip bodies within their bound, redirect targets.
#include "news/feed_http.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

std::string Gzip(const std::string& text) {
  z_stream s = {};
  EXPECT_EQ(deflateInit2(&s, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&s, text.size()) + 32, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  s.avail_in = static_cast<uInt>(text.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

TEST(Gunzip, InflatesWithinTheBoundAndSaysWhatHappened) {
  const std::string text = "<rss><channel><title>t</title></channel></rss>";
  const std::string bomb(1 << 20, 'a');
  const std::string whole = Gzip(text);
  std::string flipped = whole;
  flipped[whole.size() - 6] ^= 0x55;  // the CRC of the data
  struct Case {
    const char* name;
    std::string in;
    size_t capacity;
    GunzipStatus status;
    std::string out;
  } cases[] = {
      {"one member", whole, 4096, GunzipStatus::kComplete, text},
      {"exactly the capacity", whole, text.size(), GunzipStatus::kComplete, text},
      {"two members", whole + Gzip("<more/>"), 4096, GunzipStatus::kComplete, text + "<more/>"},
      {"zero padding after the member", whole + std::string(8, '\0'), 4096,
       GunzipStatus::kComplete, text},
      {"a bomb is cut", Gzip(bomb), 1000, GunzipStatus::kCut, bomb.substr(0, 1000)},
      {"a second member past the bound", whole + Gzip("<more/>"), text.size(), GunzipStatus::kCut,
       text},
      {"truncated", whole.substr(0, whole.size() - 8), 4096, GunzipStatus::kTruncated, text},
      {"bad checksum", flipped, 4096, GunzipStatus::kBroken, text},
      {"not gzip", text, 4096, GunzipStatus::kBroken, ""},
      {"nothing", "", 4096, GunzipStatus::kBroken, ""},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> out(c.capacity + 16, 0xEE);
    size_t size = 12345;
    EXPECT_EQ(GunzipCut(reinterpret_cast<const unsigned char*>(c.in.data()), c.in.size(),
                        out.data(), c.capacity, &size),
              c.status)
        << c.name;
    ASSERT_LE(size, c.capacity) << c.name;
    EXPECT_EQ(std::string(out.begin(), out.begin() + size), c.out) << c.name;
    EXPECT_EQ(out[c.capacity], 0xEE) << c.name;
  }
}

TEST(Redirect, LocationsResolveAgainstTheAnsweringAddress) {
  struct Case {
    const char* base;
    const char* location;
    const char* resolved;  // nullptr: refused
  } cases[] = {
      {"http://a.example/x/feed.xml", "https://b.example/y", "https://b.example/y"},
      {"http://a.example/x/feed.xml", "HTTP://B.example/", "HTTP://B.example/"},
      {"https://a.example/x/feed.xml", "//c.example/z", "https://c.example/z"},
      {"http://a.example:8080/x/feed.xml?q=1", "/root.xml", "http://a.example:8080/root.xml"},
      {"http://a.example/x/feed.xml?q=/1", "other.xml", "http://a.example/x/other.xml"},
      {"http://a.example", "other.xml", "http://a.example/other.xml"},
      {"http://a.example?q", "other.xml", "http://a.example/other.xml"},
      {"http://a.example/x/", "y.xml#top", "http://a.example/x/y.xml"},
      {"http://a.example/x/", "y z.xml", nullptr},
      {"http://a.example/x/", "y\xE3\x81\x82.xml", nullptr},
      {"http://a.example/x/", "", nullptr},
      {"ftp://a.example/x/", "y.xml", nullptr},
  };
  for (const Case& c : cases) {
    char out[64] = "untouched";
    const bool ok = ResolveRedirect(c.base, c.location, out, sizeof out);
    EXPECT_EQ(ok, c.resolved != nullptr) << c.base << " + " << c.location;
    EXPECT_STREQ(out, ok ? c.resolved : "untouched") << c.base << " + " << c.location;
  }
  char small[20] = "untouched";
  EXPECT_FALSE(ResolveRedirect("http://a.example/x/", "/a-long-path.xml", small, sizeof small));
  EXPECT_STREQ(small, "untouched");
}

TEST(Redirect, NeverFromHttpsDownToHttp) {
  EXPECT_TRUE(RedirectAllowed("http://a/", "https://b/"));
  EXPECT_TRUE(RedirectAllowed("http://a/", "http://b/"));
  EXPECT_TRUE(RedirectAllowed("https://a/", "HTTPS://b/"));
  EXPECT_FALSE(RedirectAllowed("https://a/", "http://b/"));
  EXPECT_FALSE(RedirectAllowed("HTTPS://a/", "http://a/"));
  EXPECT_FALSE(RedirectAllowed("http://a/", "ftp://b/"));
  EXPECT_FALSE(RedirectAllowed("http://a/", "file:///c:/x"));
}

}  // namespace
