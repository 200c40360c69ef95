// The clock face: the selected skin's picture, news bar and digit sheet composed into the frame.
#include "render/face_win32.h"

#include <windows.h>

#include <cstdio>

#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/dpi_win32.h"
#include "base/message_box_win32.h"
#include "base/placement_win32.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "render/blend.h"
#include "render/face_layout.h"
#include "render/face_scale.h"
#include "render/frame.h"
#include "render/kpz_surface_win32.h"
#include "render/resample.h"
#include "render/scaled_images.h"
#include "render/shape_win32.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "settings/skin_voice.h"
#include "skin/catalogue.h"
#include "skin/catalogue_win32.h"
#include "skin/package.h"
#include "skin/package_win32.h"

FacePoint FaceOffset = {0, 0};

namespace {

// The scale the surfaces were last loaded at; the clock thread's.
double faceScale = 1.0;
// Whether the window has been shown: a reload (another skin, a new scale) leaves it as it is,
// hidden in the tray included.
bool windowShown = false;

// A copy of the selected skin's record: the UI thread may rebuild the catalogue (after a skin
// download) while this thread loads. False when BRAND and CHARA name no skin of the table (a
// hand-edited settings file, or a package skin that is gone).
bool SelectedSkin(SkinRecord* out) { return CopyPublishedSkin(BRAND, CHARA, out); }

// Shown by the clock thread, so owned by no window: a box owned by the clock, a window of the UI
// thread, would join the two threads' input and the clock would wait on this thread's work.
void Warn(const char* text) { ShowMessageBox(nullptr, text, AppCaption, MB_ICONWARNING); }

// What MojiSurface and BarSurface hold: their sizes at scale 1 and the scale they are at; the
// clock thread's own. A sheet or bar kept from an earlier load (the new one was damaged) is
// brought to the new scale from these.
struct HeldImage {
  FacePoint base;
  double scale;
};
HeldImage heldMoji = {{0, 0}, 1.0};
HeldImage heldBar = {{0, 0}, 1.0};

// Loads a digit sheet or bar image of the skin, saying which one is missing. The image goes into
// a surface of its own size, which then replaces `surface`: sheets and bars of another size than
// the previous skin's are shown whole, and a damaged image leaves the previous one in place.
// `premultiply` applies to the fresh image only, so a kept one is never darkened twice.
bool LoadSkinImage(const SkinRecord& skin, const char* image, Surface* surface, bool premultiply,
                   HeldImage* held) {
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
    *held = HeldImage{{fresh.width, fresh.height}, 1.0};
  }
  return true;
}

// The twice-size version of one image into a surface of its own size; false, silently, when the
// skin has none, it is damaged or a side is odd (it would have no size at scale 1).
bool LoadDoubleImage(const SkinRecord& skin, const char* image, Surface* out) {
  char name[kPackagePatternMax + 1];
  if (!DoubleSizeName(image, name, sizeof name)) return false;
  if (skin.source == kSkinFromPackage) {
    char path[MAX_PATH];
    PackageMember member = {};
    if (!SkinPackagePath(skin.package, path, sizeof path) || !ReadPackageMember(path, name, &member)) {
      return false;
    }
    DecodeKpz(member.data, member.size, name, out);
    FreePackageMember(&member);
  } else {
    LoadKpzResource(name, out);
  }
  if (!SurfaceExists(*out)) return false;
  if (out->width % 2 == 0 && out->height % 2 == 0) return true;
  FreeSurface(out);
  return false;
}

// A skin's three images at twice the size, used only all together: a picture drawn from them
// needs its sheet and bar at the same size.
struct DoubleSet {
  Surface moji = {};
  Surface bar = {};
  Surface picture = {};

  DoubleSet() = default;
  DoubleSet(const DoubleSet&) = delete;
  DoubleSet& operator=(const DoubleSet&) = delete;
  ~DoubleSet() {
    FreeSurface(&moji);
    FreeSurface(&bar);
    FreeSurface(&picture);
  }

  bool Load(const SkinRecord& skin) {
    return LoadDoubleImage(skin, skin.moji, &moji) && LoadDoubleImage(skin, skin.rss, &bar) &&
           LoadDoubleImage(skin, skin.file, &picture);
  }
};

// Hands a surface over, leaving the giver empty.
void Adopt(Surface* from, Surface* to) {
  FreeSurface(to);
  *to = *from;
  *from = Surface{};
}

// Surfaces are made with packed rows, which the resampler reads and writes as they are.
PixelSpan SpanOf(const Surface& s) {
  return PixelSpan{s.bits, static_cast<size_t>(s.stride) * s.height, s.width, s.height,
                   static_cast<size_t>(s.stride)};
}

PixelTarget TargetOf(const Surface& s) {
  return PixelTarget{s.bits, static_cast<size_t>(s.stride) * s.height, s.width, s.height,
                     static_cast<size_t>(s.stride)};
}

// Replaces `surface` by a width × height surface that `draw(from, to)` makes from it; true
// without doing anything when it has that size already or holds nothing.
template <typename Draw>
bool Refit(Surface* surface, int width, int height, Draw draw) {
  if (!SurfaceExists(*surface) || (surface->width == width && surface->height == height)) return true;
  Surface fitted = {};
  if (!CreateSurface(&fitted, width, height, surface->name)) return false;
  if (!draw(SpanOf(*surface), TargetOf(fitted))) {
    FreeSurface(&fitted);
    return false;
  }
  Adopt(&fitted, surface);
  return true;
}

// Replaces `surface` by itself resampled to width × height.
bool FitSurface(Surface* surface, int width, int height, AlphaForm form) {
  return Refit(surface, width, height, [form](const PixelSpan& from, const PixelTarget& to) {
    return Resample(from, to, form);
  });
}

// Brings the digit sheet to `scale`, cell by cell (see ResampleSheet). A package's sheet too
// small for the cells is resampled whole, as the stored sheet would be read at scale 1.
bool FitSheet(double scale) {
  const double heldScale = heldMoji.scale;
  const bool fitted = Refit(&MojiSurface, ScaledImageSide(heldMoji.base.x, scale),
                            ScaledImageSide(heldMoji.base.y, scale),
                            [heldScale, scale](const PixelSpan& from, const PixelTarget& to) {
                              return ResampleSheet(from, heldScale, to, scale, AlphaForm::kStraight) ||
                                     Resample(from, to, AlphaForm::kStraight);
                            });
  if (fitted) heldMoji.scale = scale;
  return fitted;
}

void Blend(Surface* target, const Surface& glyphs, const GlyphCopy& g) {
  BlendRect(target, g.dx, g.dy, g.w, g.h, &glyphs, g.sx, g.sy);
}

GlyphCopy Times(GlyphCopy g, int factor) {
  return GlyphCopy{g.dx * factor, g.dy * factor, g.w * factor, g.h * factor, g.sx * factor, g.sy * factor};
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
  RECT r = {LEFT, TOP, LEFT, TOP};
  GetWindowRect(ClockWindow, &r);
  LEFT = r.left;
  TOP = r.top;
  FaceOffset = FaceOffsetFor(BRAND, CHARA);
  BarOffset = FaceOffset;
  SkinRecord selected;
  if (!SelectedSkin(&selected)) {
    TraceEvent("LoadSkin: no skin %d/%d", BRAND.load(), CHARA.load());
    return SkinLoad::kNoSkin;
  }
  const SkinRecord* skin = &selected;
  // Above scale 1 the twice-size images are the source: shown as they are at 2, resampled down
  // from them otherwise. Everything is composed at the source's size and resampled once at the
  // end, never per frame.
  DoubleSet twice;
  const int factor = WantsDoubleSize(scale) && twice.Load(*skin) ? 2 : 1;
  if (factor == 2) {
    Adopt(&twice.moji, &MojiSurface);
    heldMoji = HeldImage{{MojiSurface.width / 2, MojiSurface.height / 2}, 2.0};
    Premultiply(&twice.bar);
    Adopt(&twice.bar, &BarSurface);
    heldBar = HeldImage{{BarSurface.width / 2, BarSurface.height / 2}, 2.0};
  } else {
    if (!LoadSkinImage(*skin, skin->moji, &MojiSurface, false, &heldMoji)) return SkinLoad::kFailed;
    if (!LoadSkinImage(*skin, skin->rss, &BarSurface, true, &heldBar)) return SkinLoad::kFailed;
  }
  if (!FitSheet(factor) || !FitSurface(&BarSurface, heldBar.base.x * factor, heldBar.base.y * factor,
                                       AlphaForm::kPremultiplied)) {
    return SkinLoad::kFailed;
  }
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
  if (!CreateSurface(&PictureSurface, kFaceWidth * factor, kFaceHeight * factor, skin->name)) {
    return SkinLoad::kFailed;
  }
  if (factor == 2) {
    const Surface& p = twice.picture;
    CopyRect(&PictureSurface, 0, 0, p.width < PictureSurface.width ? p.width : PictureSurface.width,
             p.height < PictureSurface.height ? p.height : PictureSurface.height, &p, 0, 0);
  } else if (!LoadPicture(*skin)) {
    TraceEvent("LoadSkin: no picture %s", skin->file);
    return SkinLoad::kNoPicture;
  }
  if (withNewsBar) {
    MaskCopyBlock(&PictureSurface, FaceOffset.x * factor, (kBarY + FaceOffset.y) * factor, &BarSurface,
                  kMaskWidth * factor, kMaskHeight * factor);
  }
  if (SurfaceExists(MojiSurface)) {
    GlyphCopy colon[2];
    ColonGlyphs(FaceOffset, 1.0, colon);
    for (const GlyphCopy& g : colon) Blend(&PictureSurface, MojiSurface, Times(g, factor));
  }
  Premultiply(&PictureSurface);
  if (!FitSurface(&PictureSurface, ScaledImageSide(kFaceWidth, scale), ScaledImageSide(kFaceHeight, scale),
                  AlphaForm::kPremultiplied) ||
      !FitSheet(scale) ||
      !FitSurface(&BarSurface, ScaledImageSide(heldBar.base.x, scale), ScaledImageSide(heldBar.base.y, scale),
                  AlphaForm::kPremultiplied)) {
    return SkinLoad::kFailed;
  }
  if (!SurfaceExists(BackBuffer)) {
    bool created;
    {
      FrameGuard guard;
      created = CreateSurface(&BackBuffer, PictureSurface.width, PictureSurface.height, "BackBuffer");
    }
    if (!created) return SkinLoad::kFailed;
    if (!windowShown) {
      ShowWindow(ClockWindow, SW_SHOWNORMAL);
    } else {
      // A new size (the size menu, a display scale) grows from the corner; what it would push
      // off the monitor is brought back, as a drag keeps the clock on it.
      POINT corner;
      if (GrownWindowCorner(ClockWindow, PictureSurface.width, PictureSurface.height, &corner)) {
        LEFT = corner.x;
        TOP = corner.y;
      }
    }
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
