// The clock face: the selected skin's picture, news bar and digit sheet composed into the frame.
#include "render/face_win32.h"

#include <windows.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/app_win32.h"
#include "app/clock_source_win32.h"
#include "app/test_hooks_win32.h"
#include "news/news_state.h"
#include "render/blend.h"
#include "render/face_layout.h"
#include "render/shape_win32.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "skin/catalogue.h"
#include "skin/kpz_win32.h"
#include "skin/package_win32.h"

FacePoint FaceOffset = {0, 0};
FacePoint BarOffset = {0, 0};

namespace {

// The selected skin, or null when BRAND and CHARA name no skin of the table (a hand-edited
// settings file, or a package skin that is gone).
const SkinRecord* SelectedSkin() {
  if (BRAND < 0 || BRAND >= kBrandCount) return nullptr;
  const BrandRecord& brand = BrandTable[BRAND];
  if (CHARA < 0 || CHARA >= brand.skinCount || CHARA >= kSkinsPerBrand) return nullptr;
  return &brand.skins[CHARA];
}

void Warn(const char* text) { MessageBoxA(ClockWindow, text, AppCaption, MB_ICONWARNING); }

// Loads a digit sheet or bar image of the skin, saying which one is missing. The image goes into
// a surface of its own size, which then replaces `surface`: sheets and bars of another size than
// the previous skin's are shown whole, and a damaged image leaves the previous one in place.
bool LoadSkinImage(const SkinRecord& skin, const char* image, Surface* surface) {
  char text[160];
  Surface fresh = {};
  if (skin.source == kSkinFromPackage) {
    PackageMember member = {};
    if (!ReadPackageMember(skin.package, image, &member)) {
      snprintf(text, sizeof text, "%s:%s が見つかりません", skin.package, image);
      Warn(text);
      return false;
    }
    DecodeKpz(member.data, member.size, image, &fresh);
    FreePackageMember(&member);
  } else if (!LoadKpzResource(image, &fresh)) {
    snprintf(text, sizeof text, "%s が見つかりません", image);
    Warn(text);
    return false;
  }
  if (SurfaceExists(fresh)) {
    FreeSurface(surface);
    *surface = fresh;
  }
  return true;
}

void Blend(Surface* target, const Surface& glyphs, const GlyphCopy& g) {
  BlendRect(target, g.dx, g.dy, g.w, g.h, &glyphs, g.sx, g.sy);
}

}  // namespace

void ComposeBase() {
  if (!SurfaceExists(BackBuffer) || !SurfaceExists(PictureSurface)) return;
  int w = PictureSurface.width < BackBuffer.width ? PictureSurface.width : BackBuffer.width;
  int h = PictureSurface.height < BackBuffer.height ? PictureSurface.height : BackBuffer.height;
  if (LayeredAvailable) {
    CopyRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
    return;
  }
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, static_cast<HBITMAP>(BackBuffer.bitmap));
  if (resemble) {
    // Without per-pixel alpha the picture is laid over a snapshot of what lies under the window.
    RECT r;
    GetWindowRect(ClockWindow, &r);
    LEFT = r.left;
    TOP = r.top;
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    BitBlt(memory, 0, 0, w, h, screen, LEFT, TOP, SRCCOPY);
    ReleaseDC(desktop, screen);
    GdiFlush();
    if (w > 0) BlendRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
  } else {
    CopyRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
    HDC window = GetDC(ClockWindow);
    BitBlt(window, 0, 0, w, h, memory, 0, 0, SRCCOPY);
    ReleaseDC(ClockWindow, window);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  ApplyWindowShape();
}

void DrawTime(const LocalTime& now) {
  if (!SurfaceExists(BackBuffer) || !SurfaceExists(PictureSurface)) return;
  CopyRect(&BackBuffer, kClockAreaX + FaceOffset.x, kClockAreaY + FaceOffset.y, kClockAreaWidth,
           kClockAreaHeight, &PictureSurface, kClockAreaX + FaceOffset.x,
           kClockAreaY + FaceOffset.y);
  if (SurfaceExists(MojiSurface)) {
    GlyphCopy glyphs[8];
    int n = TimeGlyphs(now, Clock24 != 0, Clock12 != 0, HourCycle, FaceOffset, glyphs);
    for (int i = 0; i < n; ++i) Blend(&BackBuffer, MojiSurface, glyphs[i]);
  }
  TraceEvent("DrawTime %02d:%02d", now.hour, now.minute);
}

bool DrawNewsBar() {
  // The ticker lines arrive with the news bar; until then there is nothing to scroll over it.
  return false;
}

bool LoadSkin() {
  TraceEvent("LoadSkin");
  int chara = CHARA;
  RECT r;
  GetWindowRect(ClockWindow, &r);
  LEFT = r.left;
  TOP = r.top;
  StoreVoiceDigits(chara);
  FaceOffset = FaceOffsetFor(BRAND, CHARA);
  BarOffset = FaceOffset;
  const SkinRecord* skin = SelectedSkin();
  if (skin == nullptr) {
    TraceEvent("LoadSkin: no skin %d/%d", BRAND, CHARA);
    return false;
  }
  if (!LoadSkinImage(*skin, skin->moji, &MojiSurface)) return false;
  if (!LoadSkinImage(*skin, skin->rss, &BarSurface)) return false;
  Premultiply(&BarSurface);
  if (SurfaceExists(PictureSurface)) {
    FreeSurface(&PictureSurface);
    FreeSurface(&BackBuffer);
  }
  LastHour = kNothingDrawn;
  LastMinute = kNothingDrawn;
  CHARA = static_cast<int8_t>(chara);
  LoadVoiceDigits(chara);
  if (!CreateSurface(&PictureSurface, kFaceWidth, kFaceHeight, skin->name)) return false;
  bool pictureLoaded = skin->source == kSkinFromPackage
                           ? LoadKpzFromPackage(skin->package, skin->file, &PictureSurface)
                           : LoadKpzResource(skin->file, &PictureSurface);
  if (!pictureLoaded) {
    TraceEvent("LoadSkin: no picture %s", skin->file);
    return false;
  }
  if (NewsAvailable == 1 && ViewBrand != 0) {
    MaskCopy(&PictureSurface, BarOffset.x, kBarY + BarOffset.y);
  }
  if (SurfaceExists(MojiSurface)) {
    GlyphCopy colon[2];
    ColonGlyphs(FaceOffset, colon);
    for (const GlyphCopy& g : colon) Blend(&PictureSurface, MojiSurface, g);
  }
  Premultiply(&PictureSurface);
  if (!SurfaceExists(BackBuffer)) {
    if (!CreateSurface(&BackBuffer, PictureSurface.width, PictureSurface.height, "BackBuffer")) {
      return false;
    }
    ShowWindow(ClockWindow, SW_SHOWNORMAL);
    SetWindowPos(ClockWindow, nullptr, LEFT, TOP, PictureSurface.width, PictureSurface.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RedrawFace();
  TraceEvent("sheets moji %dx%d bar %dx%d", MojiSurface.width, MojiSurface.height, BarSurface.width,
             BarSurface.height);
  TraceEvent("LoadSkin done %s", skin->name);
  return true;
}

void RedrawFace() {
  if (!SurfaceExists(PictureSurface)) return;
  ComposeBase();
  LocalTime now;
  ReadLocalTime(&now);
  DrawTime(now);
  DrawNewsBar();
  PushFrame();
}
