// skn-build: writes a skin package from a catalogue document and KPZ images.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "skin/package.h"

namespace {

void Usage(FILE* to) {
  fprintf(to,
          "usage: skn-build [--skip N] -o PACKAGE.skn CATALOGUE.xml IMAGE.kpz...\n"
          "\n"
          "Writes a skin package holding the catalogue document and the images, in that order.\n"
          "Each member is stored under its file name without folder: the stem upper-cased and\n"
          "padded with spaces to 20 bytes, the extension upper-cased (at most 3 bytes).\n"
          "\n"
          "  -o FILE     the package to write\n"
          "  --skip N    number of 3-byte records before the directory, 1-255 (default 1)\n"
          "  --help      this text\n");
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = fopen(path, "rb");
  if (f == nullptr) return false;
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  const bool ok = ferror(f) == 0;
  fclose(f);
  return ok;
}

const char* BaseName(const char* path) {
  const char* slash = strrchr(path, '/');
  const char* back = strrchr(path, '\\');
  if (back != nullptr && (slash == nullptr || back > slash)) slash = back;
  return slash != nullptr ? slash + 1 : path;
}

}  // namespace

int main(int argc, char** argv) {
  const char* output = nullptr;
  long skip = 1;
  std::vector<const char*> inputs;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
      Usage(stdout);
      return 0;
    }
    if (strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      output = argv[++i];
    } else if (strcmp(argv[i], "--skip") == 0 && i + 1 < argc) {
      char* end = nullptr;
      errno = 0;
      skip = strtol(argv[++i], &end, 10);
      if (errno != 0 || *end != '\0' || skip < 1 || skip > 255) {
        fprintf(stderr, "skn-build: --skip needs a number from 1 to 255, not '%s'\n", argv[i]);
        return 2;
      }
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      fprintf(stderr, "skn-build: unknown option '%s'\n", argv[i]);
      Usage(stderr);
      return 2;
    } else {
      inputs.push_back(argv[i]);
    }
  }
  if (output == nullptr || inputs.empty()) {
    Usage(stderr);
    return 2;
  }
  std::vector<std::vector<uint8_t>> contents(inputs.size());
  std::vector<PackageInput> members;
  for (size_t k = 0; k < inputs.size(); ++k) {
    const char* name = BaseName(inputs[k]);
    uint8_t entry[kPackageEntrySize];
    if (!PackageEntryName(name, entry)) {
      fprintf(stderr, "skn-build: '%s' cannot be a member name (stem 1-20 bytes, extension 0-3)\n", name);
      return 1;
    }
    for (size_t j = 0; j < k; ++j) {
      uint8_t other[kPackageEntrySize];
      PackageEntryName(BaseName(inputs[j]), other);
      if (memcmp(entry, other, kPackageExtensionAt + kPackageExtensionSize) == 0) {
        fprintf(stderr, "skn-build: '%s' and '%s' would have the same member name\n", inputs[j], inputs[k]);
        return 1;
      }
    }
    if (!ReadWholeFile(inputs[k], &contents[k])) {
      fprintf(stderr, "skn-build: cannot read '%s': %s\n", inputs[k], strerror(errno));
      return 1;
    }
    if (contents[k].empty()) {
      fprintf(stderr, "skn-build: '%s' is empty; an empty member could never be read\n", inputs[k]);
      return 1;
    }
    if (contents[k].size() > UINT32_MAX) {
      fprintf(stderr, "skn-build: '%s' is too large for a package\n", inputs[k]);
      return 1;
    }
    members.push_back(PackageInput{name, contents[k].data(), static_cast<uint32_t>(contents[k].size())});
  }
  uint8_t* image = nullptr;
  size_t size = 0;
  if (!MakePackage(members.data(), members.size(), static_cast<uint8_t>(skip), &image, &size)) {
    fprintf(stderr, "skn-build: the package would exceed 4 GiB\n");
    return 1;
  }
  FILE* f = fopen(output, "wb");
  if (f == nullptr) {
    fprintf(stderr, "skn-build: cannot create '%s': %s\n", output, strerror(errno));
    free(image);
    return 1;
  }
  const bool written = fwrite(image, 1, size, f) == size;
  const bool closed = fclose(f) == 0;
  free(image);
  if (!written || !closed) {
    fprintf(stderr, "skn-build: writing '%s' failed\n", output);
    remove(output);
    return 1;
  }
  return 0;
}
