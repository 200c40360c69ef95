// KPZ decode against libpng on the same 400 × 330 picture, and the two file sizes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/app_state.h"
#include "kpz_png.h"
#include "kpz_writer.h"
#include "render/image_place.h"
#include "skin/kpz.h"

namespace {

struct Picture {
  std::vector<uint8_t> bgra;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> kpz;
  std::vector<uint8_t> kpzRaw;
  std::vector<uint8_t> png;
};

// The character picture with its transparent surroundings, like a skin's main image.
const Picture& TestPicture() {
  static Picture picture = [] {
    Picture p;
    const std::string path = std::string(TEST_DATA_DIR) + "/kpz/mascot_400x330.png";
    std::string error;
    if (!ReadPngBgra(path.c_str(), &p.bgra, &p.width, &p.height, &error)) {
      std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), error.c_str());
      return p;
    }
    KpzEncodeOptions options;
    EncodeKpz(p.bgra.data(), p.width, p.height, options, &p.kpz);
    options.raw = true;
    EncodeKpz(p.bgra.data(), p.width, p.height, options, &p.kpzRaw);
    WritePngBgraToMemory(p.bgra.data(), p.width, p.height, 4, &p.png, &error);
    return p;
  }();
  return picture;
}

// What DecodeKpz does apart from creating the DIB section: decode, then write into an existing
// surface of the image's size.
void DecodeInto(benchmark::State& state, const std::vector<uint8_t>& file) {
  const Picture& p = TestPicture();
  CpuFeatures = CpuFeatureFlags{1, 1, 1, 0, 0};
  std::vector<uint8_t> bits(static_cast<size_t>(p.width) * p.height * 4);
  std::vector<int> rows(p.height);
  for (int y = 0; y < p.height; ++y) rows[y] = y * p.width * 4;
  Surface target = {};
  target.bitmap = bits.data();
  target.bits = bits.data();
  target.width = p.width;
  target.height = p.height;
  target.bytesPerPixel = 4;
  target.stride = p.width * 4;
  target.rowOffsets = rows.data();
  for (auto _ : state) {
    KpzImage image = {};
    if (!DecodeKpzImage(file.data(), file.size(), &image)) {
      state.SkipWithError("decode failed");
      break;
    }
    PlaceKpzImage(image, &target);
    FreeKpzImage(&image);
    benchmark::DoNotOptimize(bits.data());
  }
  if (bits != p.bgra) state.SkipWithError("decoded pixels differ from the picture");
  state.counters["file_bytes"] = static_cast<double>(file.size());
}

void BM_KpzDecodeCompressed(benchmark::State& state) { DecodeInto(state, TestPicture().kpz); }
void BM_KpzDecodeRaw(benchmark::State& state) { DecodeInto(state, TestPicture().kpzRaw); }

void BM_PngDecode(benchmark::State& state) {
  const Picture& p = TestPicture();
  std::vector<uint8_t> pixels;
  for (auto _ : state) {
    int width = 0;
    int height = 0;
    std::string error;
    if (!ReadPngBgraFromMemory(p.png.data(), p.png.size(), &pixels, &width, &height, &error)) {
      state.SkipWithError("png decode failed");
      break;
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  if (pixels != p.bgra) state.SkipWithError("png pixels differ from the picture");
  state.counters["file_bytes"] = static_cast<double>(p.png.size());
}

void BM_KpzEncode(benchmark::State& state) {
  const Picture& p = TestPicture();
  for (auto _ : state) {
    std::vector<uint8_t> out;
    EncodeKpz(p.bgra.data(), p.width, p.height, KpzEncodeOptions{}, &out);
    benchmark::DoNotOptimize(out.data());
  }
}

}  // namespace

BENCHMARK(BM_KpzDecodeCompressed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KpzDecodeRaw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KpzEncode)->Unit(benchmark::kMillisecond);
