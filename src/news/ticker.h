// The news bar's portable half: slots and their stepping, the title queue and split, the grey
// table and the glyph blit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "news/feeds.h"
#include "render/face_scale.h"
#include "render/face_layout.h"
#include "render/surface.h"

constexpr int kTickerSlots = 4;
// At 1; the clock draws them at its scale (TickerWindowBox, TextSurfaceSize).
constexpr int kTickerWindow = 310;      // width of the text window on the bar
constexpr int kTickerLeft = 20;         // its left edge in the face
constexpr int kTickerTop = 291;         // its top edge in the face
constexpr int kTextSurfaceWidth = 1024; // one line, never wrapped
constexpr int kTextSurfaceHeight = 30;
constexpr int kTickerFontHeight = 24;   // the font's character height in pixels
constexpr int kTickerFontWidth = 12;
constexpr size_t kTitleSplit = 58;      // longest title shown in one slot, in bytes
constexpr int kMaxGlyphs = 512;

struct TickerSlot {
  int window;  // the text window's width it scrolls through, in pixels
  int visible;
  int width;
  int scroll;
  int x;
  int gap;
  uint8_t index;
  uint8_t active;
  // What the slot shows, copied from the feed item so a later fetch cannot change it under it.
  char text[kTitleSplit * 2 + 16];
  char link[128];
  char extend[64];
};

struct TickerState {
  TickerSlot slots[kTickerSlots];
  int feed;  // TickerFeed
  int item;  // TickerItem
  int head;  // HeadSlot
};

// RssScrollTime as used: 5-100 milliseconds per step.
int ClampScrollTime(int ms);

// Milliseconds per one-pixel step on a face drawn at `scale`: RssScrollTime (clamped) counts
// unscaled pixels, so a larger face takes more, shorter steps and its titles pass at the same
// apparent speed. At least 1.
int ScrollPeriodAt(int ms, double scale);

// When the bar steps, by a millisecond clock: one step every `period` milliseconds (at least 1) on
// average, however coarsely the thread that steps it wakes (Windows' timer moves in steps of
// about 15.6 ms). A wake-up that finds several steps due takes them all; one that finds the bar
// more than kTickerCatchUpMs behind (a stall) takes one and starts the pace again from there.
struct TickerPace {
  uint32_t due;  // the millisecond the next step is due
};
constexpr int kTickerCatchUpMs = 200;

// The first step is due `period` milliseconds after `now`.
void StartTickerPace(TickerPace* pace, uint32_t now, int period);

// The steps due at `now`, each moving the pace on by `period`.
int TakeDueSteps(TickerPace* pace, uint32_t now, int period);

// Milliseconds from `now` until the next step is due; 0 when it is due already.
int TickerDueIn(const TickerPace& pace, uint32_t now);

// The text window on the face at `scale`, for a bar drawn at `barOffset` (as FaceOffsetFor):
// its corner and its size are each rounded, so its size is the same for every skin.
FaceBox TickerWindowBox(FacePoint barOffset, double scale);
// The size of a slot's text surface at `scale`: as high as the text window.
FacePoint TextSurfaceSize(double scale);

// Arms a slot for a rendered text of `width` pixels in a text window `window` pixels wide.
void ArmSlot(TickerSlot* slot, int width, int window);

// One step of the chain led by `head`: each active slot moves at most once. Returns the slot
// that leads afterwards.
int StepSlots(TickerSlot slots[kTickerSlots], int head);

// Number of active slots.
int ActiveSlots(const TickerSlot slots[kTickerSlots]);

// The slot the next item goes into: 0 when none is active, else the first inactive one going
// forward from `head`; -1 when all are active.
int FreeSlot(const TickerSlot slots[kTickerSlots], int head);

// The next feed index after `feed` in cyclic order whose bit is set in ViewBrand & 15; `feed`
// itself when it is the only one; -1 when none is set.
int NextFeed(int feed, int viewBrand);

// Clears every slot, makes slot 0 the head and starts the queue at `brand`'s feed (or the next
// enabled one).
void ResetTickerState(TickerState* state, int brand, int viewBrand);

// Splits a title into the two slot texts: "【" + first part and rest + "】", each part at most
// kTitleSplit bytes ending on a character boundary. A title of at most kTitleSplit bytes gives
// one text "【title】" and an empty second. Returns the number of texts (1 or 2).
int SplitTitle(const char* title, char* first, size_t firstCapacity, char* second,
               size_t secondCapacity);

// Queues the next item into slot `k`: copies the title (split into k and k+1 when long, only
// while at most two slots are active and both are free), link and extend, and advances the queue
// past feeds without items. Returns how many slots were armed' texts (0, 1 or 2); the caller
// renders each armed slot's `text` and calls ArmSlot with the width.
int QueueNextItem(TickerState* state, int k, const FeedRecord* feeds, int viewBrand,
                  int armed[2]);

// The grey table: entry g = g * 255 / 64 for g 0-64, 255 above.
void BuildGreyTable(uint8_t table[256]);

// Draws one glyph's W x rows 8-bit grey box with its top-left at (left, top) of `surface`:
// first a black shadow one pixel right and down, then the white text blended over it. Pixels
// outside the surface are clipped.
void BlitGlyph(Surface* surface, int left, int top, const uint8_t* grey, int rowStep, int width,
               int rows, const uint8_t table[256]);

// The same text pass one channel at a time, as the reference for tests and measurements.
void BlitGlyphScalar(Surface* surface, int left, int top, const uint8_t* grey, int rowStep,
                     int width, int rows, const uint8_t table[256]);

// Which columns of slot `slot`'s text show in the window: at window x `*x`, columns `*from`
// for `*count` pixels, never past the slot's text or its window. False when nothing of it shows.
bool SlotSpan(const TickerSlot& slot, int* x, int* from, int* count);
