// The HTTP answer and header checkers over arbitrary bytes: the verdict's body stays inside the
// answer, the header judged alone agrees with the whole answer's verdict, and the same bytes
// kept from a longer answer are cut exactly when their header passes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/http.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kAnswerMax) return 0;
  char* copy = static_cast<char*>(malloc(size + 1));
  if (size > 0) memcpy(copy, data, size);
  const HttpAnswer answer = {copy, size, false, false};
  size_t offset = 0;
  size_t body = 0;
  const HttpVerdict v = CheckHttpAnswer(answer, &offset, &body);
  if (v == HttpVerdict::kOk && (offset > size || body > size - offset)) abort();
  if (v != HttpVerdict::kOk && (offset != 0 || body != 0)) abort();
  // The header alone, as a download judges it from its first bytes: the same body start as the
  // whole answer's, a length within bounds, and the same verdict from just the header's bytes.
  size_t headerEnd = 0;
  size_t length = 0;
  const HttpVerdict header = CheckHttpHeader(copy, size, &headerEnd, &length);
  if (header == HttpVerdict::kOk) {
    if (headerEnd > size) abort();
    if (length != kNoContentLength && length > kLargestContentLength) abort();
    size_t again = 0;
    size_t againLength = 0;
    if (CheckHttpHeader(copy, headerEnd, &again, &againLength) != HttpVerdict::kOk ||
        again != headerEnd || againLength != length) {
      abort();
    }
    if ((v == HttpVerdict::kOk) != (CheckBodyLength(size - headerEnd, length) == HttpVerdict::kOk)) abort();
  } else if (v == HttpVerdict::kOk || headerEnd != 0 || length != kNoContentLength) {
    abort();
  }
  if (v == HttpVerdict::kOk && offset != headerEnd) abort();
  // The same bytes kept from a longer answer: cut, with the body kept so far, exactly when the
  // header passes and promised no fewer body bytes.
  const HttpAnswer kept = {copy, size, true, false};
  const HttpVerdict c = CheckHttpAnswer(kept, &offset, &body);
  const bool cut = header == HttpVerdict::kOk && CheckBodyLength(size - headerEnd, length) != HttpVerdict::kLongBody;
  if ((c == HttpVerdict::kCut) != cut || (cut && (offset != headerEnd || body != size - headerEnd))) abort();
  // The URL helpers over the same bytes as text.
  copy[size] = '\0';
  char host[kUrlPartCapacity];
  char path[kUrlPartCapacity];
  if (SplitUrl(copy, host, path) && (strlen(host) >= kUrlPartCapacity || path[0] != '/')) abort();
  char request[kRequestCapacity];
  if (BuildRequest(copy, request, sizeof request) && strlen(request) >= kRequestCapacity) abort();
  unsigned char octets[4];
  IsDottedAddress(copy, octets);
  free(copy);
  return 0;
}
