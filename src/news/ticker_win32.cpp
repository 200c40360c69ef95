// News bar: the font, glyph rendering into the text surfaces, stepping and drawing.
#include "news/ticker_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/clock_source_win32.h"
#include "base/test_hooks_win32.h"
#include "news/feeds_win32.h"
#include "news/news_state.h"
#include "news/ticker.h"
#include "render/blend.h"
#include "render/face_win32.h"
#include "render/frame.h"
#include "render/surface.h"
#include "settings/settings.h"

namespace {

HFONT tickerFont = nullptr;
// The scale of the font and text surfaces; the clock thread's after start-up.
double tickerScale = 1.0;
uint8_t greyTable[256];
Surface textSurfaces[kTickerSlots];
TickerState ticker;
TickerPace pace = {};
// Set under the news lock by a publish, taken by the clock thread.
bool resetPending = false;
bool haveItems = false;
// What the slots showed after the last step, for clicks on the UI thread (under the news lock).
TickerSlot clickSlots[kTickerSlots];

void PublishSlotsLocked() { memcpy(clickSlots, ticker.slots, sizeof clickSlots); }

bool TickerOn() {
  return SurfaceExists(BackBuffer) && SurfaceExists(textSurfaces[0]) && NewsAvailable == 1 &&
         ViewBrand != 0;
}

void ClearSurface(Surface* s) {
  if (s->bits == nullptr) return;
  for (int y = 0; y < s->height; ++y) memset(s->bits + s->rowOffsets[y], 0, static_cast<size_t>(s->width) * 4);
}

}  // namespace

int RenderText(Surface* surface, const char* text) {
  if (tickerFont == nullptr || surface->bits == nullptr) return 0;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return 0;
  HGDIOBJ old = SelectObject(dc, tickerFont);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  const int lineHeight = metrics.tmHeight;
  const int ascent = metrics.tmAscent;
  static const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  static uint8_t glyph[10240];
  int x = 0;
  int y = 0;
  int glyphs = 0;
  for (size_t i = 0; text[i] != '\0' && glyphs < kMaxGlyphs; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 13) {
      if (text[i + 1] != '\0') ++i;
      x = 0;
      y += lineHeight + 1;
      continue;
    }
    UINT code = c;
    if (IsDBCSLeadByte(c) && text[i + 1] != '\0') {
      code = (static_cast<UINT>(c) << 8) | static_cast<unsigned char>(text[i + 1]);
      ++i;
    }
    GLYPHMETRICS gm = {};
    const DWORD size = GetGlyphOutlineA(dc, code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &kIdentity);
    if (size == GDI_ERROR) break;
    const int rowStep = (static_cast<int>(gm.gmBlackBoxX) + 3) & ~3;
    if (size > 0 && size <= sizeof glyph) {
      memset(glyph, 0, sizeof glyph);
      if (GetGlyphOutlineA(dc, code, GGO_GRAY8_BITMAP, &gm, sizeof glyph, glyph, &kIdentity) ==
          GDI_ERROR) {
        break;
      }
      const int rows = static_cast<int>(gm.gmBlackBoxY);
      if (rowStep * rows <= static_cast<int>(sizeof glyph)) {
        BlitGlyph(surface, x + gm.gmptGlyphOrigin.x, y + ascent - gm.gmptGlyphOrigin.y, glyph,
                  rowStep, rowStep, rows, greyTable);
      }
    }
    // The glyph's own advance: a blank has no box but still moves the pen.
    x += gm.gmCellIncX;
    ++glyphs;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  if (x < 0) x = 0;
  return x > surface->width ? surface->width : x;
}

namespace {

void ApplyPendingReset() {
  LockNews();
  if (resetPending) {
    ResetTickerState(&ticker, BRAND, ViewBrand);
    haveItems = false;
    for (int i = 0; i < kFeedCount; ++i) {
      haveItems = haveItems || ((FeedBits(ViewBrand) & (1 << i)) != 0 && Feeds[i].item_count > 0);
    }
    resetPending = false;
    PublishSlotsLocked();
    const DWORD now = ReadTickMs();
    StartTickerPace(&pace, now, ScrollPeriodAt(RssScrollTime, tickerScale));
    TraceEvent("ticker reset at %lu", static_cast<unsigned long>(now));
  }
  UnlockNews();
}

void QueueIntoFreeSlot() {
  if (ActiveSlots(ticker.slots) >= kTickerSlots) return;
  const int k = FreeSlot(ticker.slots, ticker.head);
  if (k < 0) return;
  int armed[2] = {-1, -1};
  LockNews();
  const int n = QueueNextItem(&ticker, k, Feeds, ViewBrand, armed);
  UnlockNews();
  for (int j = 0; j < n; ++j) {
    const int s = armed[j];
    ClearSurface(&textSurfaces[s]);
    const int width = RenderText(&textSurfaces[s], ticker.slots[s].text);
    ArmSlot(&ticker.slots[s], width, ScaleLength(kTickerWindow, tickerScale));
#if MASCOT_TEST_HOOKS
    // The text's bytes in hexadecimal, so a test can compose the slot from the same text.
    char hex[sizeof ticker.slots[s].text * 2 + 1] = {};
    for (size_t i = 0; i < sizeof ticker.slots[s].text && ticker.slots[s].text[i] != '\0'; ++i) {
      snprintf(hex + i * 2, 3, "%02x", static_cast<unsigned char>(ticker.slots[s].text[i]));
    }
    TraceEvent("ticker slot %d width %d text %s", s, width, hex);
#endif
  }
}

void MakeTickerFont(double scale) {
  const FacePoint size = TextSurfaceSize(scale);
  for (int k = 0; k < kTickerSlots; ++k) {
    char name[16];
    snprintf(name, sizeof name, "TextBuffer%d", k);
    CreateSurface(&textSurfaces[k], size.x, size.y, name);
  }
  HFONT font = CreateFontA(-ScaleLength(kTickerFontHeight, scale), ScaleLength(kTickerFontWidth, scale), 0,
                           0, 400, 0, 0, 0, 128, 0, 0, 0, 0, "ＭＳ ゴシック");
  if (tickerFont != nullptr) DeleteObject(tickerFont);
  tickerFont = font;
  tickerScale = scale;
}

}  // namespace

void CreateTickerFont() {
  BuildGreyTable(greyTable);
  MakeTickerFont(1.0);
  for (int k = 0; k < kTickerSlots; ++k) ticker.slots[k].index = static_cast<uint8_t>(k);
}

void ScaleTicker(double scale) {
  if (scale == tickerScale && tickerFont != nullptr) return;
  NoteFrameAccess();
  MakeTickerFont(scale);
  // The texts shown were measured in the old font: the queue starts again from its first feed.
  LockNews();
  resetPending = true;
  UnlockNews();
  ApplyPendingReset();
  TraceEvent("ticker at scale %.3f: font %d px, text %dx%d", scale, ScaleLength(kTickerFontHeight, scale),
             textSurfaces[0].width, textSurfaces[0].height);
}

void RequestTickerReset() { resetPending = true; }

bool DrawNewsBar() {
  if (!TickerOn() || !SurfaceExists(PictureSurface)) return false;
  if (ActiveSlots(ticker.slots) == 0 || !ticker.slots[ticker.head].active) return false;
  NoteFrameAccess();
  const FaceBox box = TickerWindowBox(BarOffset.load(), tickerScale);
  const int height = box.h < textSurfaces[0].height ? box.h : textSurfaces[0].height;
  FrameGuard guard;
  CopyRect(&BackBuffer, box.x, box.y, box.w, height, &PictureSurface, box.x, box.y);
  for (int k = 0; k < kTickerSlots; ++k) {
    int x = 0;
    int from = 0;
    int count = 0;
    if (!SlotSpan(ticker.slots[k], &x, &from, &count)) continue;
    BlendRect(&BackBuffer, box.x + x, box.y, count, height, &textSurfaces[k], from, 0);
  }
  MarkFrameRegionChanged(box.x, box.y, box.w, height);
  return true;
}

void TickerStep() {
  if (!TickerOn()) return;
  ApplyPendingReset();
  const DWORD now = ReadTickMs();
  const int steps = TakeDueSteps(&pace, now, ScrollPeriodAt(RssScrollTime, tickerScale));
  if (steps == 0) return;
  // Each step as if the thread had woken for it alone: draw, move, queue.
  for (int k = 0; k < steps; ++k) {
    if (DrawNewsBar()) {
      ticker.head = StepSlots(ticker.slots, ticker.head);
      TraceEvent("ticker step at %lu head %d x %d", static_cast<unsigned long>(now), ticker.head,
                 ticker.slots[ticker.head].x);
    }
    QueueIntoFreeSlot();
  }
  LockNews();
  PublishSlotsLocked();
  UnlockNews();
}

void TickerSlotsNow(TickerSlot slots[kTickerSlots]) {
  LockNews();
  memcpy(slots, clickSlots, sizeof clickSlots);
  UnlockNews();
}

int TickerDueInMs() {
  if (!TickerOn() || (!haveItems && ActiveSlots(ticker.slots) == 0)) return -1;
  return TickerDueIn(pace, ReadTickMs());
}
