// What a skin load costs at 1.5 against 1: the built-in images decoded and premultiplied as the
// face does, at 1.5 from the twice-size set and resampled once, beside the resampling alone.
// scripts/measure-skin-scale.sh prints the ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../shared/memory_surface.h"
#include "../shared/read_file.h"
#include "render/blend.h"
#include "render/face_layout.h"
#include "render/resample.h"
#include "render/scaled_images.h"
#include "skin/kpz.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The first skin's three images: picture, digit sheet, bar.
constexpr const char* kImages[] = {"tarvo_1.kpz", "tarvo_moji.kpz", "tarvo_bar.kpz"};

struct Stored {
  Bytes plain[3];
  Bytes twice[3];
};

const Stored& Images() {
  static Stored stored = [] {
    Stored s;
    for (int i = 0; i < 3; ++i) {
      char name[64];
      DoubleSizeName(kImages[i], name, sizeof name);
      const std::string folder = std::string(MASCOT_RESOURCES_DIR) + "/images/";
      ReadWholeFile(folder + kImages[i], &s.plain[i]);
      ReadWholeFile(folder + name, &s.twice[i]);
    }
    return s;
  }();
  return stored;
}

// Decodes into a surface of the image's size, or of the face's for a picture (`factor` 1 or 2),
// and premultiplies what the face premultiplies.
bool Decode(const Bytes& file, int index, int factor, MemorySurface** out) {
  KpzImage image = {};
  if (!DecodeKpzImage(file.data(), file.size(), &image)) return false;
  const bool picture = index == 0;
  *out = new MemorySurface(picture ? kFaceWidth * factor : image.width,
                           picture ? kFaceHeight * factor : image.height);
  for (int y = 0; y < image.height && y < (*out)->record.height; ++y) {
    const uint8_t* row = image.pixels + static_cast<size_t>(y) * image.width * 4;
    std::copy(row, row + image.width * 4, (*out)->At(0, y));
  }
  FreeKpzImage(&image);
  if (index != 1) Premultiply(&(*out)->record);
  return true;
}

bool Fit(const MemorySurface& from, double scale, int baseWidth, int baseHeight, AlphaForm form) {
  MemorySurface to(ScaledImageSide(baseWidth, scale), ScaledImageSide(baseHeight, scale));
  const PixelSpan span = {from.pixels.data(), from.pixels.size(), from.record.width, from.record.height,
                          static_cast<size_t>(from.record.stride)};
  const PixelTarget target = {to.pixels.data(), to.pixels.size(), to.record.width, to.record.height,
                              static_cast<size_t>(to.record.stride)};
  const bool ok = Resample(span, target, form);
  benchmark::DoNotOptimize(to.pixels.data());
  return ok;
}

void LoadAtOne(benchmark::State& state) {
  const Stored& s = Images();
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) {
      MemorySurface* image = nullptr;
      if (!Decode(s.plain[i], i, 1, &image)) state.SkipWithError("cannot decode");
      delete image;
    }
  }
}

// Picture 800 × 660 to 600 × 495, sheet 150 × 724 to 113 × 543, bar 700 × 100 to 525 × 75.
void ResampleAtOneAndAHalf(benchmark::State& state, bool decode) {
  const Stored& s = Images();
  MemorySurface* kept[3] = {};
  for (int i = 0; i < 3; ++i) Decode(s.twice[i], i, 2, &kept[i]);
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) {
      MemorySurface* image = kept[i];
      if (decode && !Decode(s.twice[i], i, 2, &image)) state.SkipWithError("cannot decode");
      const int w = image->record.width / 2, h = image->record.height / 2;
      if (!Fit(*image, 1.5, w, h, i == 1 ? AlphaForm::kStraight : AlphaForm::kPremultiplied)) {
        state.SkipWithError("cannot resample");
      }
      if (decode) delete image;
    }
  }
  for (MemorySurface* k : kept) delete k;
}

void LoadAtOneAndAHalf(benchmark::State& state) { ResampleAtOneAndAHalf(state, true); }
void ResampleOnlyAtOneAndAHalf(benchmark::State& state) { ResampleAtOneAndAHalf(state, false); }

BENCHMARK(LoadAtOne)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadAtOneAndAHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(ResampleOnlyAtOneAndAHalf)->Unit(benchmark::kMillisecond);

}  // namespace
