// A package skin at twice the size uses its twice-size members, or is enlarged from its plain
// ones without them. (The built-in skins at each scale are checked on the screen, end to end.)
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../shared/clock_window_win32.h"
#include "../shared/temp_folder_win32.h"
#include "base/app_state.h"
#include "base/window_handles_win32.h"
#include "render/face_layout.h"
#include "render/face_win32.h"
#include "render/scaled_images.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "skin/catalogue.h"
#include "skin/catalogue_win32.h"
#include "skin/kpz.h"
#include "skin/kpz_win32.h"
#include "skin/package.h"

namespace {

const uint8_t* Pixel(const Surface& s, int x, int y) { return s.bits + s.rowOffsets[y] + x * 4; }

std::string Resource(const char* name) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (!FindKpzResource(nullptr, name, &data, &size)) return std::string();
  return std::string(reinterpret_cast<const char*>(data), size);
}

std::string TwiceName(const char* name) {
  char twice[64];
  return DoubleSizeName(name, twice, sizeof twice) ? twice : "";
}

// How far PictureSurface is from the stored image `file` (KPZ bytes) at `factor`, as the face
// keeps it (premultiplied, transparent right of a narrower image), outside the clock area where
// the colon is baked in: the pixels that differ and the mean difference of alpha.
struct Difference {
  int pixels = -1;
  double meanAlpha = 0;
};
Difference FromStored(const std::string& file, int factor) {
  Difference d;
  KpzImage image = {};
  if (!DecodeKpzImage(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &image)) return d;
  d.pixels = 0;
  long alpha = 0;
  for (int y = 0; y < PictureSurface.height; ++y) {
    for (int x = 0; x < PictureSurface.width; ++x) {
      if (x >= kClockAreaX * factor && x < (kClockAreaX + kClockAreaWidth) * factor &&
          y >= kClockAreaY * factor && y < (kClockAreaY + kClockAreaHeight) * factor) {
        continue;
      }
      uint8_t want[4] = {0, 0, 0, 0};
      if (x < image.width && y < image.height) {
        const uint8_t* p = image.pixels + (static_cast<size_t>(y) * image.width + x) * 4;
        for (int c = 0; c < 3; ++c) want[c] = static_cast<uint8_t>((p[c] * p[3]) >> 8);
        want[3] = p[3];
      }
      const uint8_t* got = Pixel(PictureSurface, x, y);
      if (memcmp(got, want, 4) != 0) ++d.pixels;
      alpha += abs(got[3] - want[3]);
    }
  }
  d.meanAlpha = static_cast<double>(alpha) / (PictureSurface.width * PictureSurface.height);
  FreeKpzImage(&image);
  return d;
}

class SkinScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // This executable carries the program's resources, built-in skins included.
    ASSERT_TRUE(MakeStandInClockWindow("SkinScaleTest"));
    BRAND = 0;
    CHARA = 0;
  }
  void TearDown() override {
    DestroyWindow(ClockWindow);
    ClockWindow = nullptr;
    for (Surface* s : {&BackBuffer, &PictureSurface, &MojiSurface, &BarSurface}) FreeSurface(s);
  }
};

TEST_F(SkinScaleTest, PackageSkinsUseTheirTwiceSizeMembersOrAreEnlargedFromThePlainOnes) {
  TempFolder folder;
  strcpy(DataFolder, folder.Path().c_str());
  strcpy(SkinPath, ".\\skin");
  ASSERT_TRUE(ResolveSkinFolder(SkinPath, DataFolder));
  ASSERT_TRUE(CreateDirectoryA((folder / "skin").c_str(), nullptr));
  const SkinRecord& builtIn = BrandTable[0].skins[0];
  const char* const stored[][2] = {{"pic.kpz", builtIn.file}, {"bar.kpz", builtIn.rss}, {"moji.kpz", builtIn.moji}};
  // Brand 7 carries its images at twice the size too, brand 8 only the plain ones.
  for (int code : {7, 8}) {
    std::vector<std::pair<std::string, std::string>> members = {
        {"brand.xml", "<brand><title>T</title><code>" + std::to_string(code) +
                          "</code><skin><name>s</name><file>pic</file><rss>bar</rss><moji>moji</moji></skin></brand>"}};
    for (const auto& image : stored) {
      members.push_back({image[0], Resource(image[1])});
      if (code == 7) members.push_back({TwiceName(image[0]), Resource(TwiceName(image[1]).c_str())});
    }
    std::vector<PackageInput> inputs;
    for (const auto& m : members) {
      inputs.push_back({m.first.c_str(), reinterpret_cast<const uint8_t*>(m.second.data()),
                        static_cast<uint32_t>(m.second.size())});
    }
    uint8_t* bytes = nullptr;
    size_t size = 0;
    ASSERT_TRUE(MakePackage(inputs.data(), inputs.size(), 1, &bytes, &size));
    ASSERT_TRUE(WriteBytes(folder / ("skin\\p" + std::to_string(code) + ".skn"),
                           std::string(reinterpret_cast<char*>(bytes), size)));
    free(bytes);
  }
  BuildCatalogueFrom(AppInstance);
  const std::string twice = Resource(TwiceName(builtIn.file).c_str());
  for (int brand : {6, 7}) {
    BRAND = static_cast<int8_t>(brand);
    CHARA = 0;
    ASSERT_TRUE(LoadSkin(false, 2.0));
    ASSERT_EQ(BRAND, brand) << "the package skin gave way to a built-in one";
    ASSERT_EQ(PictureSurface.width, 800);
    ASSERT_EQ(MojiSurface.height, 724);
    ASSERT_EQ(BarSurface.width, 700);
    const Difference d = FromStored(twice, 2);
    if (brand == 6) {
      EXPECT_EQ(d.pixels, 0);
    } else {
      // Enlarged, so not the twice-size art itself, but close to it.
      EXPECT_GT(d.pixels, 0);
      EXPECT_LT(d.meanAlpha, 3.0);
    }
  }
  DataFolder[0] = '\0';
  ResolveSkinFolder(SkinPath, DataFolder);
}

}  // namespace
