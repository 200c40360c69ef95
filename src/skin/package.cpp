// Skin package layout and member search, with every size and offset checked against the file.
#include "skin/package.h"

#include <cstdlib>
#include <cstring>

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool ReadFromMemory(void* context, uint64_t offset, void* buffer, size_t size) {
  const PackageBytes* bytes = static_cast<const PackageBytes*>(context);
  if (offset > bytes->size || size > bytes->size - offset) return false;
  if (size > 0) memcpy(buffer, bytes->data + offset, size);
  return true;
}

// The number of directory entries and where the first one starts; false when the header cannot
// be read.
bool ReadDirectoryHeader(const PackageSource& source, uint32_t* entryCount, uint64_t* firstEntry) {
  uint8_t skipCount = 0;
  if (!source.readAt(source.context, 0, &skipCount, 1) || skipCount == 0) return false;
  uint8_t countBytes[4];
  const uint64_t at = 1 + 3 * static_cast<uint64_t>(skipCount);
  if (!source.readAt(source.context, at, countBytes, sizeof countBytes)) return false;
  *entryCount = ReadU32(countBytes);
  *firstEntry = at + sizeof countBytes;
  return true;
}

}  // namespace

bool MatchPackageName(const char* pattern, const uint8_t* entry) {
  char p[kPackagePatternMax + 1];
  size_t length = 0;
  while (length < kPackagePatternMax && pattern[length] != '\0') {
    p[length] = UpperAscii(pattern[length]);
    ++length;
  }
  p[length] = '\0';

  size_t s = 0;
  size_t i = 0;
  // The pattern's end is never a character to compare: an entry byte of 0 must not let the
  // match run on past the pattern.
  while (i < kPackageBaseNameSize) {
    const char c = p[s];
    if (c == '\0') return false;
    if (c == '*') {
      ++s;
      i = kPackageBaseNameSize;
    } else if (c == '.') {
      for (size_t j = i; j < kPackageBaseNameSize; ++j) {
        if (entry[j] != ' ') return false;
      }
      ++s;
      i = kPackageBaseNameSize;
    } else {
      if (c != '?' && static_cast<uint8_t>(c) != entry[i]) return false;
      ++s;
      ++i;
    }
  }
  i = kPackageExtensionAt;
  if (p[s] == '.') ++s;
  while (i < kPackageExtensionAt + kPackageExtensionSize) {
    const char c = p[s];
    if (c == '\0') return false;
    if (c == '*') return true;
    if (c != '?' && static_cast<uint8_t>(c) != entry[i]) return false;
    ++s;
    ++i;
  }
  return true;
}

void DecodePackageEntry(const uint8_t* raw, PackageEntry* entry) {
  memcpy(entry->name, raw, kPackageBaseNameSize);
  entry->name[kPackageBaseNameSize] = '\0';
  memcpy(entry->extension, raw + kPackageExtensionAt, kPackageExtensionSize);
  entry->extension[kPackageExtensionSize] = '\0';
  entry->offset = ReadU32(raw + kPackageOffsetAt);
  entry->size = ReadU32(raw + kPackageSizeAt);
}

bool FindPackageMember(const PackageSource& source, const char* pattern, PackageMemberPlace* place,
                       uint32_t* examined) {
  if (examined != nullptr) *examined = 0;
  uint32_t entryCount = 0;
  uint64_t at = 0;
  if (!ReadDirectoryHeader(source, &entryCount, &at)) return false;
  for (uint32_t n = 0; n < entryCount; ++n) {
    uint8_t raw[kPackageEntrySize];
    if (!source.readAt(source.context, at, raw, sizeof raw)) return false;
    at += sizeof raw;
    if (examined != nullptr) *examined = n + 1;
    if (!MatchPackageName(pattern, raw)) continue;
    const uint32_t offset = ReadU32(raw + kPackageOffsetAt);
    const uint32_t size = ReadU32(raw + kPackageSizeAt);
    // The first match decides; one pointing outside the file or holding nothing yields nothing.
    if (size == 0 || offset > source.fileSize || size > source.fileSize - offset) return false;
    place->offset = offset;
    place->size = size;
    place->index = n;
    return true;
  }
  return false;
}

bool IsWholePackage(const PackageSource& source) {
  uint32_t entryCount = 0;
  uint64_t at = 0;
  if (!ReadDirectoryHeader(source, &entryCount, &at)) return false;
  // The whole directory first, so a huge count in a small file costs no reads.
  if (entryCount == 0 || at > source.fileSize ||
      static_cast<uint64_t>(entryCount) * kPackageEntrySize > source.fileSize - at) {
    return false;
  }
  // Read a block of entries at a time: a large directory is one read per block, not per entry.
  constexpr uint32_t kBlock = 64;
  uint8_t raw[kBlock * kPackageEntrySize];
  for (uint32_t n = 0; n < entryCount;) {
    const uint32_t count = entryCount - n < kBlock ? entryCount - n : kBlock;
    if (!source.readAt(source.context, at, raw, count * kPackageEntrySize)) return false;
    at += count * kPackageEntrySize;
    for (uint32_t k = 0; k < count; ++k) {
      const uint8_t* entry = raw + k * kPackageEntrySize;
      const uint64_t offset = ReadU32(entry + kPackageOffsetAt);
      const uint64_t size = ReadU32(entry + kPackageSizeAt);
      if (offset > source.fileSize || size > source.fileSize - offset) return false;
    }
    n += count;
  }
  PackageMemberPlace place;
  return FindPackageMember(source, "*.xml", &place, nullptr);
}

bool ReadPackageMemberFrom(const PackageSource& source, const char* pattern, PackageMember* member) {
  PackageMemberPlace place;
  if (!FindPackageMember(source, pattern, &place, nullptr)) return false;
  // The block has one byte more than the member; where size_t is 32 bits that sum can wrap.
  const size_t blockSize = static_cast<size_t>(place.size) + 1;
  if (blockSize == 0) return false;
  uint8_t* data = static_cast<uint8_t*>(calloc(blockSize, 1));
  if (data == nullptr) return false;
  if (!source.readAt(source.context, place.offset, data, place.size)) {
    free(data);
    return false;
  }
  member->data = data;
  member->size = place.size;
  return true;
}

void FreePackageMember(PackageMember* member) {
  free(member->data);
  member->data = nullptr;
  member->size = 0;
}

PackageSource MemoryPackageSource(PackageBytes* bytes) {
  return PackageSource{ReadFromMemory, bytes, bytes->size};
}

bool PackageEntryName(const char* fileName, uint8_t* entry) {
  if (strchr(fileName, '/') != nullptr || strchr(fileName, '\\') != nullptr) return false;
  const char* dot = strrchr(fileName, '.');
  const size_t stemLength = dot != nullptr ? static_cast<size_t>(dot - fileName) : strlen(fileName);
  const size_t extensionLength = dot != nullptr ? strlen(dot + 1) : 0;
  if (stemLength == 0 || stemLength > kPackageBaseNameSize ||
      extensionLength > kPackageExtensionSize) {
    return false;
  }
  uint8_t name[kPackageExtensionAt + kPackageExtensionSize];
  memset(name, ' ', sizeof name);
  for (size_t k = 0; k < stemLength; ++k) name[k] = static_cast<uint8_t>(UpperAscii(fileName[k]));
  name[kPackageSeparatorAt] = '.';
  for (size_t k = 0; k < extensionLength; ++k) {
    name[kPackageExtensionAt + k] = static_cast<uint8_t>(UpperAscii(dot[1 + k]));
  }
  memcpy(entry, name, sizeof name);
  return true;
}

bool MakePackage(const PackageInput* members, size_t count, uint8_t skipCount, uint8_t** out,
                 size_t* outSize) {
  if (count == 0 || skipCount == 0 || count > (UINT32_MAX - 5 - 765) / kPackageEntrySize) return false;
  const uint64_t directoryAt = 1 + 3 * static_cast<uint64_t>(skipCount) + 4;
  uint64_t total = directoryAt + kPackageEntrySize * static_cast<uint64_t>(count);
  for (size_t k = 0; k < count; ++k) {
    uint8_t name[kPackageEntrySize];
    if (!PackageEntryName(members[k].fileName, name)) return false;
    total += members[k].size;
    if (total > UINT32_MAX || total > SIZE_MAX) return false;
  }
  uint8_t* image = static_cast<uint8_t*>(calloc(static_cast<size_t>(total), 1));
  if (image == nullptr) return false;
  image[0] = skipCount;
  WriteU32(image + directoryAt - 4, static_cast<uint32_t>(count));
  uint64_t dataAt = directoryAt + kPackageEntrySize * static_cast<uint64_t>(count);
  for (size_t k = 0; k < count; ++k) {
    uint8_t* raw = image + directoryAt + kPackageEntrySize * k;
    PackageEntryName(members[k].fileName, raw);
    WriteU32(raw + kPackageOffsetAt, static_cast<uint32_t>(dataAt));
    WriteU32(raw + kPackageSizeAt, members[k].size);
    if (members[k].size > 0) memcpy(image + dataAt, members[k].data, members[k].size);
    dataAt += members[k].size;
  }
  *out = image;
  *outSize = static_cast<size_t>(total);
  return true;
}
