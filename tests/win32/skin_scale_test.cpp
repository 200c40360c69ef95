// The skin at a display scale: at 1 and 2 the picture is its stored image as it is (the plain and
// the twice-size one), at 1.5 it is resampled to the scaled sizes and still a sound image.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>

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

namespace {

const uint8_t* Pixel(const Surface& s, int x, int y) { return s.bits + s.rowOffsets[y] + x * 4; }

class SkinScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    LayeredAvailable = true;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = AppInstance;
    wc.lpszClassName = "SkinScaleTest";
    RegisterClassA(&wc);
    ClockWindow = CreateWindowExA(WS_EX_LAYERED, "SkinScaleTest", "SkinScaleTest", WS_POPUP, 50, 50,
                                  400, 330, nullptr, nullptr, AppInstance, nullptr);
    ASSERT_NE(ClockWindow, nullptr);
    // This executable carries the program's resources, built-in skins included.
    BuildCatalogueFrom(AppInstance);
    BRAND = 0;
    CHARA = 0;
  }
  void TearDown() override {
    DestroyWindow(ClockWindow);
    ClockWindow = nullptr;
    for (Surface* s : {&BackBuffer, &PictureSurface, &MojiSurface, &BarSurface}) FreeSurface(s);
  }
};

// The picture is the image as the decoder gives it, premultiplied as the face keeps it, with
// transparent room right of a 350-pixel image; only the clock area (the colon is baked in there)
// differs.
TEST_F(SkinScaleTest, AtOneAndTwoThePictureIsTheStoredImageAsItIs) {
  const char* file = BrandTable[0].skins[0].file;
  for (int factor : {1, 2}) {
    SCOPED_TRACE(factor);
    char name[64];
    ASSERT_TRUE(factor == 1 ? lstrcpynA(name, file, sizeof name) != nullptr
                            : DoubleSizeName(file, name, sizeof name));
    const uint8_t* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(FindKpzResource(nullptr, name, &data, &size)) << name;
    KpzImage image = {};
    ASSERT_TRUE(DecodeKpzImage(data, size, &image));

    ASSERT_TRUE(LoadSkin(false, factor));
    ASSERT_EQ(PictureSurface.width, kFaceWidth * factor);
    ASSERT_EQ(PictureSurface.height, kFaceHeight * factor);
    EXPECT_EQ(MojiSurface.width, 75 * factor);
    EXPECT_EQ(BarSurface.height, 50 * factor);
    int differing = 0;
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
        if (memcmp(Pixel(PictureSurface, x, y), want, 4) != 0) ++differing;
      }
    }
    EXPECT_EQ(differing, 0);
    FreeKpzImage(&image);
  }
}

TEST_F(SkinScaleTest, AtOneAndAHalfTheImagesAreResampledToTheirScaledSizes) {
  ASSERT_TRUE(LoadSkin(false, 2.0));
  long coverageAtTwo = 0;
  for (int y = 0; y < PictureSurface.height; ++y) {
    for (int x = 0; x < PictureSurface.width; ++x) coverageAtTwo += Pixel(PictureSurface, x, y)[3];
  }
  const uint8_t* panel = Pixel(PictureSurface, (kClockAreaX + 10) * 2, (kClockAreaY + 18) * 2);
  const uint8_t panelAtTwo[4] = {panel[0], panel[1], panel[2], panel[3]};

  ASSERT_TRUE(LoadSkin(false, 1.5));
  ASSERT_EQ(PictureSurface.width, 600);
  ASSERT_EQ(PictureSurface.height, 495);
  EXPECT_EQ(MojiSurface.width, 113);  // 75 × 1.5, rounded
  EXPECT_EQ(MojiSurface.height, 543);
  EXPECT_EQ(BarSurface.width, 525);
  EXPECT_EQ(BarSurface.height, 75);
  long coverage = 0;
  int overAlpha = 0, pastPicture = 0;
  for (int y = 0; y < PictureSurface.height; ++y) {
    for (int x = 0; x < PictureSurface.width; ++x) {
      const uint8_t* p = Pixel(PictureSurface, x, y);
      coverage += p[3];
      if (p[0] > p[3] || p[1] > p[3] || p[2] > p[3]) ++overAlpha;
      if (x >= 525 + 3 && p[3] != 0) ++pastPicture;  // the picture is 350 wide, the filter 3 wide
    }
  }
  EXPECT_EQ(overAlpha, 0);
  EXPECT_EQ(pastPicture, 0);
  // The same picture at three quarters of the size covers nine sixteenths of the area.
  EXPECT_NEAR(static_cast<double>(coverage) / coverageAtTwo, 9.0 / 16.0, 0.005);
  // The plain clock panel keeps its colour away from its edges.
  const uint8_t* p = Pixel(PictureSurface, (kClockAreaX + 10) * 3 / 2, (kClockAreaY + 18) * 3 / 2);
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(p[c], panelAtTwo[c], 1) << c;
}

}  // namespace
