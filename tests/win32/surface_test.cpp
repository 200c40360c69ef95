// Surfaces as DIB sections: format, size arithmetic, name limit, reuse and release.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "render/surface.h"

namespace {

TEST(SurfaceTest, CreateMakesAZeroedTopDownBitfieldsSectionAndKeepsAShortName) {
  Surface s = {};
  std::string longName(300, 'n');
  longName[254] = 'x';
  ASSERT_TRUE(CreateSurface(&s, 37, 5, longName.c_str()));
  EXPECT_EQ(s.width, 37);
  EXPECT_EQ(s.height, 5);
  EXPECT_EQ(s.bytesPerPixel, 4);
  EXPECT_EQ(s.stride, 37 * 4);
  EXPECT_EQ(strlen(s.name), 255u);
  EXPECT_EQ(s.name[254], 'x');
  for (int y = 0; y < 5; ++y) EXPECT_EQ(s.rowOffsets[y], y * s.stride);
  for (int i = 0; i < s.stride * s.height; ++i) ASSERT_EQ(s.bits[i], 0) << i;

  DIBSECTION dib = {};
  ASSERT_EQ(GetObjectA(static_cast<HBITMAP>(s.bitmap), sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBmih.biWidth, 37);
  EXPECT_EQ(abs(dib.dsBmih.biHeight), 5);  // the sign is reported either way; row order below
  EXPECT_EQ(dib.dsBmih.biBitCount, 32);
  EXPECT_EQ(dib.dsBmih.biCompression, static_cast<DWORD>(BI_BITFIELDS));
  EXPECT_EQ(dib.dsBitfields[0], 0x00FF0000u);
  EXPECT_EQ(dib.dsBitfields[1], 0x0000FF00u);
  EXPECT_EQ(dib.dsBitfields[2], 0x000000FFu);
  EXPECT_EQ(dib.dsBm.bmBits, s.bits);

  // Pixel (1, 0) written as bytes B, G, R, A at the start of the bits reads back through GDI as
  // that colour at the top row: the section is top-down.
  s.bits[4] = 0x11;
  s.bits[5] = 0x22;
  s.bits[6] = 0x33;
  s.bits[7] = 0xFF;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, static_cast<HBITMAP>(s.bitmap));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0x33, 0x22, 0x11));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);

  // Creating into a record that holds a surface replaces it.
  HGDIOBJ first = s.bitmap;
  ASSERT_TRUE(CreateSurface(&s, 2, 3, "again"));
  EXPECT_NE(s.bitmap, first);
  EXPECT_EQ(GetObjectType(first), 0u);  // the old bitmap is gone
  EXPECT_STREQ(s.name, "again");

  FreeSurface(&s);
  EXPECT_FALSE(SurfaceExists(s));
  EXPECT_EQ(s.bits, nullptr);
  EXPECT_EQ(s.rowOffsets, nullptr);
  FreeSurface(&s);  // harmless on an empty record
}

TEST(SurfaceTest, ImpossibleSizesLeaveTheRecordAsItWas) {
  Surface s = {};
  ASSERT_TRUE(CreateSurface(&s, 4, 4, "kept"));
  Surface before = s;
  EXPECT_FALSE(CreateSurface(&s, 0, 4, "no"));
  EXPECT_FALSE(CreateSurface(&s, 4, -1, "no"));
  EXPECT_FALSE(CreateSurface(&s, 100000, 100000, "no"));
  EXPECT_EQ(s.bitmap, before.bitmap);
  EXPECT_STREQ(s.name, "kept");
  FreeSurface(&s);
}

}  // namespace
