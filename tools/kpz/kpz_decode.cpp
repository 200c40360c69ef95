// kpz-decode: turns a KPZ image into a PNG (RGB for three-channel images, RGBA otherwise).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kpz_png.h"
#include "skin/kpz.h"

namespace {

constexpr const char* kUsage =
    "usage: kpz-decode in.kpz out.png\n"
    "\n"
    "Decodes a KPZ image (compressed or raw planar) and writes it as a PNG.\n"
    "  --help  show this text\n"
    "Exit status: 0 on success, 1 on a read, decode or write failure, 2 on bad arguments.\n";

bool ReadFile(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const char* paths[2] = {nullptr, nullptr};
  int pathCount = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "kpz-decode: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    }
    if (pathCount == 2) {
      std::fprintf(stderr, "kpz-decode: too many arguments\n%s", kUsage);
      return 2;
    }
    paths[pathCount++] = argv[i];
  }
  if (pathCount != 2) {
    std::fprintf(stderr, "kpz-decode: need an input KPZ and an output PNG\n%s", kUsage);
    return 2;
  }
  std::vector<uint8_t> bytes;
  if (!ReadFile(paths[0], &bytes)) {
    std::fprintf(stderr, "kpz-decode: cannot read %s\n", paths[0]);
    return 1;
  }
  KpzImage image{};
  KpzError why = KpzError::kNone;
  if (!DecodeKpzImage(bytes.data(), bytes.size(), &image, &why)) {
    std::fprintf(stderr, "kpz-decode: %s: %s\n", paths[0], KpzErrorText(why));
    return 1;
  }
  std::string error;
  const bool written =
      WritePngBgra(paths[1], image.pixels, image.width, image.height, image.channels, &error);
  FreeKpzImage(&image);
  if (!written) {
    std::fprintf(stderr, "kpz-decode: cannot write %s: %s\n", paths[1], error.c_str());
    std::remove(paths[1]);
    return 1;
  }
  return 0;
}
