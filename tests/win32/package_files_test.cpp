// Skin packages as real files: shared reading, the handle closed on every path, member images
// decoded into surfaces, and the catalogue built from a skin folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../shared/package_bytes.h"
#include "../shared/temp_folder_win32.h"
#include "render/kpz_surface_win32.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "skin/catalogue.h"
#include "skin/catalogue_win32.h"
#include "skin/package.h"
#include "skin/package_win32.h"

namespace {

// A 3 × 2 four-channel KPZ image with the raw planar payload.
std::string RawKpz() {
  const uint16_t w = 3, h = 2;
  std::string out("KPZ\0", 4);
  auto u16 = [&](uint16_t v) { out.push_back(static_cast<char>(v)); out.push_back(static_cast<char>(v >> 8)); };
  u16(w);
  u16(h);
  out.push_back(4);
  out.push_back(1);
  u16(1);
  PutU32(&out, 65539);
  PutU32(&out, 32);
  PutU32(&out, 32 + h);
  PutU32(&out, h + h * w * 4);
  PutU32(&out, w * h * 4);
  for (int plane = 0; plane < 4; ++plane) {
    for (int i = 0; i < w * h; ++i) out.push_back(static_cast<char>(plane * 50 + i));
  }
  return out;
}

std::string Package(const std::vector<std::pair<std::string, std::string>>& members) {
  std::vector<PackageInput> inputs;
  for (const auto& m : members) {
    inputs.push_back({m.first.c_str(), reinterpret_cast<const uint8_t*>(m.second.data()),
                      static_cast<uint32_t>(m.second.size())});
  }
  uint8_t* image = nullptr;
  size_t size = 0;
  if (!MakePackage(inputs.data(), inputs.size(), 1, &image, &size)) return std::string();
  std::string bytes(reinterpret_cast<char*>(image), size);
  free(image);
  return bytes;
}

// Whether nobody holds the file open any more: an exclusive open only succeeds then.
bool Closed(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::string Member(const std::string& package, const char* pattern, bool* ok) {
  PackageMember member{nullptr, 0};
  *ok = ReadPackageMember(package.c_str(), pattern, &member);
  if (!*ok) return std::string();
  std::string data(reinterpret_cast<char*>(member.data), member.size);
  FreePackageMember(&member);
  return data;
}

TEST(PackageFilesTest, MembersFromFilesAndTheHandleAlwaysClosed) {
  TempFolder folder;
  const std::string path = folder / "one.skn";
  ASSERT_TRUE(WriteBytes(path, Package({{"brand.xml", "<brand/>"}, {"pic.kpz", RawKpz()}})));
  bool ok = false;
  EXPECT_EQ(Member(path, "*.xml", &ok), "<brand/>");
  EXPECT_TRUE(ok);
  EXPECT_TRUE(Closed(path));
  EXPECT_EQ(Member(path, "pic.kpz", &ok), RawKpz());
  EXPECT_TRUE(Closed(path));
  Member(path, "none.kpz", &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Closed(path));

  // Broken packages: first byte 0, no entries, an entry past the end, a file cut short.
  const uint32_t dataAt = 1 + 3 + 4 + 32;
  const std::vector<std::string> broken = {
      std::string(1, '\0') + Package({{"brand.xml", "<brand/>"}}).substr(1),
      RawPackage(1, 0, {{EntryName("BRAND", "XML"), dataAt, 4}}, "DATA"),
      RawPackage(1, 1, {{EntryName("BRAND", "XML"), dataAt, 5}}, "DATA"),
      RawPackage(1, 2, {{EntryName("X", "KPZ"), dataAt, 4}}, ""),
      ""};
  for (size_t k = 0; k < broken.size(); ++k) {
    ASSERT_TRUE(WriteBytes(path, broken[k]));
    PackageMember member{reinterpret_cast<uint8_t*>(&ok), 7};
    EXPECT_FALSE(ReadPackageMember(path.c_str(), "*.xml", &member)) << k;
    EXPECT_EQ(member.data, reinterpret_cast<uint8_t*>(&ok)) << "untouched on failure";
    EXPECT_EQ(member.size, 7u);
    EXPECT_TRUE(Closed(path)) << k;
  }
  Member(folder / "missing.skn", "*.xml", &ok);
  EXPECT_FALSE(ok);
}

TEST(PackageFilesTest, SharedReadAlongsideReadersButNotWriters) {
  TempFolder folder;
  const std::string path = folder / "two.skn";
  ASSERT_TRUE(WriteBytes(path, Package({{"brand.xml", "<brand/>"}})));
  bool ok = false;
  HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Member(path, "*.xml", &ok), "<brand/>");
  EXPECT_TRUE(ok);
  CloseHandle(reader);
  // A package being written (a download in progress) is not read half-way.
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  Member(path, "*.xml", &ok);
  EXPECT_FALSE(ok);
  CloseHandle(writer);
}

TEST(PackageFilesTest, MemberImagesDecodeIntoSurfaces) {
  TempFolder folder;
  const std::string path = folder / "img.skn";
  ASSERT_TRUE(WriteBytes(path, Package({{"pic.kpz", RawKpz()}, {"bad.kpz", "not an image"}})));
  Surface surface;
  memset(&surface, 0, sizeof surface);
  ASSERT_TRUE(LoadKpzFromPackage(path.c_str(), "pic.kpz", &surface));
  ASSERT_TRUE(SurfaceExists(surface));
  EXPECT_EQ(surface.width, 3);
  EXPECT_EQ(surface.height, 2);
  // Pixel 4 (row 1, column 1): planes give blue 4, green 54, red 104, alpha 154.
  const uint8_t* pixel = surface.bits + surface.rowOffsets[1] + 4;
  EXPECT_EQ(pixel[0], 4);
  EXPECT_EQ(pixel[1], 54);
  EXPECT_EQ(pixel[2], 104);
  EXPECT_EQ(pixel[3], 154);
  FreeSurface(&surface);
  // A member that is no image still counts as found; the surface stays as it was.
  EXPECT_TRUE(LoadKpzFromPackage(path.c_str(), "bad.kpz", &surface));
  EXPECT_FALSE(SurfaceExists(surface));
  EXPECT_FALSE(LoadKpzFromPackage(path.c_str(), "moj.kpz", &surface));
  EXPECT_TRUE(Closed(path));
}

std::string Doc(int code, const std::string& title, const std::string& skins) {
  return "<brand><title>" + title + "</title><code>" + std::to_string(code) + "</code>" + skins + "</brand>";
}

std::string SkinXml(const std::string& name) {
  return "<skin><name>" + name + "</name><file>pic</file><rss>pic</rss><moji>pic</moji></skin>";
}

class CatalogueFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    strcpy(DataFolder, folder_.Path().c_str());
    strcpy(SkinPath, ".\\skin");
    ASSERT_TRUE(ResolveSkinFolder(SkinPath, DataFolder));
    ResetCatalogue();
  }
  void TearDown() override {
    ResetCatalogue();
    DataFolder[0] = '\0';
    ResolveSkinFolder(SkinPath, DataFolder);
  }
  // A module that has no "XML" resources stands for an executable without built-in documents.
  static bool Build() { return BuildCatalogueFrom(GetModuleHandleA("kernel32.dll")); }

  TempFolder folder_;
};

TEST_F(CatalogueFilesTest, PackagesInTheSkinFolderAddTheirSkinsOnce) {
  const std::string skins = folder_ / "skin";
  ASSERT_TRUE(CreateDirectoryA(skins.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(skins + "\\seven.skn",
                         Package({{"brand.xml", Doc(7, "Seventh", SkinXml("s1") + SkinXml("s2"))},
                                  {"pic.kpz", RawKpz()}})));
  ASSERT_TRUE(WriteBytes(skins + "\\TWO.SKN", Package({{"cat.xml", Doc(2, "Second", SkinXml("t1"))}})));
  ASSERT_TRUE(WriteBytes(skins + "\\nodoc.skn", Package({{"pic.kpz", RawKpz()}})));
  ASSERT_TRUE(WriteBytes(skins + "\\broken.skn", std::string(5, '\0')));
  ASSERT_TRUE(WriteBytes(skins + "\\other.sknbak", Package({{"cat.xml", Doc(3, "Backup", SkinXml("b"))}})));
  ASSERT_TRUE(WriteBytes(skins + "\\" + std::string(40, 'l') + ".skn",
                         Package({{"cat.xml", Doc(4, "Long", SkinXml("l"))}})));
  ASSERT_TRUE(CreateDirectoryA((skins + "\\folder.skn").c_str(), nullptr));

  EXPECT_FALSE(Build()) << "the built-in documents are missing";
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_STREQ(BrandTable[6].title, "Seventh");
    ASSERT_EQ(BrandTable[6].skinCount, 2);
    EXPECT_STREQ(BrandTable[6].skins[1].name, "s2");
    EXPECT_EQ(BrandTable[6].skins[1].source, kSkinFromPackage);
    EXPECT_STREQ(BrandTable[6].skins[1].package, "seven.skn");
    EXPECT_STREQ(BrandTable[1].title, "Second");
    EXPECT_EQ(BrandTable[1].skinCount, 1);
    EXPECT_STREQ(BrandTable[1].skins[0].package, "TWO.SKN");
    EXPECT_EQ(BrandTable[2].skinCount, 0) << "not a package";
    EXPECT_EQ(BrandTable[3].skinCount, 0) << "a name too long for the record";
    EXPECT_STREQ(BrandTable[5].title, "");
    // Packages open by their full path in the skin folder, wherever the current directory is.
    Surface surface;
    memset(&surface, 0, sizeof surface);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
    char path[MAX_PATH];
    ASSERT_TRUE(SkinPackagePath(BrandTable[6].skins[0].package, path, sizeof path));
    EXPECT_EQ(_stricmp(path, (skins + "\\" + BrandTable[6].skins[0].package).c_str()), 0) << path;
    EXPECT_TRUE(LoadKpzFromPackage(path, BrandTable[6].skins[0].file, &surface));
    EXPECT_EQ(surface.width, 3);
    FreeSurface(&surface);
    EXPECT_FALSE(SkinPackagePath(BrandTable[6].skins[0].package, path, 10)) << "does not fit";
    // A rebuild (as after a download) starts from an empty table.
    EXPECT_FALSE(Build());
  }
}

TEST_F(CatalogueFilesTest, BuiltInBrandsFirstThenPackagesAppend) {
  const std::string skins = folder_ / "skin";
  ASSERT_TRUE(CreateDirectoryA(skins.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(skins + "\\two.skn", Package({{"cat.xml", Doc(2, "Renamed", SkinXml("extra"))}})));
  // The fifth built-in brand has no skins and no title: a package with its code fills both.
  ASSERT_TRUE(WriteBytes(skins + "\\five.skn", Package({{"cat.xml", Doc(5, "Fifth", SkinXml("fifth"))}})));
  // This executable carries the program's resources, built-in documents included.
  ASSERT_TRUE(BuildCatalogueFrom(GetModuleHandleA(nullptr)));
  const int builtIn[] = {4, 3, 3, 5, 0};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STRNE(BrandTable[i].title, "");
    for (int k = 0; k < builtIn[i] && k < BrandTable[i].skinCount; ++k) {
      EXPECT_EQ(BrandTable[i].skins[k].source, kSkinFromResources);
      EXPECT_STREQ(BrandTable[i].skins[k].package, "");
    }
    EXPECT_EQ(BrandTable[i].skinCount, builtIn[i] + (i == 1 || i == 4 ? 1 : 0));
  }
  EXPECT_STREQ(BrandTable[4].title, "Fifth");
  // The package's skin comes after the built-in ones, and its title replaces the brand's.
  EXPECT_STREQ(BrandTable[1].title, "Renamed");
  EXPECT_STREQ(BrandTable[1].skins[3].name, "extra");
  EXPECT_EQ(BrandTable[1].skins[3].source, kSkinFromPackage);
  for (int i = 5; i < kBrandCount; ++i) EXPECT_EQ(BrandTable[i].skinCount, 0);
}

TEST_F(CatalogueFilesTest, MissingOrEmptySkinFolderLeavesTheTableEmpty) {
  EXPECT_FALSE(ScanSkinFolder());
  EXPECT_FALSE(Build());
  ASSERT_TRUE(CreateDirectoryA((folder_ / "skin").c_str(), nullptr));
  EXPECT_FALSE(ScanSkinFolder());
  // A file standing where the folder should be is no skin folder.
  strcpy(SkinPath, ".\\plain");
  ASSERT_TRUE(ResolveSkinFolder(SkinPath, DataFolder));
  ASSERT_TRUE(WriteBytes(folder_ / "plain", "x"));
  EXPECT_FALSE(ScanSkinFolder());
  for (const BrandRecord& brand : BrandTable) EXPECT_EQ(brand.skinCount, 0);
}

}  // namespace
