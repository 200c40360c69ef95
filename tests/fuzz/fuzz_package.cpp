// Fuzz target: the package member search over arbitrary package bytes, with the patterns the
// program uses and a few wildcard shapes, and the whole-package check a download must pass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "skin/package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kPatterns[] = {"*.xml", "pic.kpz", "moj.kpz", "?a*.k?z", "*", "a.",
                                          "abcdefghijklmnopqrstuvwxyz0123456789.kpz"};
  PackageBytes bytes{data, size};
  const PackageSource source = MemoryPackageSource(&bytes);
  for (const char* pattern : kPatterns) {
    PackageMemberPlace place;
    uint32_t examined = 0;
    const bool found = FindPackageMember(source, pattern, &place, &examined);
    PackageMember member{nullptr, 0};
    const bool read = ReadPackageMemberFrom(source, pattern, &member);
    if (found != read) abort();
    if (!read) {
      if (member.data != nullptr) abort();
      continue;
    }
    // The member lies inside the input, holds its bytes and ends with the extra zero byte.
    if (member.size == 0 || place.offset > size || member.size > size - place.offset) abort();
    if (place.index >= examined) abort();
    if (memcmp(member.data, data + place.offset, member.size) != 0) abort();
    if (member.data[member.size] != 0) abort();
    FreePackageMember(&member);
  }
  // A whole package has its catalogue document.
  if (IsWholePackage(source)) {
    PackageMember document{nullptr, 0};
    if (!ReadPackageMemberFrom(source, "*.xml", &document)) abort();
    FreePackageMember(&document);
  }
  // Every directory entry the header announces and the file holds can be matched safely.
  if (size >= 5 && data[0] != 0) {
    const size_t directoryAt = 1 + 3 * static_cast<size_t>(data[0]) + 4;
    for (size_t at = directoryAt; at + kPackageEntrySize <= size; at += kPackageEntrySize) {
      char pattern[kPackagePatternMax + 1];
      memcpy(pattern, data + at, kPackagePatternMax);
      pattern[kPackagePatternMax] = '\0';
      MatchPackageName(pattern, data + at);
    }
  }
  return 0;
}
