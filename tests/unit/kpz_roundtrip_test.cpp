// KPZ round trips through our encoder and decoder: random and real images, every payload form.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kpz_png.h"
#include "kpz_writer.h"
#include "skin/kpz.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// What the decoder must give back: the input, with alpha 255 when only three channels are kept.
Bytes Expected(const Bytes& bgra, int channels) {
  Bytes out = bgra;
  if (channels == 3) {
    for (size_t i = 3; i < out.size(); i += 4) out[i] = 0xFF;
  }
  return out;
}

void ExpectRoundTrip(const Bytes& bgra, int width, int height, const KpzEncodeOptions& options) {
  Bytes kpz;
  ASSERT_TRUE(EncodeKpz(bgra.data(), width, height, options, &kpz));
  KpzImage image = {};
  KpzError error = KpzError::kNone;
  ASSERT_TRUE(DecodeKpzImage(kpz.data(), kpz.size(), &image, &error)) << KpzErrorText(error);
  EXPECT_EQ(image.width, width);
  EXPECT_EQ(image.height, height);
  EXPECT_EQ(image.channels, options.channels);
  const Bytes got(image.pixels, image.pixels + bgra.size());
  FreeKpzImage(&image);
  ASSERT_EQ(got, Expected(bgra, options.channels))
      << width << "x" << height << " channels " << options.channels << " raw " << options.raw
      << " filter " << options.forcedFilter << " lazy " << options.lazyMatching;
}

// Random pictures of several kinds: noise, flat areas, gradients, repeating tiles, and mixes,
// so both literals and long or overlapping matches occur.
Bytes RandomPicture(std::mt19937* rng, int width, int height) {
  Bytes p(static_cast<size_t>(width) * height * 4);
  const unsigned kind = (*rng)() % 5;
  const uint8_t base[4] = {static_cast<uint8_t>((*rng)()), static_cast<uint8_t>((*rng)()),
                           static_cast<uint8_t>((*rng)()), static_cast<uint8_t>((*rng)())};
  const int tile = 1 + static_cast<int>((*rng)() % 7);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* px = &p[(static_cast<size_t>(y) * width + x) * 4];
      for (int c = 0; c < 4; ++c) {
        uint8_t v = 0;
        switch (kind) {
          case 0: v = static_cast<uint8_t>((*rng)()); break;
          case 1: v = base[c]; break;
          case 2: v = static_cast<uint8_t>(base[c] + x * (c + 1) + y * 3); break;
          case 3: v = static_cast<uint8_t>(base[c] + (x % tile) * 40 + (y % tile) * 7); break;
          default: v = ((*rng)() % 4 == 0) ? static_cast<uint8_t>((*rng)()) : base[c]; break;
        }
        px[c] = v;
      }
    }
  }
  return p;
}

TEST(KpzRoundTripTest, RandomImagesInEveryForm) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 400; ++round) {
    const int width = 1 + static_cast<int>(rng() % 80);
    const int height = 1 + static_cast<int>(rng() % 40);
    const Bytes picture = RandomPicture(&rng, width, height);
    KpzEncodeOptions options;
    options.channels = rng() % 2 ? 3 : 4;
    options.raw = rng() % 5 == 0;
    options.forcedFilter = static_cast<int>(rng() % 5);
    options.lazyMatching = rng() % 2 == 0;
    ExpectRoundTrip(picture, width, height, options);
  }
  // Wide rows (multiples of 8 and 16 bytes and not) so every Up path is taken.
  for (int width : {400, 401, 402, 350}) {
    const Bytes picture = RandomPicture(&rng, width, 12);
    for (int channels : {3, 4}) {
      KpzEncodeOptions options;
      options.channels = channels;
      options.forcedFilter = 2;
      ExpectRoundTrip(picture, width, 12, options);
    }
  }
}

TEST(KpzRoundTripTest, RealImagesAndTheHeaderFields) {
  for (const char* name : {"mascot_400x330.png", "photo_70x46.png", "gradient_96x64.png"}) {
    const std::string path = std::string(TEST_DATA_DIR) + "/kpz/" + name;
    Bytes bgra;
    int width = 0;
    int height = 0;
    std::string error;
    ASSERT_TRUE(ReadPngBgra(path.c_str(), &bgra, &width, &height, &error)) << path << ": " << error;
    for (int channels : {3, 4}) {
      for (bool raw : {false, true}) {
        KpzEncodeOptions options;
        options.channels = channels;
        options.raw = raw;
        ExpectRoundTrip(bgra, width, height, options);

        Bytes kpz;
        ASSERT_TRUE(EncodeKpz(bgra.data(), width, height, options, &kpz));
        const uint32_t unpacked = static_cast<uint32_t>(height + height * width * channels);
        EXPECT_EQ(Bytes(kpz.begin(), kpz.begin() + 4), (Bytes{'K', 'P', 'Z', 0}));
        EXPECT_EQ(kpz[4] | (kpz[5] << 8), width);
        EXPECT_EQ(kpz[6] | (kpz[7] << 8), height);
        EXPECT_EQ(kpz[8], channels);
        EXPECT_EQ(kpz[9], 1);
        EXPECT_EQ(kpz[10] | (kpz[11] << 8), raw ? 1 : 0);
        EXPECT_EQ(U32(kpz, 12), 65539u);
        EXPECT_EQ(U32(kpz, 16), 32u);
        EXPECT_EQ(U32(kpz, 20), 32u + height);
        EXPECT_EQ(U32(kpz, 24), unpacked);
        EXPECT_EQ(U32(kpz, 28), kpz.size() - 32);
        if (raw) {
          EXPECT_EQ(kpz.size(), 32u + static_cast<size_t>(width) * height * channels);
        } else {
          // The compressed form must actually compress a real picture.
          EXPECT_LT(kpz.size(), 32u + unpacked) << name;
        }
      }
    }
  }
}

TEST(KpzRoundTripTest, StreamPackerKeepsEveryByteAndUsesTheWholeWindow) {
  std::mt19937 rng(7);
  for (int round = 0; round < 60; ++round) {
    const size_t size = rng() % 20000;
    Bytes data(size);
    // Runs of repeats at assorted distances, some just inside the 4095-byte window.
    for (size_t i = 0; i < size; ++i) {
      const unsigned pick = rng() % 10;
      if (pick < 3 || i < 4100) {
        data[i] = static_cast<uint8_t>(rng() % (round % 3 == 0 ? 4 : 256));
      } else if (pick < 6) {
        data[i] = data[i - 1];
      } else {
        data[i] = data[i - 4095 + rng() % 3];
      }
    }
    for (bool lazy : {false, true}) {
      const Bytes stream = PackKpzStream(data.data(), data.size(), lazy);
      Bytes out(size + 1, 0xCC);
      KpzError error = KpzError::kNone;
      ASSERT_TRUE(UnpackKpzStream(stream.data(), stream.size(), out.data(), size, size, &error))
          << KpzErrorText(error);
      out.pop_back();
      ASSERT_EQ(out, data);
      // The end marker sits where the stream says it does: with a larger buffer the rest stays 0.
      Bytes larger(size + 10, 0);
      ASSERT_TRUE(UnpackKpzStream(stream.data(), stream.size(), larger.data(), larger.size(),
                                  larger.size(), &error));
      for (size_t i = size; i < larger.size(); ++i) ASSERT_EQ(larger[i], 0);
    }
  }
  // A block repeated exactly 4095 bytes later is found at the longest distance.
  Bytes block(6000);
  for (size_t i = 0; i < 4095; ++i) block[i] = static_cast<uint8_t>(rng());
  for (size_t i = 4095; i < block.size(); ++i) block[i] = block[i - 4095];
  const Bytes stream = PackKpzStream(block.data(), block.size(), true);
  EXPECT_LT(stream.size(), 4095u + 4095u / 256u * 2u + 64u);
}

TEST(KpzRoundTripTest, EncoderRefusesWhatTheFormatCannotHold) {
  const Bytes pixel = {1, 2, 3, 4};
  Bytes out = {9};
  KpzEncodeOptions options;
  EXPECT_FALSE(EncodeKpz(pixel.data(), 0, 1, options, &out));
  EXPECT_FALSE(EncodeKpz(pixel.data(), 1, 0, options, &out));
  EXPECT_FALSE(EncodeKpz(pixel.data(), 65536, 1, options, &out));
  options.channels = 2;
  EXPECT_FALSE(EncodeKpz(pixel.data(), 1, 1, options, &out));
  EXPECT_EQ(out, Bytes{9});
}

TEST(KpzRoundTripTest, PngHelpersKeepPixelsExactly) {
  std::mt19937 rng(3);
  const Bytes picture = RandomPicture(&rng, 33, 17);
  Bytes png;
  std::string error;
  ASSERT_TRUE(WritePngBgraToMemory(picture.data(), 33, 17, 4, &png, &error)) << error;
  Bytes back;
  int width = 0;
  int height = 0;
  ASSERT_TRUE(ReadPngBgraFromMemory(png.data(), png.size(), &back, &width, &height, &error)) << error;
  EXPECT_EQ(width, 33);
  EXPECT_EQ(height, 17);
  EXPECT_EQ(back, picture);
  const Bytes junk = {1, 2, 3};
  EXPECT_FALSE(ReadPngBgraFromMemory(junk.data(), junk.size(), &back, &width, &height, &error));
}

}  // namespace
