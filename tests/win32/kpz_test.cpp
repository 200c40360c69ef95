// KPZ images into DIB-section surfaces: creation at the image's size, reuse with clipping,
// damaged data, and lookup of "KPZ" resources by name without regard to case.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "../shared/temp_folder_win32.h"
#include "render/kpz_surface_win32.h"
#include "render/surface.h"
#include "skin/kpz.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A w × h four-channel image whose pixel (x, y) is B = x, G = y, R = 0x80, A = 0xC0, as a
// compressed KPZ file: every row Sub-filtered, the stream made of literal runs.
Bytes MakeImage(int w, int h) {
  Bytes unpacked(static_cast<size_t>(h), 1);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t px[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 0x80, 0xC0};
      for (int c = 0; c < 4; ++c) {
        const uint8_t left = x == 0 ? 0 : (c == 0 ? static_cast<uint8_t>(x - 1) : px[c]);
        unpacked.push_back(static_cast<uint8_t>(px[c] - left));
      }
    }
  }
  Bytes file(32, 0);
  const char magic[4] = {'K', 'P', 'Z', 0};
  memcpy(file.data(), magic, 4);
  file[4] = static_cast<uint8_t>(w);
  file[6] = static_cast<uint8_t>(h);
  file[8] = 4;
  file[9] = 1;
  const uint32_t size = static_cast<uint32_t>(unpacked.size());
  memcpy(&file[24], &size, 4);
  for (size_t at = 0; at < unpacked.size();) {
    file.push_back(0xFF);
    for (int item = 0; item < 8 && at < unpacked.size(); ++item) {
      const size_t run = unpacked.size() - at < 200 ? unpacked.size() - at : 200;
      file.push_back(static_cast<uint8_t>(run));
      file.insert(file.end(), unpacked.begin() + at, unpacked.begin() + at + run);
      at += run;
    }
  }
  file.insert(file.end(), {0, 0, 0, 0});
  return file;
}

void ExpectImageAt(const Surface& s, int w, int h) {
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* px = s.bits + s.rowOffsets[y] + x * 4;
      ASSERT_EQ(px[0], x);
      ASSERT_EQ(px[1], y);
      ASSERT_EQ(px[2], 0x80);
      ASSERT_EQ(px[3], 0xC0);
    }
  }
}

TEST(KpzWin32Test, DecodeCreatesTheSurfaceAtTheImageSize) {
  const Bytes file = MakeImage(37, 5);
  Surface s = {};
  const std::string longName(300, 'k');
  ASSERT_TRUE(DecodeKpz(file.data(), file.size(), longName.c_str(), &s));
  ASSERT_TRUE(SurfaceExists(s));
  EXPECT_EQ(s.width, 37);
  EXPECT_EQ(s.height, 5);
  EXPECT_EQ(strlen(s.name), 255u);
  ExpectImageAt(s, 37, 5);
  // Through GDI as well: straight colour, top-down.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, static_cast<HBITMAP>(s.bitmap));
  EXPECT_EQ(GetPixel(dc, 3, 4), RGB(0x80, 4, 3));
  SelectObject(dc, old);
  DeleteDC(dc);
  FreeSurface(&s);
}

TEST(KpzWin32Test, ExistingSurfacesKeepTheirSizeAndAreClipped) {
  const Bytes file = MakeImage(6, 4);
  // Larger: the image lands at the top-left, the rest keeps what it had.
  Surface large = {};
  ASSERT_TRUE(CreateSurface(&large, 9, 7, "large"));
  memset(large.bits, 0x33, static_cast<size_t>(large.stride) * large.height);
  void* bitmap = large.bitmap;
  ASSERT_TRUE(DecodeKpz(file.data(), file.size(), "ignored", &large));
  EXPECT_EQ(large.bitmap, bitmap);
  EXPECT_EQ(large.width, 9);
  EXPECT_EQ(large.height, 7);
  EXPECT_STREQ(large.name, "large");
  ExpectImageAt(large, 6, 4);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 9; ++x) {
      if (x < 6 && y < 4) continue;
      for (int c = 0; c < 4; ++c) ASSERT_EQ(large.bits[large.rowOffsets[y] + x * 4 + c], 0x33);
    }
  }
  FreeSurface(&large);

  // Smaller: only the part that fits is written.
  Surface small = {};
  ASSERT_TRUE(CreateSurface(&small, 4, 2, "small"));
  ASSERT_TRUE(DecodeKpz(file.data(), file.size(), "ignored", &small));
  EXPECT_EQ(small.width, 4);
  EXPECT_EQ(small.height, 2);
  ExpectImageAt(small, 4, 2);
  FreeSurface(&small);
}

TEST(KpzWin32Test, DamagedDataLeavesTheSurfaceAsItWas) {
  Bytes file = MakeImage(6, 4);
  Bytes wrongMagic = file;
  wrongMagic[1] = 'X';
  Bytes cut(file.begin(), file.begin() + 50);
  Bytes rowAbove = file;
  rowAbove[32 + 2] = 2;  // first row's filter byte (inside the first literal run) becomes Up
  Surface s = {};
  for (const Bytes* bad : {&wrongMagic, &cut, &rowAbove}) {
    EXPECT_FALSE(DecodeKpz(bad->data(), bad->size(), "bad", &s));
    EXPECT_FALSE(SurfaceExists(s));
  }
  ASSERT_TRUE(CreateSurface(&s, 6, 4, "kept"));
  memset(s.bits, 0x44, static_cast<size_t>(s.stride) * s.height);
  EXPECT_FALSE(DecodeKpz(cut.data(), cut.size(), "bad", &s));
  for (int i = 0; i < s.stride * s.height; ++i) ASSERT_EQ(s.bits[i], 0x44);
  FreeSurface(&s);
  EXPECT_FALSE(DecodeKpz(file.data(), file.size(), "x", nullptr));
}

TEST(KpzWin32Test, ResourcesAreFoundByNameWithoutRegardToCase) {
  Surface s = {};
  // The test program carries no KPZ resources of this name.
  EXPECT_FALSE(LoadKpzResource("NO_SUCH_IMAGE", &s));
  EXPECT_FALSE(SurfaceExists(s));

  // A copy of this program with two KPZ resources added, loaded as a data file.
  TempFolder folder;
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  const std::string copy = folder / "withkpz.exe";
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
  const Bytes good = MakeImage(5, 3);
  Bytes broken = good;
  broken[0] = 'Q';
  HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceA(update, "KPZ", "FACE.KPZ", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              const_cast<uint8_t*>(good.data()), static_cast<DWORD>(good.size())));
  ASSERT_TRUE(UpdateResourceA(update, "KPZ", "BROKEN", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              broken.data(), static_cast<DWORD>(broken.size())));
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);

  bool decoded = false;
  EXPECT_TRUE(LoadKpzResourceFrom(module, "face.kpz", &s, &decoded));
  EXPECT_TRUE(decoded);
  ASSERT_TRUE(SurfaceExists(s));
  EXPECT_EQ(s.width, 5);
  EXPECT_EQ(s.height, 3);
  EXPECT_STREQ(s.name, "face.kpz");
  ExpectImageAt(s, 5, 3);
  FreeSurface(&s);

  // A damaged image is still "found": true, but no surface is made.
  EXPECT_TRUE(LoadKpzResourceFrom(module, "Broken", &s, &decoded));
  EXPECT_FALSE(decoded);
  EXPECT_FALSE(SurfaceExists(s));
  EXPECT_FALSE(LoadKpzResourceFrom(module, "missing", &s, &decoded));
  EXPECT_FALSE(decoded);
  FreeLibrary(module);
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::string>*>(list)->push_back(name);
  return TRUE;
}

// The program's own built-in images (this test program carries the same resource script),
// found through LoadKpzResource itself under a lower-case spelling of each name.
TEST(KpzWin32Test, BuiltInImagesLoadUnderAnySpelling) {
  std::vector<std::string> names;
  EnumResourceNamesA(nullptr, "KPZ", CollectName, reinterpret_cast<LONG_PTR>(&names));
  if (names.empty()) GTEST_SKIP() << "no built-in KPZ images in this build";
  for (const std::string& name : names) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    Surface s = {};
    EXPECT_TRUE(LoadKpzResource(lower.c_str(), &s)) << name;
    ASSERT_TRUE(SurfaceExists(s)) << name;
    EXPECT_GT(s.width, 0);
    EXPECT_GT(s.height, 0);
    // Reloading into the existing surface keeps it and gives the same pixels.
    const std::vector<uint8_t> first(s.bits, s.bits + static_cast<size_t>(s.stride) * s.height);
    memset(s.bits, 0x77, first.size());
    EXPECT_TRUE(LoadKpzResource(name.c_str(), &s));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), s.bits)) << name;
    FreeSurface(&s);
  }
}

// The product's own processor paths (MMX and SSE2 in 32-bit code) against plain bytes.
TEST(KpzWin32Test, UpFilterPathsAgreeInThisBuild) {
  for (size_t length : {8u, 16u, 24u, 1600u, 1601u}) {
    Bytes filtered(length);
    Bytes above(length);
    for (size_t i = 0; i < length; ++i) {
      filtered[i] = static_cast<uint8_t>(i * 37 + 11);
      above[i] = static_cast<uint8_t>(i * 101 + 200);
    }
    Bytes bytewise(length);
    UnfilterKpzUpRow(bytewise.data(), filtered.data(), above.data(), length, KpzUpPath::kBytewise);
    for (size_t i = 0; i < length; ++i) {
      ASSERT_EQ(bytewise[i], static_cast<uint8_t>(filtered[i] + above[i]));
    }
    for (KpzUpPath path : {KpzUpPath::kMmx, KpzUpPath::kSse2}) {
      Bytes row(length, 0);
      UnfilterKpzUpRow(row.data(), filtered.data(), above.data(), length, path);
      EXPECT_EQ(row, bytewise) << length;
    }
  }
  // The MMX path must leave the floating-point unit usable.
  volatile double x = 1.5;
  EXPECT_EQ(x * 2.0, 3.0);
}

}  // namespace
