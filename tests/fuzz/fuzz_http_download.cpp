// The piecewise download reader against the whole-answer checker: fed the same bytes in any
// pieces, both accept the same answers with the same body (within the reader's header limit).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/http.h"

namespace {

bool Keep(void* context, const char* data, size_t size) {
  static_cast<std::string*>(context)->append(data, size);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > kAnswerMax) return 0;
  const size_t step = data[0] % 64 + 1;
  const char* answer = reinterpret_cast<const char*>(data + 1);
  const size_t n = size - 1;
  static HttpDownload download;
  StartHttpDownload(&download, kAnswerCapacity);
  std::string body;
  for (size_t at = 0; at < n; at += step) {
    const size_t piece = n - at < step ? n - at : step;
    if (!FeedHttpDownload(&download, answer + at, piece, Keep, &body)) break;
  }
  const HttpVerdict streamed = EndHttpDownload(&download, HttpVerdict::kOk);
  const HttpAnswer whole = {answer, n, false, false};
  size_t offset = 0;
  size_t bodySize = 0;
  const HttpVerdict checked = CheckHttpAnswer(whole, &offset, &bodySize);
  if (body.size() > n) abort();
  if (streamed == HttpVerdict::kOk) {
    if (checked != HttpVerdict::kOk || body != std::string(answer + offset, bodySize)) abort();
  } else if (checked == HttpVerdict::kOk && offset <= kDownloadHeaderMax &&
             streamed != HttpVerdict::kTooLong) {
    abort();
  }
  return 0;
}
