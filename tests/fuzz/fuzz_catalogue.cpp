// Fuzz target: catalogue documents into the brand table, and the tag extractor on its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "skin/catalogue.h"

namespace {

bool Terminated(const char* field, size_t capacity) { return memchr(field, '\0', capacity) != nullptr; }

bool EndsWithKpz(const char* field) {
  const size_t length = strlen(field);
  return length >= 4 && strcmp(field + length - 4, ".kpz") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  const char* document = text.data();

  ResetCatalogue();
  ParseCatalogue(document, 1, "fuzz.skn");
  ParseCatalogue(document, 0, "");
  for (const BrandRecord& brand : BrandTable) {
    if (brand.skinCount < 0 || brand.skinCount > kSkinsPerBrand) abort();
    if (!Terminated(brand.title, sizeof brand.title)) abort();
    for (int k = 0; k < brand.skinCount; ++k) {
      const SkinRecord& skin = brand.skins[k];
      if (!Terminated(skin.comment, sizeof skin.comment) || !Terminated(skin.name, sizeof skin.name) ||
          !Terminated(skin.package, sizeof skin.package)) {
        abort();
      }
      if (!EndsWithKpz(skin.file) || !EndsWithKpz(skin.rss) || !EndsWithKpz(skin.moji)) abort();
      if (skin.source > 1) abort();
    }
  }

  // The extractor with small outputs: what it returns lies inside the text, after the content.
  static const char* const kNames[] = {"brand", "skin", "title", "code", "name", "n", "x"};
  for (const char* name : kNames) {
    for (size_t capacity : {static_cast<size_t>(1), static_cast<size_t>(8), static_cast<size_t>(64)}) {
      char out[64];
      const char* at = document;
      for (int step = 0; step < 64 && at != nullptr; ++step) {
        const char* after = ExtractElement(at, name, out, capacity);
        if (after == nullptr) {
          if (out[0] != '\0') abort();
          break;
        }
        if (after <= at || after > document + size) abort();
        if (strlen(out) >= capacity) abort();
        at = after;
      }
    }
  }
  return 0;
}
