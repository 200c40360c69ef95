// kpz-encode: turns a PNG into a KPZ image (compressed by default, or raw planar).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kpz_png.h"
#include "kpz_writer.h"

namespace {

constexpr const char* kUsage =
    "usage: kpz-encode [--raw] [--rgb] [--filter N] in.png out.kpz\n"
    "\n"
    "Encodes a PNG as a KPZ image.\n"
    "  --raw   write the raw planar payload instead of the compressed one\n"
    "  --rgb   write three channels (blue, green, red); the alpha channel is dropped\n"
    "  --filter N\n"
    "          use row filter N (1 Sub, 2 Up, 3 Average, 4 Paeth) on every row but the first\n"
    "          (always Sub); 0, the default, picks a filter per row\n"
    "  --help  show this text\n"
    "Exit status: 0 on success, 1 on a read, encode or write failure, 2 on bad arguments.\n";

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  KpzEncodeOptions options;
  const char* paths[2] = {nullptr, nullptr};
  int pathCount = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--raw") == 0) {
      options.raw = true;
    } else if (std::strcmp(argv[i], "--rgb") == 0) {
      options.channels = 3;
    } else if (std::strcmp(argv[i], "--filter") == 0) {
      const char* value = i + 1 < argc ? argv[++i] : "";
      if (value[0] < '0' || value[0] > '4' || value[1] != '\0') {
        std::fprintf(stderr, "kpz-encode: --filter needs 0, 1, 2, 3 or 4\n%s", kUsage);
        return 2;
      }
      options.forcedFilter = value[0] - '0';
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "kpz-encode: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else if (pathCount < 2) {
      paths[pathCount++] = argv[i];
    } else {
      std::fprintf(stderr, "kpz-encode: too many arguments\n%s", kUsage);
      return 2;
    }
  }
  if (pathCount != 2) {
    std::fprintf(stderr, "kpz-encode: need an input PNG and an output file\n%s", kUsage);
    return 2;
  }
  std::vector<uint8_t> pixels;
  int width = 0;
  int height = 0;
  std::string error;
  if (!ReadPngBgra(paths[0], &pixels, &width, &height, &error)) {
    std::fprintf(stderr, "kpz-encode: cannot read %s: %s\n", paths[0], error.c_str());
    return 1;
  }
  std::vector<uint8_t> kpz;
  if (!EncodeKpz(pixels.data(), width, height, options, &kpz)) {
    std::fprintf(stderr, "kpz-encode: %s is %d x %d, which KPZ cannot hold (1 to 65535 a side)\n",
                 paths[0], width, height);
    return 1;
  }
  if (!WriteFile(paths[1], kpz)) {
    std::fprintf(stderr, "kpz-encode: cannot write %s\n", paths[1]);
    std::remove(paths[1]);
    return 1;
  }
  return 0;
}
