// Building the saved package's path from SkinPath, the settings' folder and an offered name:
// whatever the texts, the skin folder is SkinPath taken from the settings' folder, a built path
// is at most 259 bytes and its folder is the skin folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "skin/skin_update.h"

namespace {

bool SjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Offset just past the last separator that is not the second byte of a character; 0 for none.
size_t AfterLastSeparator(const char* path) {
  size_t after = 0;
  for (size_t i = 0; path[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (SjisLead(c) && path[i + 1] != '\0') {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':') after = i + 1;
  }
  return after;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1024) return 0;
  // Three texts separated by zero bytes: SkinPath, the settings' folder, the offered name.
  char texts[3][520] = {};
  size_t part = 0;
  size_t at = 0;
  for (size_t i = 0; i < size && part < 3; ++i) {
    if (data[i] == 0) {
      ++part;
      at = 0;
      continue;
    }
    if (at + 1 < sizeof texts[part]) texts[part][at++] = static_cast<char>(data[i]);
  }
  char folder[300];
  memset(folder, 'x', sizeof folder);
  if (!SkinFolderPath(texts[0], texts[1], folder, sizeof folder, SjisLead)) {
    if (folder[0] != 'x') abort();  // a failure leaves the output alone
    return 0;
  }
  // SkinPath as it is, or after the settings' folder.
  if (strcmp(folder, texts[0]) != 0 && strncmp(folder, texts[1], strlen(texts[1])) != 0) abort();
  char target[300];
  memset(target, 'x', sizeof target);
  if (!BuildSkinTarget(folder, texts[2], target, sizeof target, SjisLead)) {
    if (target[0] != 'x') abort();  // a failure leaves the output alone
    return 0;
  }
  const size_t length = strlen(target);
  if (length > kSkinTargetMax) abort();
  // The name is the last component, whole, and what precedes it is the folder.
  const size_t nameAt = AfterLastSeparator(target);
  if (strcmp(target + nameAt, texts[2]) != 0) abort();
  const size_t folderLength = strlen(folder);
  if (nameAt != folderLength && nameAt != folderLength + 1) abort();
  if (strncmp(target, folder, folderLength) != 0) abort();
  if (!IsPlainSkinName(target + nameAt, SjisLead)) abort();
  return 0;
}
