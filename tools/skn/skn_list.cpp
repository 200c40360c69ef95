// skn-list: prints a skin package's directory, flagging entries the program would refuse.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "skin/package.h"

namespace {

void Usage(FILE* to) {
  fprintf(to,
          "usage: skn-list PACKAGE.skn\n"
          "\n"
          "Prints the skip count, the entry count and one line per directory entry:\n"
          "index, name as stored (base name.extension, padding shown as is in quotes), offset,\n"
          "size, and 'outside' for an entry whose data does not lie inside the file.\n"
          "Exits with 1 when the header or directory is malformed or an entry lies outside.\n");
}

uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    Usage(stdout);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {
    Usage(stderr);
    return 2;
  }
  FILE* f = fopen(argv[1], "rb");
  if (f == nullptr) {
    fprintf(stderr, "skn-list: cannot open '%s': %s\n", argv[1], strerror(errno));
    return 1;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  fclose(f);
  const size_t size = bytes.size();
  if (size < 1 || bytes[0] == 0) {
    fprintf(stderr, "skn-list: '%s': no skip count (first byte missing or 0)\n", argv[1]);
    return 1;
  }
  const size_t skip = bytes[0];
  const size_t countAt = 1 + 3 * skip;
  if (size < countAt + 4) {
    fprintf(stderr, "skn-list: '%s': file ends before the entry count\n", argv[1]);
    return 1;
  }
  const uint32_t count = U32(&bytes[countAt]);
  printf("skip %zu\nentries %u\n", skip, count);
  if (count == 0) {
    fprintf(stderr, "skn-list: '%s': the directory is empty\n", argv[1]);
    return 1;
  }
  bool bad = false;
  size_t at = countAt + 4;
  for (uint32_t n = 0; n < count; ++n, at += kPackageEntrySize) {
    if (size - at < kPackageEntrySize) {
      fprintf(stderr, "skn-list: '%s': file ends inside entry %u of %u\n", argv[1], n, count);
      return 1;
    }
    PackageEntry entry;
    DecodePackageEntry(&bytes[at], &entry);
    const bool outside = entry.offset > size || entry.size > size - entry.offset;
    bad = bad || outside;
    printf("%u \"%s.%s\" %u %u%s\n", n, entry.name, entry.extension, entry.offset, entry.size,
           outside ? " outside" : "");
  }
  return bad ? 1 : 0;
}
