// The offered-name check and the link filter over arbitrary bytes: a name taken as plain has no
// path syntax outside double-byte characters, and a launchable link has no control character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "skin/skin_update.h"

namespace {

bool SjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool NoLead(unsigned char) { return false; }

void CheckPlain(const char* name, LeadByteTest isLead) {
  if (!IsPlainSkinName(name, isLead)) return;
  const size_t length = strlen(name);
  if (length < 5) abort();
  bool previousDot = false;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (isLead(c)) {
      // A trail byte is never a '.', '/', ':' or any other byte below 0x40.
      if (i + 1 >= length || !IsSjisTrailByte(static_cast<unsigned char>(name[i + 1]))) abort();
      ++i;
      previousDot = false;
      continue;
    }
    if (c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c) != nullptr) abort();
    if (c == '.' && previousDot) abort();
    previousDot = c == '.';
  }
  if (name[length - 1] == '.' || name[length - 1] == ' ') abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1024) return 0;
  char* text = static_cast<char*>(malloc(size + 1));
  if (size > 0) memcpy(text, data, size);
  text[size] = '\0';
  CheckPlain(text, SjisLead);
  CheckPlain(text, NoLead);
  // The offer rule and name: the name is the text from the fifth byte, or nothing.
  char name[64];
  if (OfferFileName(text, name, sizeof name)) {
    if (strlen(text) < 5 || strcmp(name, text + 4) != 0) abort();
  } else if (name[0] != '\0') {
    abort();
  }
  IsSkinOffer(text);
  if (IsLaunchableLink(text)) {
    for (const char* p = text; *p != '\0'; ++p) {
      if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) abort();
    }
    if (strncasecmp(text, "http://", 7) != 0 && strncasecmp(text, "https://", 8) != 0) abort();
  }
  if (IsDownloadableLink(text) && strncmp(text, "http://", 7) != 0) abort();
  free(text);
  return 0;
}
