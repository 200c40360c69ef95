// The built-in skins as shipped: brand documents, the images they name (each also at twice the
// size), and the sheet layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "../shared/read_file.h"
#include "render/scaled_images.h"
#include "skin/catalogue.h"
#include "skin/kpz.h"

namespace {

const std::string kResources = MASCOT_RESOURCES_DIR;

struct ExpectedBrand {
  const char* resource;
  int code;
  int skinCount;
};

// The five built-in documents in the order the catalogue reads them.
constexpr ExpectedBrand kBrands[] = {
    {"TARVO", 1, 4}, {"PELLIN", 2, 3}, {"QUORRA", 3, 3}, {"VIMSY", 4, 5}, {"MELDO", 5, 0}};

// Face layout sizes.
constexpr int kPictureWidth = 350;
constexpr int kWidePictureWidth = 400;
constexpr int kPictureHeight = 330;
constexpr int kBarWidth = 350;
constexpr int kBarHeight = 50;
constexpr int kMojiWidth = 75;
constexpr int kMojiHeight = 362;
// Brand index and skin index of the one picture whose face sits 25 pixels further right.
constexpr int kWideBrand = 0;
constexpr int kWideSkin = 1;
constexpr int kWideShift = 25;

struct Cell {
  int x, y, w, h;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Reads `NAME TYPE "path"` lines of a generated resource script: name (lower case) -> path
// relative to resources/, in file order.
std::vector<std::pair<std::string, std::string>> ReadResourceScript(const std::string& file,
                                                                    const std::string& type) {
  std::vector<std::pair<std::string, std::string>> entries;
  std::vector<uint8_t> text;
  ReadWholeFile(kResources + "/" + file, &text);
  std::string all(text.begin(), text.end());
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line.compare(0, 2, "//") == 0) continue;
    char name[128], kind[16], path[256];
    if (std::sscanf(line.c_str(), "%127s %15s \"%255[^\"]\"", name, kind, path) == 3 && type == kind) {
      entries.emplace_back(Lower(name), path);
    }
  }
  return entries;
}

struct Image {
  bool ok = false;
  KpzError error = KpzError::kNone;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;

  int Alpha(int x, int y) const { return bgra[(static_cast<size_t>(y) * width + x) * 4 + 3]; }
  const uint8_t* Pixel(int x, int y) const { return &bgra[(static_cast<size_t>(y) * width + x) * 4]; }
};

Image DecodeFile(const std::string& path) {
  Image image;
  std::vector<uint8_t> data;
  ReadWholeFile(path, &data);
  KpzImage decoded = {};
  image.ok = !data.empty() && DecodeKpzImage(data.data(), data.size(), &decoded, &image.error);
  if (image.ok) {
    image.width = decoded.width;
    image.height = decoded.height;
    image.bgra.assign(decoded.pixels, decoded.pixels + static_cast<size_t>(decoded.width) * decoded.height * 4);
    FreeKpzImage(&decoded);
  }
  return image;
}

// Byte-wise Shift-JIS check: single bytes are ASCII or half-width katakana, double bytes a lead
// byte 81-9F or E0-FC followed by a trail byte 40-7E or 80-FC.
bool IsShiftJis(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    const unsigned char c = *p++;
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;
    if (!((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))) return false;
    const unsigned char t = *p++;
    if (!((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC))) return false;
  }
  return true;
}

bool HasNonAscii(const char* text) {
  for (const char* p = text; *p != 0; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return true;
  }
  return false;
}

// Japanese text written as UTF-8 (three-byte sequences E3 xx xx and the like) is almost never
// valid Shift-JIS, and the reverse holds too; a document that skipped conversion fails here.
bool IsValidUtf8(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    const unsigned char c = *p++;
    int follow = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (follow < 0) return false;
    while (follow-- > 0) {
      if ((*p++ >> 6) != 2) return false;
    }
  }
  return true;
}

std::string DocumentText(const std::string& path) {
  std::vector<uint8_t> bytes;
  ReadWholeFile(kResources + "/" + path, &bytes);
  return std::string(bytes.begin(), bytes.end());
}

class BuiltInSkins : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetCatalogue();
    documents_ = ReadResourceScript("catalogue.rc", "XML");
    for (const auto& entry : ReadResourceScript("images.rc", "KPZ")) images_[entry.first] = entry.second;
  }

  // Parses every built-in document into the brand table, as the program does at start.
  void ParseAll() {
    for (const auto& document : documents_) {
      std::string text = DocumentText(document.second);
      ASSERT_TRUE(ParseCatalogue(text.c_str(), kSkinFromResources, "")) << document.first;
    }
    // Every check below walks the table; an empty one must not pass them by default.
    int expected = 0;
    for (const ExpectedBrand& brand : kBrands) expected += brand.skinCount;
    int found = 0;
    for (const BrandRecord& brand : BrandTable) found += brand.skinCount;
    ASSERT_EQ(found, expected);
  }

  // The path of `name`, or of its twice-size version when `factor` is 2.
  std::string ImagePath(const char* name, int factor = 1) {
    char twice[64];
    if (factor == 2 && !DoubleSizeName(name, twice, sizeof twice)) return std::string();
    auto it = images_.find(Lower(factor == 2 ? twice : name));
    return it == images_.end() ? std::string() : kResources + "/" + it->second;
  }

  std::vector<std::pair<std::string, std::string>> documents_;
  std::map<std::string, std::string> images_;
};

TEST_F(BuiltInSkins, ResourceScriptListsTheFiveDocumentsInCatalogueOrder) {
  ASSERT_EQ(documents_.size(), std::size(kBrands));
  for (size_t i = 0; i < documents_.size(); ++i) {
    EXPECT_EQ(documents_[i].first, Lower(kBrands[i].resource));
    EXPECT_FALSE(DocumentText(documents_[i].second).empty()) << documents_[i].second;
  }
}

TEST_F(BuiltInSkins, EachDocumentParsesToItsBrandCodeAndSkinCount) {
  ASSERT_EQ(documents_.size(), std::size(kBrands));
  for (size_t i = 0; i < documents_.size(); ++i) {
    SCOPED_TRACE(kBrands[i].resource);
    ResetCatalogue();
    std::string text = DocumentText(documents_[i].second);
    EXPECT_NE(text.find("encoding=\"Shift_JIS\""), std::string::npos);
    ASSERT_TRUE(ParseCatalogue(text.c_str(), kSkinFromResources, ""));
    for (int b = 0; b < kBrandCount; ++b) {
      const BrandRecord& brand = BrandTable[b];
      if (b == kBrands[i].code - 1) {
        // Listed exactly when it has skins: the dialog never offers a brand with nothing in it,
        // and a package with the code fills both.
        EXPECT_EQ(brand.title[0] != '\0', kBrands[i].skinCount > 0);
        EXPECT_EQ(brand.skinCount, kBrands[i].skinCount);
      } else {
        EXPECT_EQ(brand.title[0], '\0') << "brand record " << b;
        EXPECT_EQ(brand.skinCount, 0) << "brand record " << b;
      }
    }
  }
}

TEST_F(BuiltInSkins, TextsAreShiftJisAndEverySkinIsComplete) {
  ParseAll();
  int withBrackets = 0;
  for (const ExpectedBrand& expected : kBrands) {
    const BrandRecord& brand = BrandTable[expected.code - 1];
    SCOPED_TRACE(expected.resource);
    EXPECT_TRUE(IsShiftJis(brand.title));
    if (brand.title[0] != '\0') {
      EXPECT_TRUE(HasNonAscii(brand.title) && !IsValidUtf8(brand.title));
    }
    for (int k = 0; k < brand.skinCount; ++k) {
      const SkinRecord& skin = brand.skins[k];
      SCOPED_TRACE(skin.file);
      for (const char* text : {skin.name, skin.comment}) {
        EXPECT_TRUE(IsShiftJis(text));
        EXPECT_TRUE(HasNonAscii(text) && !IsValidUtf8(text));
      }
      // A stem must be there in front of the ".kpz" the parser appends.
      for (const char* image : {skin.file, skin.rss, skin.moji}) EXPECT_GT(std::strlen(image), 4u);
      EXPECT_EQ(skin.source, kSkinFromResources);
      EXPECT_EQ(skin.package[0], '\0');
      if (std::strchr(skin.comment, '<') != nullptr && std::strchr(skin.comment, '>') != nullptr) ++withBrackets;
    }
  }
  // The tag extractor copies nested markup as text; one comment carries brackets to prove it.
  EXPECT_EQ(withBrackets, 1);
}

TEST_F(BuiltInSkins, EveryNamedImageIsBuiltInAndDecodesToItsLayoutSize) {
  ParseAll();
  std::set<std::string> used;
  for (int b = 0; b < kBrandCount; ++b) {
    const BrandRecord& brand = BrandTable[b];
    for (int k = 0; k < brand.skinCount; ++k) {
      const SkinRecord& skin = brand.skins[k];
      SCOPED_TRACE(skin.file);
      const bool wide = b == kWideBrand && k == kWideSkin;
      const struct {
        const char* name;
        int width, height;
      } wanted[] = {{skin.file, wide ? kWidePictureWidth : kPictureWidth, kPictureHeight},
                    {skin.rss, kBarWidth, kBarHeight},
                    {skin.moji, kMojiWidth, kMojiHeight}};
      for (const auto& w : wanted) {
        for (int factor : {1, 2}) {
          const std::string path = ImagePath(w.name, factor);
          ASSERT_FALSE(path.empty()) << w.name << " at " << factor << "x is not in images.rc";
          used.insert(path);
          Image image = DecodeFile(path);
          ASSERT_TRUE(image.ok) << path << ": " << KpzErrorText(image.error);
          EXPECT_EQ(image.width, w.width * factor) << path;
          EXPECT_EQ(image.height, w.height * factor) << path;
        }
      }
    }
  }
  EXPECT_EQ(used.size(), images_.size()) << "images.rc carries images no skin names";
}

TEST_F(BuiltInSkins, PicturesKeepTheClockAreaPlainAndOpaque) {
  ParseAll();
  for (int b = 0; b < kBrandCount; ++b) {
    for (int k = 0; k < BrandTable[b].skinCount; ++k) {
      for (int f : {1, 2}) {
        const SkinRecord& skin = BrandTable[b].skins[k];
        SCOPED_TRACE(std::string(skin.file) + " at " + std::to_string(f) + "x");
        Image image = DecodeFile(ImagePath(skin.file, f));
        ASSERT_TRUE(image.ok);
        ASSERT_EQ(image.height, kPictureHeight * f);
        const int shift = (b == kWideBrand && k == kWideSkin) ? kWideShift : 0;
        ASSERT_GE(image.width, (120 + shift) * f);
        // The glyphs are drawn over whatever the picture has here: a plain opaque panel keeps
        // them readable, so nothing of the character may reach in.
        const uint8_t* panel = image.Pixel((30 + shift) * f, 182 * f);
        int odd = 0;
        for (int y = 182 * f; y < 262 * f; ++y) {
          for (int x = (30 + shift) * f; x < (120 + shift) * f; ++x) {
            if (std::memcmp(image.Pixel(x, y), panel, 4) != 0) ++odd;
          }
        }
        EXPECT_EQ(panel[3], 255);
        EXPECT_EQ(odd, 0);
      }
    }
  }
}

TEST_F(BuiltInSkins, BarsLeaveADarkCalmTextWindow) {
  ParseAll();
  std::set<std::string> seen;
  for (int b = 0; b < kBrandCount; ++b) {
    for (int k = 0; k < BrandTable[b].skinCount; ++k) {
      const char* name = BrandTable[b].skins[k].rss;
      if (!seen.insert(name).second) continue;
      SCOPED_TRACE(name);
      Image bar = DecodeFile(ImagePath(name));
      ASSERT_TRUE(bar.ok);
      ASSERT_EQ(bar.width, kBarWidth);
      ASSERT_EQ(bar.height, kBarHeight);
      // White ticker text with a black shadow sits in x 20-330, y 11-41: the window must be
      // opaque and dark throughout (luma in 0-255, BGRA order).
      int brightest = 0;
      for (int y = 11; y < 41; ++y) {
        for (int x = 20; x < 330; ++x) {
          const uint8_t* p = bar.Pixel(x, y);
          EXPECT_EQ(p[3], 255) << x << "," << y;
          brightest = std::max(brightest, (114 * p[0] + 587 * p[1] + 299 * p[2]) / 1000);
        }
      }
      EXPECT_LT(brightest, 128);
    }
  }
}

// The cells of a sheet drawn at `f` times the size.
std::vector<Cell> GlyphCells(int f) {
  std::vector<Cell> cells;
  for (int d = 0; d < 10; ++d) cells.push_back({7, 28 * d, 18, 28});      // large digits
  for (int d = 0; d < 10; ++d) cells.push_back({59, 28 * d, 11, 28});     // small digits
  for (int m = 1; m <= 12; ++m) cells.push_back({25, 28 * (m - 1), 34, 28});  // months
  cells.push_back({17, 300, 6, 6});                                       // colon dot
  cells.push_back({36, 346, 18, 12});                                     // morning mark
  cells.push_back({54, 346, 18, 12});                                     // afternoon mark
  for (Cell& c : cells) c = Cell{c.x * f, c.y * f, c.w * f, c.h * f};
  return cells;
}

bool SameCell(const Image& image, const Cell& a, const Cell& b) {
  for (int y = 0; y < a.h; ++y) {
    if (std::memcmp(image.Pixel(a.x, a.y + y), image.Pixel(b.x, b.y + y), a.w * 4) != 0) return false;
  }
  return true;
}

TEST_F(BuiltInSkins, DigitSheetsHaveAGlyphInEveryCellKeptOffItsEdges) {
  ParseAll();
  std::set<std::string> seen;
  for (int b = 0; b < kBrandCount; ++b) {
    for (int k = 0; k < BrandTable[b].skinCount; ++k) {
      const char* name = BrandTable[b].skins[k].moji;
      if (!seen.insert(name).second) continue;
      for (int f : {1, 2}) {
        SCOPED_TRACE(std::string(name) + " at " + std::to_string(f) + "x");
        const std::vector<Cell> cells = GlyphCells(f);
        const int width = kMojiWidth * f;
        const int height = kMojiHeight * f;
        Image moji = DecodeFile(ImagePath(name, f));
        ASSERT_TRUE(moji.ok);
        ASSERT_EQ(moji.width, width);
        ASSERT_EQ(moji.height, height);
        std::vector<bool> inCell(static_cast<size_t>(width) * height, false);
        for (const Cell& cell : cells) {
          int solid = 0;
          for (int y = cell.y; y < cell.y + cell.h; ++y) {
            for (int x = cell.x; x < cell.x + cell.w; ++x) {
              // Ink on a cell's edge is a glyph the cell cut: on the face it ends in a hard
              // stroke beside the glyph.
              const bool edge =
                  x == cell.x || x == cell.x + cell.w - 1 || y == cell.y || y == cell.y + cell.h - 1;
              inCell[static_cast<size_t>(y) * width + x] = !edge;
              if (moji.Alpha(x, y) >= 128) ++solid;
            }
          }
          // A glyph worth the name covers a fair part of its cell, not a stray pixel.
          EXPECT_GE(solid * 10, cell.w * cell.h) << "cell at " << cell.x << "," << cell.y;
        }
        int stray = 0;
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            if (!inCell[static_cast<size_t>(y) * width + x] && moji.Alpha(x, y) != 0) ++stray;
          }
        }
        EXPECT_EQ(stray, 0) << "ink on a cell's edge or outside the cells";
        // Ten different large digits, ten different small ones, twelve different months.
        for (size_t i = 0; i < 32; ++i) {
          for (size_t j = i + 1; j < 32; ++j) {
            if (cells[i].w == cells[j].w) {
              EXPECT_FALSE(SameCell(moji, cells[i], cells[j])) << "cells " << i << " and " << j;
            }
          }
        }
        EXPECT_FALSE(SameCell(moji, cells[33], cells[34])) << "morning and afternoon marks";
      }
    }
  }
}

}  // namespace
