// KPZ decoder: LZ stream forms, row filters, output layouts, planar payload and every bound.
#include "render/image_place.h"
#include "skin/kpz.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "base/app_state.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes* b, size_t at, unsigned v) {
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(Bytes* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A file from a header and payload written by hand, so these tests do not lean on our encoder.
Bytes MakeFile(int width, int height, int channels, uint16_t storage, uint32_t unpacked,
               const Bytes& payload) {
  Bytes file(32, 0);
  file[0] = 'K';
  file[1] = 'P';
  file[2] = 'Z';
  PutU16(&file, 4, static_cast<unsigned>(width));
  PutU16(&file, 6, static_cast<unsigned>(height));
  file[8] = static_cast<uint8_t>(channels);
  file[9] = 1;
  PutU16(&file, 10, storage);
  PutU32(&file, 24, unpacked);
  file.insert(file.end(), payload.begin(), payload.end());
  return file;
}

uint32_t Needed(int width, int height, int channels) {
  return static_cast<uint32_t>(height + height * width * channels);
}

// An LZ stream carrying `raw` as literal runs only, followed by the end marker.
Bytes LiteralStream(const Bytes& raw) {
  Bytes s;
  size_t at = 0;
  while (at < raw.size()) {
    s.push_back(0xFF);
    for (int item = 0; item < 8 && at < raw.size(); ++item) {
      const size_t run = raw.size() - at < 256 ? raw.size() - at : 256;
      s.push_back(static_cast<uint8_t>(run == 256 ? 0 : run));
      s.insert(s.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + run));
      at += run;
    }
  }
  s.push_back(0x00);
  s.push_back(0x00);
  s.push_back(0x00);
  return s;
}

// The format decoded exactly as written down, with two zero-filled buffers of unpacked_size and
// none of our shortcuts (in-place rows, vector paths, kept-size cap): the reference for random
// streams. Only used on inputs known to stay in bounds.
Bytes ReferenceDecode(int width, int height, int channels, const Bytes& unpacked) {
  const size_t r = static_cast<size_t>(width) * channels;
  const size_t k = static_cast<size_t>(channels);
  Bytes rebuilt(unpacked.size(), 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t filter = unpacked[y];
    const size_t base = height + y * r;
    for (size_t i = 0; i < r; ++i) {
      const size_t at = base + i;
      const int f = unpacked[at];
      const int left = i >= k ? rebuilt[at - k] : 0;
      const int up = y > 0 ? rebuilt[at - r] : 0;
      const int upLeft = (y > 0 && i >= k) ? rebuilt[at - r - k] : 0;
      int v;
      if (filter == 1) {
        v = i < k ? f : f + left;
      } else if (filter == 2) {
        v = f + up;
      } else if (filter == 3) {
        v = i < k ? f + up : f + (left + up) / 2;
      } else if (filter == 4) {
        if (i < k) {
          v = f + up;
        } else {
          const int p = left + up - upLeft;
          const int pa = std::abs(p - left);
          const int pb = std::abs(p - up);
          const int pc = std::abs(p - upLeft);
          v = f + ((pa <= pb && pa <= pc) ? left : (pb <= pc ? up : upLeft));
        }
      } else {
        continue;
      }
      rebuilt[at] = static_cast<uint8_t>(v);
    }
  }
  Bytes out(static_cast<size_t>(width) * height * 4);
  for (size_t p = 0; p < static_cast<size_t>(width) * height; ++p) {
    for (size_t c = 0; c < 3; ++c) out[p * 4 + c] = rebuilt[height + p * k + c];
    out[p * 4 + 3] = k == 4 ? rebuilt[height + p * k + 3] : 0xFF;
  }
  return out;
}

Bytes Unpack(const Bytes& stream, size_t size, bool* ok, KpzError* error = nullptr) {
  Bytes out(size, 0);
  KpzError e = KpzError::kNone;
  *ok = UnpackKpzStream(stream.data(), stream.size(), out.data(), out.size(), out.size(), &e);
  if (error != nullptr) *error = e;
  return out;
}

Bytes DecodeWith(const CpuFeatureFlags& features, const Bytes& file, bool* ok, KpzError* error) {
  const CpuFeatureFlags saved = CpuFeatures;
  CpuFeatures = features;
  KpzImage image = {};
  *ok = DecodeKpzImage(file.data(), file.size(), &image, error);
  CpuFeatures = saved;
  if (!*ok) return {};
  Bytes pixels(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 4);
  FreeKpzImage(&image);
  return pixels;
}

// Decodes once with the processor's vector paths allowed and once with plain bytes only; both
// must agree in every outcome.
Bytes Decode(const Bytes& file, bool* ok, KpzError* error = nullptr) {
  KpzError vectorError = KpzError::kNone;
  KpzError plainError = KpzError::kNone;
  bool plainOk = false;
  const Bytes vector = DecodeWith(CpuFeatureFlags{1, 1, 1, 0, 0}, file, ok, &vectorError);
  const Bytes plain = DecodeWith(CpuFeatureFlags{}, file, &plainOk, &plainError);
  EXPECT_EQ(*ok, plainOk);
  EXPECT_EQ(vectorError, plainError);
  EXPECT_EQ(vector, plain);
  if (error != nullptr) *error = vectorError;
  return vector;
}

KpzError DecodeError(const Bytes& file) {
  bool ok = true;
  KpzError e = KpzError::kNone;
  Decode(file, &ok, &e);
  EXPECT_FALSE(ok);
  return e;
}

TEST(KpzStreamTest, ItemFormsAndLengths) {
  bool ok = false;
  EXPECT_EQ(Unpack({0x01, 0x03, 'A', 'B', 'C', 0x03, 0x10, 0x00, 0x00}, 6, &ok),
            (Bytes{'A', 'B', 'C', 'A', 'B', 'C'}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(Unpack({0x01, 0x02, 'A', 'B', 0x01, 0x00, 0x05, 0x00, 0x00}, 9, &ok),
            (Bytes{'A', 'B', 'B', 'B', 'B', 'B', 'B', 'B', 'B'}));
  EXPECT_TRUE(ok);

  // Count byte 0 is a run of 256.
  Bytes run256 = {0x01, 0x00};
  for (int i = 0; i < 256; ++i) run256.push_back(static_cast<uint8_t>(i));
  run256.insert(run256.end(), {0x00, 0x00});
  Bytes out = Unpack(run256, 260, &ok);
  EXPECT_TRUE(ok);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(out[i], i);
  EXPECT_EQ(out[256], 0);

  // Lengths: extra byte 0 → 2, nibble 15 → 17, extra byte 255 → 257; distance 1 repeats.
  struct Case {
    Bytes copy;
    size_t length;
  };
  const Case cases[] = {{{0x01, 0x00, 0x00}, 2}, {{0x01, 0xF0}, 17}, {{0x01, 0x00, 0xFF}, 257},
                        {{0x01, 0x80}, 10}};
  for (const Case& c : cases) {
    Bytes s = {0x01, 0x01, 'z'};
    s.insert(s.end(), c.copy.begin(), c.copy.end());
    s.insert(s.end(), {0x00, 0x00});
    out = Unpack(s, 300, &ok);
    EXPECT_TRUE(ok);
    for (size_t i = 0; i < 300; ++i) ASSERT_EQ(out[i], i <= c.length ? 'z' : 0) << c.length << " " << i;
  }

  // An end word ends the stream whatever its upper bits; the bytes after it are never read.
  out = Unpack({0x01, 0x01, 'q', 0x00, 0xF0, 0x01, 0x01, 'x'}, 4, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(out, (Bytes{'q', 0, 0, 0}));

  // A flag byte covers eight items; the ninth item reads a new one.
  Bytes nine = {0xFF};
  for (int i = 0; i < 8; ++i) nine.insert(nine.end(), {0x01, static_cast<uint8_t>('a' + i)});
  nine.insert(nine.end(), {0x01, 0x01, 'i', 0x00, 0x00});
  out = Unpack(nine, 9, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(out, (Bytes{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'}));

  // The distance mask is 0xFFF: distance 4095 reaches the first byte after 4095 bytes.
  Bytes far = {0x01, 0x03, 'X', 'Y', 'Z'};
  size_t produced = 3;
  int items = 1;
  auto next = [&](std::initializer_list<uint8_t> item) {
    if (items % 8 == 0) far.push_back(0x00);
    far.insert(far.end(), item);
    ++items;
  };
  while (produced < 4095) {
    const size_t length = 4095 - produced < 257 ? 4095 - produced : 257;
    next({0x01, 0x00, static_cast<uint8_t>(length - 2)});  // distance 1: more 'Z'
    produced += length;
  }
  next({0xFF, 0x1F});  // distance 4095, nibble 1: copy 3 from the very start
  next({0x00, 0x00});
  out = Unpack(far, 4099, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(out[4094], 'Z');
  EXPECT_EQ(Bytes(out.begin() + 4095, out.end()), (Bytes{'X', 'Y', 'Z', 0}));
}

TEST(KpzStreamTest, StopsCleanlyAtEveryBound) {
  KpzError e = KpzError::kNone;
  bool ok = true;
  // Input ends before a flag byte, a count, a literal, a word or an extra length byte.
  const Bytes truncated[] = {{},
                             {0x01},
                             {0x01, 0x05, 'a', 'b'},
                             {0x01, 0x01, 'a', 0x01},
                             {0x01, 0x01, 'a', 0x01, 0x00},
                             {0x01, 0x01, 'a'}};
  for (const Bytes& s : truncated) {
    Unpack(s, 16, &ok, &e);
    EXPECT_FALSE(ok);
    EXPECT_EQ(e, KpzError::kTruncated);
  }
  // Distance before the output start, also on the very first item.
  Unpack({0x00, 0x01, 0x10}, 16, &ok, &e);
  EXPECT_FALSE(ok);
  EXPECT_EQ(e, KpzError::kBadDistance);
  Unpack({0x01, 0x02, 'a', 'b', 0x03, 0x10, 0, 0}, 16, &ok, &e);
  EXPECT_FALSE(ok);
  EXPECT_EQ(e, KpzError::kBadDistance);
  // Literal and copy running past the declared size. The buffers are exactly that size, so any
  // write past them would be caught by the address sanitizer.
  Unpack({0x01, 0x05, 'a', 'b', 'c', 'd', 'e', 0, 0}, 4, &ok, &e);
  EXPECT_FALSE(ok);
  EXPECT_EQ(e, KpzError::kOverrun);
  Unpack({0x01, 0x01, 'a', 0x01, 0x20, 0, 0}, 4, &ok, &e);
  EXPECT_FALSE(ok);
  EXPECT_EQ(e, KpzError::kOverrun);
  // Exactly filling the buffer succeeds without reading an end marker.
  Bytes out = Unpack({0x01, 0x01, 'a', 0x01, 0x10}, 4, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(out, (Bytes{'a', 'a', 'a', 'a'}));

  // A declared size above the kept capacity: bytes past the capacity are dropped, not written.
  Bytes small(3, 0);
  const Bytes s = {0x01, 0x01, 'a', 0x01, 0x20, 0, 0};
  EXPECT_TRUE(UnpackKpzStream(s.data(), s.size(), small.data(), small.size(), 10, &e));
  EXPECT_EQ(small, (Bytes{'a', 'a', 'a'}));
  EXPECT_FALSE(UnpackKpzStream(s.data(), s.size(), small.data(), small.size(), 4, &e));
  EXPECT_EQ(e, KpzError::kOverrun);
}

TEST(KpzHeaderTest, RefusesWhatTheFormatCannotHold) {
  const Bytes good = MakeFile(1, 1, 4, 0, Needed(1, 1, 4), LiteralStream({1, 9, 8, 7, 6}));
  bool ok = false;
  EXPECT_EQ(Decode(good, &ok), (Bytes{9, 8, 7, 6}));
  EXPECT_TRUE(ok);

  Bytes wrongMagic = good;
  wrongMagic[3] = ' ';
  EXPECT_EQ(DecodeError(wrongMagic), KpzError::kNotKpz);
  EXPECT_EQ(DecodeError(Bytes(good.begin(), good.begin() + 31)), KpzError::kNotKpz);
  EXPECT_EQ(DecodeError(MakeFile(0, 1, 4, 0, 100, {})), KpzError::kBadSize);
  EXPECT_EQ(DecodeError(MakeFile(1, 0, 4, 0, 100, {})), KpzError::kBadSize);
  EXPECT_EQ(DecodeError(MakeFile(65535, 65535, 4, 0, 0xFFFFFFFF, {})), KpzError::kBadSize);
  // The pixel budget is checked before anything is allocated.
  KpzHeader header = {};
  KpzError e = KpzError::kNone;
  const Bytes atLimit = MakeFile(4096, 256, 3, 1, 0, {});
  EXPECT_TRUE(ReadKpzHeader(atLimit.data(), atLimit.size(), &header, &e));
  EXPECT_EQ(header.width, 4096);
  const Bytes overLimit = MakeFile(4096, 257, 3, 1, 0, {});
  EXPECT_FALSE(ReadKpzHeader(overLimit.data(), overLimit.size(), &header, &e));
  EXPECT_EQ(e, KpzError::kBadSize);
  for (int channels : {0, 1, 2, 5, 255}) {
    EXPECT_EQ(DecodeError(MakeFile(1, 1, channels, 0, 100, {})), KpzError::kBadChannels);
  }
  EXPECT_EQ(DecodeError(MakeFile(1, 1, 4, 0, Needed(1, 1, 4) - 1, LiteralStream({1, 9, 8, 7, 6}))),
            KpzError::kSmallUnpacked);
  // A larger unpacked_size is fine; the stream may fill it with bytes no row uses.
  EXPECT_EQ(Decode(MakeFile(1, 1, 4, 0, 50, LiteralStream({1, 9, 8, 7, 6, 5, 5, 5})), &ok),
            (Bytes{9, 8, 7, 6}));
  EXPECT_TRUE(ok);
  // ...but not past it.
  EXPECT_EQ(DecodeError(MakeFile(1, 1, 4, 0, 6, LiteralStream({1, 9, 8, 7, 6, 5, 5, 5}))),
            KpzError::kOverrun);
  // Truncated payloads: the stream stops short of its image.
  Bytes cut = good;
  cut.resize(cut.size() - 5);
  EXPECT_EQ(DecodeError(cut), KpzError::kTruncated);

  // Failure leaves the output record alone.
  KpzImage untouched = {7, 8, 9, nullptr};
  EXPECT_FALSE(DecodeKpzImage(wrongMagic.data(), wrongMagic.size(), &untouched));
  EXPECT_EQ(untouched.width, 7);
  EXPECT_EQ(untouched.height, 8);
  EXPECT_EQ(untouched.channels, 9);
  EXPECT_FALSE(DecodeKpzImage(nullptr, 0, &untouched));
}

TEST(KpzFilterTest, EachFilterWithItsFirstPixelRule) {
  // Two rows of two 4-byte pixels; row 0 Sub, row 1 under each filter.
  const Bytes row0 = {10, 20, 30, 40, 5, 5, 5, 5};  // rebuilt: 10 20 30 40 | 15 25 35 45
  struct Case {
    uint8_t filter;
    Bytes filtered;
    Bytes expected;
  };
  const Case cases[] = {
      {1, {1, 2, 3, 4, 1, 1, 1, 1}, {1, 2, 3, 4, 2, 3, 4, 5}},
      {2, {1, 2, 3, 4, 255, 0, 1, 2}, {11, 22, 33, 44, 14, 25, 36, 47}},
      // Average: the first pixel adds the whole byte above (10, not 5); later ones
      // (left + up) / 2.
      {3, {0, 0, 0, 0, 0, 0, 0, 0}, {10, 20, 30, 40, 12, 22, 32, 42}},
      {4, {0, 0, 0, 0, 0, 0, 0, 0}, {10, 20, 30, 40, 15, 25, 35, 45}},
      // Unknown filters leave the row zero.
      {0, {9, 9, 9, 9, 9, 9, 9, 9}, {0, 0, 0, 0, 0, 0, 0, 0}},
      {5, {9, 9, 9, 9, 9, 9, 9, 9}, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Bytes unpacked = {1, c.filter};
    unpacked.insert(unpacked.end(), row0.begin(), row0.end());
    unpacked.insert(unpacked.end(), c.filtered.begin(), c.filtered.end());
    bool ok = false;
    const Bytes pixels = Decode(MakeFile(2, 2, 4, 0, Needed(2, 2, 4), LiteralStream(unpacked)), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Bytes(pixels.begin(), pixels.begin() + 8), (Bytes{10, 20, 30, 40, 15, 25, 35, 45}));
    EXPECT_EQ(Bytes(pixels.begin() + 8, pixels.end()), c.expected) << int(c.filter);
  }

  // Average's sum needs nine bits: left 250 and up 254 average to 252, not (504 & 255) / 2.
  {
    Bytes u = {1, 3};
    const Bytes top = {200, 200, 200, 200, 54, 54, 54, 54};  // 200 | 254
    const Bytes bottom = {50, 50, 50, 50, 0, 0, 0, 0};        // 250 | 0 + (250 + 254) / 2
    u.insert(u.end(), top.begin(), top.end());
    u.insert(u.end(), bottom.begin(), bottom.end());
    bool ok = false;
    const Bytes pixels = Decode(MakeFile(2, 2, 4, 0, Needed(2, 2, 4), LiteralStream(u)), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Bytes(pixels.begin() + 8, pixels.end()),
              (Bytes{250, 250, 250, 250, 252, 252, 252, 252}));
  }

  // Paeth: the byte of the second pixel in row 1 given upleft, up and left (each pixel repeats
  // one value in all four bytes). With p = left + up - upleft, a tie between left and up is
  // only possible when they are equal, so the observable ties are left/upleft and up/upleft.
  auto paeth = [](uint8_t upLeft, uint8_t up, uint8_t left) {
    const uint8_t topSecond = static_cast<uint8_t>(up - upLeft);
    const uint8_t bottomFirst = static_cast<uint8_t>(left - upLeft);
    Bytes u = {1, 4};
    for (int c = 0; c < 4; ++c) u.push_back(upLeft);
    for (int c = 0; c < 4; ++c) u.push_back(topSecond);
    for (int c = 0; c < 4; ++c) u.push_back(bottomFirst);
    for (int c = 0; c < 4; ++c) u.push_back(0);
    bool ok = false;
    const Bytes pixels = Decode(MakeFile(2, 2, 4, 0, Needed(2, 2, 4), LiteralStream(u)), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(pixels[8], left);  // the first pixel adds the byte above
    return ok ? static_cast<int>(pixels[12]) : -1;
  };
  EXPECT_EQ(paeth(10, 13, 4), 4);   // |p-left| = |p-upleft| = 3: left
  EXPECT_EQ(paeth(2, 6, 0), 6);     // |p-up| = |p-upleft| = 2, |p-left| = 4: up
  EXPECT_EQ(paeth(0, 10, 5), 10);   // up closest
  EXPECT_EQ(paeth(5, 10, 0), 5);    // upleft closest
  EXPECT_EQ(paeth(200, 250, 10), 10);  // p = 60 in plain integers, not modulo 256

  // Up, Average and Paeth on the first row would read above the image.
  for (uint8_t f : {2, 3, 4}) {
    EXPECT_EQ(DecodeError(MakeFile(1, 1, 4, 0, Needed(1, 1, 4), LiteralStream({f, 1, 2, 3, 4}))),
              KpzError::kRowAboveFirst);
  }
  // Unknown filters on the first row are fine (zero row), and the rows below build on zeros.
  bool ok = false;
  const Bytes pixels = Decode(
      MakeFile(1, 3, 4, 0, Needed(1, 3, 4), LiteralStream({5, 2, 3, 9, 9, 9, 9, 1, 2, 3, 4, 6, 6, 6, 6})),
      &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(pixels, (Bytes{0, 0, 0, 0, 1, 2, 3, 4, 7, 8, 9, 10}));
}

TEST(KpzFilterTest, RandomStreamsMatchTheReferenceInBothChannelCounts) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    const int channels = round % 2 ? 3 : 4;
    const int width = 1 + static_cast<int>(rng() % 37);
    const int height = 1 + static_cast<int>(rng() % 9);
    const size_t size = Needed(width, height, channels);
    Bytes unpacked(size);
    for (auto& b : unpacked) b = static_cast<uint8_t>(rng());
    // Mostly valid filters, sometimes unknown ones; never 2-4 on the first row.
    for (int y = 0; y < height; ++y) {
      const unsigned pick = rng() % 8;
      unpacked[y] = static_cast<uint8_t>(pick < 4 ? pick + 1 : (pick == 4 ? 0 : (pick == 5 ? 5 : 200)));
      if (y == 0 && unpacked[0] >= 2 && unpacked[0] <= 4) unpacked[0] = 1;
    }
    bool ok = false;
    const Bytes pixels = Decode(
        MakeFile(width, height, channels, 0, static_cast<uint32_t>(size), LiteralStream(unpacked)), &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(pixels, ReferenceDecode(width, height, channels, unpacked))
        << width << "x" << height << "x" << channels;
    if (channels == 3) {
      for (size_t i = 3; i < pixels.size(); i += 4) ASSERT_EQ(pixels[i], 0xFF);
    }
  }
}

TEST(KpzFilterTest, UpPathsAgreeOnEveryLengthAndInPlace) {
  std::mt19937 rng(99);
  for (size_t length : {1u, 7u, 8u, 15u, 16u, 24u, 31u, 32u, 1600u, 1601u}) {
    Bytes filtered(length);
    Bytes above(length);
    for (auto& b : filtered) b = static_cast<uint8_t>(rng());
    for (auto& b : above) b = static_cast<uint8_t>(rng());
    Bytes expected(length);
    for (size_t i = 0; i < length; ++i) expected[i] = static_cast<uint8_t>(filtered[i] + above[i]);
    for (KpzUpPath path : {KpzUpPath::kBytewise, KpzUpPath::kMmx, KpzUpPath::kSse2}) {
      Bytes row(length, 0xAA);
      UnfilterKpzUpRow(row.data(), filtered.data(), above.data(), length, path);
      EXPECT_EQ(row, expected) << length;
      Bytes inPlace = filtered;
      UnfilterKpzUpRow(inPlace.data(), inPlace.data(), above.data(), length, path);
      EXPECT_EQ(inPlace, expected) << length;
    }
  }
  const CpuFeatureFlags saved = CpuFeatures;
  CpuFeatures = CpuFeatureFlags{1, 1, 1, 0, 0};
  EXPECT_EQ(ChooseKpzUpPath(1600), KpzUpPath::kSse2);
  EXPECT_EQ(ChooseKpzUpPath(24), KpzUpPath::kMmx);
  EXPECT_EQ(ChooseKpzUpPath(300), KpzUpPath::kBytewise);
  CpuFeatures = CpuFeatureFlags{1, 0, 0, 0, 0};
  EXPECT_EQ(ChooseKpzUpPath(1600), KpzUpPath::kMmx);
  CpuFeatures = CpuFeatureFlags{};
  EXPECT_EQ(ChooseKpzUpPath(1600), KpzUpPath::kBytewise);
  CpuFeatures = saved;
}

TEST(KpzRawTest, PlanesBecomePixelsInBothStepSizes) {
  std::mt19937 rng(5);
  for (int channels : {3, 4}) {
    for (int width : {4, 8, 5, 7, 1}) {
      const int height = 3;
      const size_t count = static_cast<size_t>(width) * height;
      Bytes planes(count * channels);
      for (auto& b : planes) b = static_cast<uint8_t>(rng());
      // unpacked_size is not used by the planar form, so even 0 decodes.
      bool ok = false;
      const Bytes pixels = Decode(MakeFile(width, height, channels, 1, 0, planes), &ok);
      ASSERT_TRUE(ok);
      for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) ASSERT_EQ(pixels[i * 4 + c], planes[c * count + i]);
        ASSERT_EQ(pixels[i * 4 + 3], channels == 4 ? planes[3 * count + i] : 0xFF);
      }
      Bytes shortPlanes = planes;
      shortPlanes.pop_back();
      EXPECT_EQ(DecodeError(MakeFile(width, height, channels, 1, 0, shortPlanes)), KpzError::kTruncated);
    }
  }
}

TEST(KpzPlaceTest, ClipsToSmallerTargetsAndLeavesTheRestOfLargerOnes) {
  // A 3 × 2 image of distinct pixels.
  Bytes pixels(3 * 2 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i + 1);
  const KpzImage image = {3, 2, 4, pixels.data()};

  auto makeTarget = [](int w, int h, Bytes* store, std::vector<int>* rows) {
    // A stride wider than the row, so writes that ignore the row table show up.
    const int stride = w * 4 + 8;
    store->assign(static_cast<size_t>(stride) * h, 0xEE);
    rows->resize(h);
    for (int y = 0; y < h; ++y) (*rows)[y] = y * stride;
    Surface s = {};
    s.bitmap = store->data();
    s.bits = store->data();
    s.width = w;
    s.height = h;
    s.bytesPerPixel = 4;
    s.stride = stride;
    s.rowOffsets = rows->data();
    return s;
  };

  Bytes small;
  std::vector<int> smallRows;
  Surface target = makeTarget(2, 1, &small, &smallRows);
  ASSERT_TRUE(PlaceKpzImage(image, &target));
  EXPECT_EQ(Bytes(small.begin(), small.begin() + 8), Bytes(pixels.begin(), pixels.begin() + 8));
  for (size_t i = 8; i < small.size(); ++i) EXPECT_EQ(small[i], 0xEE);

  Bytes large;
  std::vector<int> largeRows;
  target = makeTarget(5, 4, &large, &largeRows);
  ASSERT_TRUE(PlaceKpzImage(image, &target));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      for (int c = 0; c < 4; ++c) {
        const uint8_t got = large[largeRows[y] + x * 4 + c];
        const uint8_t want = (x < 3 && y < 2) ? pixels[(y * 3 + x) * 4 + c] : 0xEE;
        ASSERT_EQ(got, want) << x << "," << y;
      }
    }
  }

  Surface empty = {};
  EXPECT_FALSE(PlaceKpzImage(image, &empty));
  EXPECT_FALSE(PlaceKpzImage(image, nullptr));
}

}  // namespace
