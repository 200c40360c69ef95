// Skin packages: the directory layout, the wildcard match of member names, and the member search
// over any byte source (a file on Windows, a memory block in tests and tools).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kPackageEntrySize = 32;
constexpr size_t kPackageBaseNameSize = 20;
constexpr size_t kPackageSeparatorAt = 20;
constexpr size_t kPackageExtensionAt = 21;
constexpr size_t kPackageExtensionSize = 3;
constexpr size_t kPackageOffsetAt = 24;
constexpr size_t kPackageSizeAt = 28;
constexpr size_t kPackagePatternMax = 31;

// Whether a directory entry (its first 24 bytes: base name, separator, extension) matches a
// pattern of '*', '?', '.' and literal characters. Only the pattern is upper-cased.
bool MatchPackageName(const char* pattern, const uint8_t* entry);

// Reads `size` bytes at `offset` of the package into `buffer`; false when they cannot all be
// read. `context` is the source's own.
using PackageReadAt = bool (*)(void* context, uint64_t offset, void* buffer, size_t size);

struct PackageSource {
  PackageReadAt readAt;
  void* context;
  uint64_t fileSize;
};

// One directory entry, decoded.
struct PackageEntry {
  char name[kPackageBaseNameSize + 1];       // as stored, padding included
  char extension[kPackageExtensionSize + 1];
  uint32_t offset;
  uint32_t size;
};

void DecodePackageEntry(const uint8_t* raw, PackageEntry* entry);

// Where a member's data lies, as found by FindPackageMember.
struct PackageMemberPlace {
  uint32_t offset;
  uint32_t size;
  uint32_t index;  // the matching entry's position in the directory
};

// The directory search: the first entry that matches `pattern`, among at most the M entries
// the header announces. Fails for a skip count of 0, an entry count of 0, a short read, no
// match, or a first match that is empty or whose data does not lie wholly inside the file.
// `examined` (optional) receives how many entries were read, whatever the outcome.
bool FindPackageMember(const PackageSource& source, const char* pattern, PackageMemberPlace* place,
                       uint32_t* examined);

// A member's bytes in a block of its own: `size` bytes plus one zero byte after them, so that
// a text member can be searched as a zero-terminated string without reading past the block.
struct PackageMember {
  uint8_t* data;
  uint32_t size;
};

// Whether the package is whole: a skip count and an entry count of at least 1, the directory
// inside the file, every entry's data wholly inside it, and a catalogue document ("*.xml").
// A package cut short fails, wherever the cut falls.
bool IsWholePackage(const PackageSource& source);

// FindPackageMember, then the member's bytes into a new block. `member` is untouched on failure.
bool ReadPackageMemberFrom(const PackageSource& source, const char* pattern, PackageMember* member);

// Releases a block from ReadPackageMemberFrom and empties the record; safe on an empty record.
void FreePackageMember(PackageMember* member);

// A source over bytes already in memory; `bytes` must outlive the source.
struct PackageBytes {
  const uint8_t* data;
  size_t size;
};
PackageSource MemoryPackageSource(PackageBytes* bytes);

// The directory name a file name is stored under: base name upper-cased and padded with spaces
// to 20 bytes, separator '.', extension upper-cased and padded to 3. False for a name with no
// stem, a stem over 20 bytes, an extension over 3, or a folder part.
bool PackageEntryName(const char* fileName, uint8_t* entry);

// One member for MakePackage.
struct PackageInput {
  const char* fileName;
  const uint8_t* data;
  uint32_t size;
};

// Lays out a whole package: `skipCount` (1-255) three-byte skipped records, the directory, then
// the members' data in order. `out` receives a new block of `*outSize` bytes, released with
// free(); nothing is written on failure (bad names, no members, sizes past 4 GiB).
bool MakePackage(const PackageInput* members, size_t count, uint8_t skipCount, uint8_t** out,
                 size_t* outSize);
