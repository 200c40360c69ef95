// The clock face: the selected skin's picture, news bar and digit sheet composed into the frame.
#include "render/face_win32.h"

#include <windows.h>

#include <cstdio>

#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/dpi_win32.h"
#include "base/message_box_win32.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "render/blend.h"
#include "render/face_layout.h"
#include "render/face_scale.h"
#include "render/frame.h"
#include "render/kpz_surface_win32.h"
#include "render/shape_win32.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "settings/skin_voice.h"
#include "skin/catalogue.h"
#include "skin/catalogue_win32.h"
#include "skin/package_win32.h"

FacePoint FaceOffset = {0, 0};
FacePoint BarOffset = {0, 0};

namespace {

// The scale the surfaces were last loaded at; the clock thread's.
double faceScale = 1.0;
// Whether the window has been shown: a reload (another skin, a new scale) leaves it as it is,
// hidden in the tray included.
bool windowShown = false;

// The selected skin, or null when BRAND and CHARA name no skin of the table (a hand-edited
// settings file, or a package skin that is gone).
const SkinRecord* SelectedSkin() {
  if (BRAND < 0 || BRAND >= kBrandCount) return nullptr;
  const BrandRecord& brand = BrandTable[BRAND];
  if (CHARA < 0 || CHARA >= brand.skinCount || CHARA >= kSkinsPerBrand) return nullptr;
  return &brand.skins[CHARA];
}

// Shown by the clock thread, so owned by no window: a box owned by the clock, a window of the UI
// thread, would join the two threads' input and the clock would wait on this thread's work.
void Warn(const char* text) { ShowMessageBox(nullptr, text, AppCaption, MB_ICONWARNING); }

// Loads a digit sheet or bar image of the skin, saying which one is missing. The image goes into
// a surface of its own size, which then replaces `surface`: sheets and bars of another size than
// the previous skin's are shown whole, and a damaged image leaves the previous one in place.
// `premultiply` applies to the fresh image only, so a kept one is never darkened twice.
bool LoadSkinImage(const SkinRecord& skin, const char* image, Surface* surface, bool premultiply) {
  char text[160];
  Surface fresh = {};
  if (skin.source == kSkinFromPackage) {
    char path[MAX_PATH];
    PackageMember member = {};
    if (!SkinPackagePath(skin.package, path, sizeof path) ||
        !ReadPackageMember(path, image, &member)) {
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
    if (premultiply) Premultiply(&fresh);
    FreeSurface(surface);
    *surface = fresh;
  }
  return true;
}

void Blend(Surface* target, const Surface& glyphs, const GlyphCopy& g) {
  BlendRect(target, g.dx, g.dy, g.w, g.h, &glyphs, g.sx, g.sy);
}

bool LoadPicture(const SkinRecord& skin) {
  if (skin.source != kSkinFromPackage) return LoadKpzResource(skin.file, &PictureSurface);
  char path[MAX_PATH];
  return SkinPackagePath(skin.package, path, sizeof path) &&
         LoadKpzFromPackage(path, skin.file, &PictureSurface);
}

enum class SkinLoad { kLoaded, kNoSkin, kNoPicture, kFailed };

SkinLoad LoadSelectedSkin(bool withNewsBar, double scale) {
  NoteFrameAccess();
  if (scale != faceScale) {
    // The fallback shape is the picture's: it is made again from the picture at the new size.
    ReleaseWindowRegion();
    faceScale = scale;
  }
  int chara = CHARA;
  RECT r;
  GetWindowRect(ClockWindow, &r);
  LEFT = r.left;
  TOP = r.top;
  FaceOffset = FaceOffsetFor(BRAND, CHARA);
  BarOffset = FaceOffset;
  const SkinRecord* skin = SelectedSkin();
  if (skin == nullptr) {
    TraceEvent("LoadSkin: no skin %d/%d", BRAND.load(), CHARA.load());
    return SkinLoad::kNoSkin;
  }
  if (!LoadSkinImage(*skin, skin->moji, &MojiSurface, false)) return SkinLoad::kFailed;
  if (!LoadSkinImage(*skin, skin->rss, &BarSurface, true)) return SkinLoad::kFailed;
  if (SurfaceExists(PictureSurface)) {
    FreeSurface(&PictureSurface);
    FrameGuard guard;
    FreeSurface(&BackBuffer);
  }
  LastHour = kNothingDrawn;
  LastMinute = kNothingDrawn;
  CHARA = static_cast<int8_t>(chara);
  // Each skin speaks with its own stored voice; choices are stored as they are made, so nothing
  // of the previous skin's needs writing back here.
  LoadSkinVoiceDigits(chara);
  const FacePoint size = FaceSize(faceScale);
  if (!CreateSurface(&PictureSurface, size.x, size.y, skin->name)) return SkinLoad::kFailed;
  if (!LoadPicture(*skin)) {
    TraceEvent("LoadSkin: no picture %s", skin->file);
    return SkinLoad::kNoPicture;
  }
  if (withNewsBar) {
    const FacePoint bar = BarPlace(BarOffset, faceScale);
    MaskCopy(&PictureSurface, bar.x, bar.y);
  }
  if (SurfaceExists(MojiSurface)) {
    GlyphCopy colon[2];
    ColonGlyphs(FaceOffset, faceScale, colon);
    for (const GlyphCopy& g : colon) Blend(&PictureSurface, MojiSurface, g);
  }
  Premultiply(&PictureSurface);
  if (!SurfaceExists(BackBuffer)) {
    bool created;
    {
      FrameGuard guard;
      created = CreateSurface(&BackBuffer, PictureSurface.width, PictureSurface.height, "BackBuffer");
    }
    if (!created) return SkinLoad::kFailed;
    if (!windowShown) ShowWindow(ClockWindow, SW_SHOWNORMAL);
    windowShown = true;
    SetWindowPos(ClockWindow, nullptr, LEFT, TOP, PictureSurface.width, PictureSurface.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    TraceEvent("face size %dx%d", PictureSurface.width, PictureSurface.height);
  }
  RedrawFace();
  PushFrameIfChanged();
  TraceEvent("sheets moji %dx%d bar %dx%d", MojiSurface.width, MojiSurface.height, BarSurface.width,
             BarSurface.height);
#if MASCOT_TEST_HOOKS
  uint32_t barSum = 0;
  for (int y = 0; y < BarSurface.height; ++y) {
    const uint8_t* row = BarSurface.bits + BarSurface.rowOffsets[y];
    for (int x = 0; x < BarSurface.width * 4; ++x) barSum = barSum * 31u + row[x];
  }
  TraceEvent("bar sum %08x", static_cast<unsigned>(barSum));
#endif
  TraceEvent("LoadSkin done %s", skin->name);
  return SkinLoad::kLoaded;
}

}  // namespace

void ComposeBase() {
  NoteFrameAccess();
  if (!SurfaceExists(BackBuffer) || !SurfaceExists(PictureSurface)) return;
  int w = PictureSurface.width < BackBuffer.width ? PictureSurface.width : BackBuffer.width;
  int h = PictureSurface.height < BackBuffer.height ? PictureSurface.height : BackBuffer.height;
  MarkFrameChanged();
  if (LayeredAvailable) {
    CopyRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
    return;
  }
  if (resemble) {
    // Without per-pixel alpha the picture is laid over a snapshot of what lies under the window.
    RECT r;
    GetWindowRect(ClockWindow, &r);
    LEFT = r.left;
    TOP = r.top;
    FrameGuard guard;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, static_cast<HBITMAP>(BackBuffer.bitmap));
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    BitBlt(memory, 0, 0, w, h, screen, LEFT, TOP, SRCCOPY);
    ReleaseDC(desktop, screen);
    GdiFlush();
    SelectObject(memory, old);
    DeleteDC(memory);
    if (w > 0) BlendRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
  } else {
    FrameGuard guard;
    CopyRect(&BackBuffer, 0, 0, w, h, &PictureSurface, 0, 0);
  }
  // Sends messages to the UI thread: never under the lock.
  ApplyWindowShape();
}

void DrawTime(const LocalTime& now) {
  NoteFrameAccess();
  if (!SurfaceExists(BackBuffer) || !SurfaceExists(PictureSurface)) return;
  const FaceBox area = ClockAreaBox(FaceOffset, faceScale);
  CopyRect(&BackBuffer, area.x, area.y, area.w, area.h, &PictureSurface, area.x, area.y);
  FrameGuard guard;
  if (SurfaceExists(MojiSurface)) {
    GlyphCopy glyphs[8];
    int n = TimeGlyphs(now, Clock24 != 0, Clock12 != 0, HourCycle, FaceOffset, faceScale, glyphs);
    for (int i = 0; i < n; ++i) Blend(&BackBuffer, MojiSurface, glyphs[i]);
  }
  MarkFrameChanged();
  TraceEvent("DrawTime %02d:%02d", now.hour, now.minute);
}

int WantedScaleUnits() { return ScaleUnits(ClockDpi.load(), ClockScale.load()); }

bool LoadSkin(bool withNewsBar, double scale) {
  TraceEvent("LoadSkin");
  SkinLoad result = LoadSelectedSkin(withNewsBar, scale);
  // A selection that names no skin (a package deleted from the skin folder, a hand-edited
  // BRAND) or whose picture is gone would otherwise fail at every start, and be saved again at
  // every exit: the first built-in skin takes its place, and is what gets saved.
  if ((result == SkinLoad::kNoSkin || result == SkinLoad::kNoPicture) && (BRAND != 0 || CHARA != 0)) {
    TraceEvent("LoadSkin: falling back to the first built-in skin");
    BRAND = 0;
    CHARA = 0;
    LoadSkinVoiceDigits(0);
    result = LoadSelectedSkin(withNewsBar, scale);
  }
  return result == SkinLoad::kLoaded;
}

void RedrawFace() {
  if (!SurfaceExists(PictureSurface)) return;
  ComposeBase();
  LocalTime now;
  ReadLocalTime(&now);
  DrawTime(now);
}

bool ServeFrameRequests() {
  const unsigned requests = TakeFrameRequests();
  if ((requests & kFrameRedraw) != 0) RedrawFace();
  if ((requests & kFramePush) != 0) MarkFrameChanged();
  if ((requests & kFrameRescale) != 0 && ClockState == kClockRunning &&
      WantedScaleUnits() != ShownScaleUnits.load()) {
    ClockState = kClockReload;
  }
  return (requests & kFrameRedraw) != 0;
}

void PushFrameIfChanged() {
  if (!TakeFrameChanged()) return;
  int x = 0, y = 0, w = 0, h = 0;
  if (TakeFrameDirtyRect(&x, &y, &w, &h)) {
    PushFramePart(x, y, w, h);
  } else {
    PushFrame();
  }
}
