// The HTTP answer checker over arbitrary bytes: the verdict's body stays inside the answer.
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
