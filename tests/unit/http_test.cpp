// The portable half of the HTTP client: URL split, request bytes and the verdict per answer.
#include "base/http.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

HttpVerdict Judge(const std::string& bytes, size_t* offset = nullptr, size_t* size = nullptr,
                  bool overflowed = false, bool receiveError = false) {
  size_t o = 0;
  size_t n = 0;
  const HttpAnswer answer = {bytes.data(), bytes.size(), overflowed, receiveError};
  HttpVerdict v = CheckHttpAnswer(answer, &o, &n);
  if (offset != nullptr) *offset = o;
  if (size != nullptr) *size = n;
  return v;
}

TEST(HttpUrl, SplitsHostAndPathWithoutPort) {
  char host[kUrlPartCapacity];
  char path[kUrlPartCapacity];
  ASSERT_TRUE(SplitUrl("http://127.77.0.1/rss/x.rdf", host, path));
  EXPECT_STREQ(host, "127.77.0.1");
  EXPECT_STREQ(path, "/rss/x.rdf");
  ASSERT_TRUE(SplitUrl("http://feeds.example:8080/a", host, path));
  EXPECT_STREQ(host, "feeds.example:8080");  // resolved as a name, and fails there
}

TEST(HttpUrl, RefusesUrlsWithoutSchemeOrPath) {
  char host[kUrlPartCapacity];
  char path[kUrlPartCapacity];
  EXPECT_FALSE(SplitUrl("http://host.only", host, path));
  EXPECT_STREQ(host, "");
  EXPECT_STREQ(path, "");
  EXPECT_FALSE(SplitUrl("ftp://x/y", host, path));
  EXPECT_FALSE(SplitUrl("http:///path", host, path));
  std::string longHost = "http://" + std::string(300, 'a') + "/x";
  EXPECT_FALSE(SplitUrl(longHost.c_str(), host, path));
}

TEST(HttpRequest, IsTheWholeUrlInOneGetLine) {
  char request[kRequestCapacity];
  ASSERT_TRUE(BuildRequest("http://127.77.3.1/rss/x.rdf", request, sizeof request));
  EXPECT_EQ(std::string(request), "GET http://127.77.3.1/rss/x.rdf HTTP/1.0\r\n\r\n");
  std::string url238 = "http://h/" + std::string(238 - 9, 'p');
  EXPECT_TRUE(BuildRequest(url238.c_str(), request, sizeof request));
  std::string url239 = url238 + "q";
  EXPECT_FALSE(BuildRequest(url239.c_str(), request, sizeof request));
  EXPECT_STREQ(request, "");
}

TEST(HttpAddress, DottedAddressesNeedNoLookup) {
  unsigned char o[4];
  ASSERT_TRUE(IsDottedAddress("127.77.12.1", o));
  EXPECT_EQ(o[0], 127);
  EXPECT_EQ(o[1], 77);
  EXPECT_EQ(o[2], 12);
  EXPECT_EQ(o[3], 1);
  EXPECT_FALSE(IsDottedAddress("127.77.12", o));
  EXPECT_FALSE(IsDottedAddress("256.1.1.1", o));
  EXPECT_FALSE(IsDottedAddress("1.2.3.4.5", o));
  EXPECT_FALSE(IsDottedAddress("feeds.example", o));
  EXPECT_FALSE(IsDottedAddress("1.2.3.4:80", o));
  EXPECT_FALSE(IsDottedAddress("", o));
}

TEST(HttpVerdicts, AcceptsOnlyA200WithItsWholeBody) {
  size_t offset = 0;
  size_t size = 0;
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", &offset, &size),
            HttpVerdict::kOk);
  EXPECT_EQ(offset, 38u);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\n\r\nclose-delimited", &offset, &size), HttpVerdict::kOk);
  EXPECT_EQ(size, 15u);
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\ncontent-length:2\n\nhi"), HttpVerdict::kOk);
}

TEST(HttpVerdicts, EveryHostileShapeFails) {
  EXPECT_EQ(Judge(""), HttpVerdict::kNoAnswer);
  EXPECT_EQ(Judge("HTTP/1.0 404 Not Found\r\n\r\nnope"), HttpVerdict::kNotOk);
  EXPECT_EQ(Judge("HTTP/1.0 500 Oops\r\nContent-Length: 0\r\n\r\n"), HttpVerdict::kNotOk);
  EXPECT_EQ(Judge("HTTP/1.0 301 Moved\r\nLocation: http://x/\r\n\r\n"), HttpVerdict::kNotOk);
  EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"),
            HttpVerdict::kTransferCoding);
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nshort"), HttpVerdict::kShortBody);
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nlong"), HttpVerdict::kLongBody);
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\r\nX: " + std::string(40000, 'x')), HttpVerdict::kNoHeaderEnd);
  EXPECT_EQ(Judge("<rss>no status line</rss>"), HttpVerdict::kBadStatusLine);
  EXPECT_EQ(Judge("HTTP/1.0 2000 OK\r\n\r\n"), HttpVerdict::kBadStatusLine);
  EXPECT_EQ(Judge("HTTP/2.0 200 OK\r\n\r\n"), HttpVerdict::kBadStatusLine);
  EXPECT_EQ(Judge(std::string("\x80\xff\x00\x01", 4)), HttpVerdict::kBadStatusLine);
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\r\nContent-Length: x\r\n\r\n"), HttpVerdict::kBadStatusLine);
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n"),
            HttpVerdict::kShortBody);
  EXPECT_EQ(Judge("HTTP/1.0 200 OK\r\n\r\nbody", nullptr, nullptr, false, true),
            HttpVerdict::kReceiveError);
}

TEST(HttpVerdicts, AnAnswerCutAtTheBufferKeepsItsBodyWhenTheHeaderIsGood) {
  const std::pair<std::string, HttpVerdict> cases[] = {
      {"HTTP/1.0 200 OK\r\n\r\nbody", HttpVerdict::kCut},
      {"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\nbody", HttpVerdict::kCut},
      {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nbody", HttpVerdict::kLongBody},
      {"HTTP/1.0 404 Not Found\r\n\r\nnope", HttpVerdict::kNotOk},
      {"HTTP/1.0 200 OK\r\nX: " + std::string(40000, 'x'), HttpVerdict::kNoHeaderEnd},
  };
  for (const auto& [bytes, verdict] : cases) {
    size_t offset = 0;
    size_t size = 0;
    EXPECT_EQ(Judge(bytes, &offset, &size, true), verdict) << bytes.substr(0, 40);
    EXPECT_EQ(bytes.substr(offset, size), verdict == HttpVerdict::kCut ? "body" : bytes.substr(0, 0));
  }
}

TEST(HttpVerdicts, ADownloadHeaderIsJudgedFromItsOwnBytes) {
  // Only the bytes up to the blank line are needed; the body length is checked as it arrives.
  const char* ok = "HTTP/1.0 200 OK\r\nContent-Length: 70000\r\nContent-Type: text/plain\r\n\r\nPK";
  size_t offset = 0;
  size_t length = 0;
  ASSERT_EQ(CheckHttpHeader(ok, strlen(ok), &offset, &length), HttpVerdict::kOk);
  EXPECT_EQ(offset, strlen(ok) - 2);
  EXPECT_EQ(length, 70000u);
  EXPECT_EQ(CheckBodyLength(69999, length), HttpVerdict::kShortBody);
  EXPECT_EQ(CheckBodyLength(70001, length), HttpVerdict::kLongBody);
  EXPECT_EQ(CheckBodyLength(70000, length), HttpVerdict::kOk);
  const char* open = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";
  ASSERT_EQ(CheckHttpHeader(open, strlen(open), &offset, &length), HttpVerdict::kOk);
  EXPECT_EQ(length, kNoContentLength);
  EXPECT_EQ(CheckBodyLength(123456, length), HttpVerdict::kOk);
  // A length of more digits than any size holds is held at the largest, not wrapped round.
  const char* huge = "HTTP/1.0 200 OK\r\nContent-Length: 184467440737095516170\r\n\r\n";
  ASSERT_EQ(CheckHttpHeader(huge, strlen(huge), &offset, &length), HttpVerdict::kOk);
  EXPECT_EQ(length, kLargestContentLength);
  // The error page of a download, however it ends its header, is no download; nor is a header
  // cut short; failures leave the outputs empty.
  const char* missing = "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nnot found";
  EXPECT_EQ(CheckHttpHeader(missing, strlen(missing), &offset, &length), HttpVerdict::kNotOk);
  EXPECT_EQ(offset, 0u);
  EXPECT_EQ(length, kNoContentLength);
  EXPECT_EQ(CheckHttpHeader(ok, 40, &offset, &length), HttpVerdict::kNoHeaderEnd);
}

TEST(HttpVerdicts, EveryVerdictHasAName) {
  for (int v = 0; v <= static_cast<int>(HttpVerdict::kBadUrl); ++v) {
    EXPECT_STRNE(HttpVerdictName(static_cast<HttpVerdict>(v)), "?");
  }
}

}  // namespace
