// The news bar's portable half.
#include "news/ticker.h"

#include <cmath>
#include <cstring>

int ClampScrollTime(int ms) { return ms < 5 ? 5 : ms > 100 ? 100 : ms; }

int ScrollPeriodAt(int ms, double scale) {
  if (!(scale > 0)) scale = 1.0;
  const long period = lround(ClampScrollTime(ms) / scale);
  return period < 1 ? 1 : period > 1000 ? 1000 : static_cast<int>(period);
}

void StartTickerPace(TickerPace* pace, uint32_t now, int period) {
  pace->due = now + static_cast<uint32_t>(period < 1 ? 1 : period);
}

int TakeDueSteps(TickerPace* pace, uint32_t now, int period) {
  // The clock wraps after 49 days: compare by the signed distance.
  const int32_t late = static_cast<int32_t>(now - pace->due);
  if (late < 0) return 0;
  const int32_t step = period < 1 ? 1 : period;
  if (late > kTickerCatchUpMs) {
    StartTickerPace(pace, now, period);
    return 1;
  }
  const int32_t steps = 1 + late / step;
  pace->due += static_cast<uint32_t>(steps * step);
  return steps;
}

int TickerDueIn(const TickerPace& pace, uint32_t now) {
  const int32_t early = static_cast<int32_t>(pace.due - now);
  return early > 0 ? early : 0;
}

FaceBox TickerWindowBox(FacePoint barOffset, double scale) {
  return FaceBox{ScaleLength(kTickerLeft + barOffset.x, scale), ScaleLength(kTickerTop + barOffset.y, scale),
                 ScaleLength(kTickerWindow, scale), ScaleLength(kTextSurfaceHeight, scale)};
}

FacePoint TextSurfaceSize(double scale) {
  return FacePoint{ScaleLength(kTextSurfaceWidth, scale), ScaleLength(kTextSurfaceHeight, scale)};
}

void ArmSlot(TickerSlot* slot, int width, int window) {
  if (width < 0) width = 0;
  if (window < 1) window = 1;
  slot->window = window;
  slot->width = width;
  slot->visible = width < window ? width : window;
  slot->x = window;
  slot->scroll = 0;
  slot->gap = slot->visible;
  slot->active = 1;
}

namespace {

// One pixel on one slot; *chain says the next slot moves in the same step, *finished that the
// slot has scrolled out.
void StepOne(TickerSlot* s, bool* chain, bool* finished) {
  *chain = false;
  *finished = false;
  if (s->x > 0) {
    --s->x;
    if (s->gap > 0) {
      --s->gap;
    } else {
      *chain = true;
    }
  } else if (s->visible + s->scroll < s->width) {
    ++s->scroll;
  } else if (s->scroll >= s->width) {
    s->scroll = 0;
    s->gap = s->window;
    s->x = s->window;
    s->active = 0;
    *finished = true;
    return;
  } else {
    ++s->scroll;
    ++s->gap;
    *chain = true;
  }
  if (s->gap > s->visible) s->gap = s->visible;
}

}  // namespace

int StepSlots(TickerSlot slots[kTickerSlots], int head) {
  head &= 3;
  if (!slots[head].active) return head;
  bool moved[kTickerSlots] = {};
  int result = head;
  int k = head;
  for (int n = 0; n < kTickerSlots; ++n) {
    if (moved[k] || !slots[k].active) break;
    moved[k] = true;
    bool chain = false;
    bool finished = false;
    StepOne(&slots[k], &chain, &finished);
    if (finished && n == 0) result = (k + 1) % kTickerSlots;
    if (!chain) break;
    k = (k + 1) % kTickerSlots;
  }
  return result;
}

int ActiveSlots(const TickerSlot slots[kTickerSlots]) {
  int n = 0;
  for (int i = 0; i < kTickerSlots; ++i) n += slots[i].active ? 1 : 0;
  return n;
}

int FreeSlot(const TickerSlot slots[kTickerSlots], int head) {
  const int active = ActiveSlots(slots);
  if (active == 0) return 0;
  if (active == kTickerSlots) return -1;
  for (int n = 0; n < kTickerSlots; ++n) {
    const int k = (head + n) % kTickerSlots;
    if (!slots[k].active) return k;
  }
  return -1;
}

int NextFeed(int feed, int viewBrand) {
  const int bits = FeedBits(viewBrand);
  if (bits == 0) return -1;
  for (int n = 1; n <= kFeedCount; ++n) {
    const int i = ((feed + n) % kFeedCount + kFeedCount) % kFeedCount;
    if ((bits & (1 << i)) != 0) return i;
  }
  return -1;
}

void ResetTickerState(TickerState* state, int brand, int viewBrand) {
  memset(state->slots, 0, sizeof state->slots);
  for (int i = 0; i < kTickerSlots; ++i) state->slots[i].index = static_cast<uint8_t>(i);
  const int bits = FeedBits(viewBrand);
  if (brand >= 0 && brand < kFeedCount && (bits & (1 << brand)) != 0) {
    state->feed = brand;
  } else {
    const int start = (brand >= 0 && brand < kFeedCount) ? brand : kFeedCount - 1;
    const int next = NextFeed(start, viewBrand);
    state->feed = next < 0 ? 0 : next;
  }
  state->item = 0;
  // The chain starts again at slot 0, where the first title goes: a kept HeadSlot would lead
  // with an empty slot and show the next titles out of order.
  state->head = 0;
}

int SplitTitle(const char* title, char* first, size_t firstCapacity, char* second,
               size_t secondCapacity) {
  static const char kOpen[] = "\x81\x79";   // 【 in Shift-JIS
  static const char kClose[] = "\x81\x7a";  // 】
  first[0] = '\0';
  second[0] = '\0';
  const size_t length = strnlen(title, 512);
  if (length <= kTitleSplit) {
    if (firstCapacity < length + 5) return 0;
    memcpy(first, kOpen, 2);
    memcpy(first + 2, title, length);
    memcpy(first + 2 + length, kClose, 3);
    return 1;
  }
  const size_t cut = CharacterPrefix(title, length, kTitleSplit);
  const size_t restLength = CharacterPrefix(title + cut, length - cut, kTitleSplit);
  if (firstCapacity < cut + 3 || secondCapacity < restLength + 3) return 0;
  memcpy(first, kOpen, 2);
  memcpy(first + 2, title, cut);
  first[2 + cut] = '\0';
  memcpy(second, title + cut, restLength);
  memcpy(second + restLength, kClose, 3);
  return 2;
}

int QueueNextItem(TickerState* state, int k, const FeedRecord* feeds, int viewBrand,
                  int armed[2]) {
  k &= 3;
  if (FeedBits(viewBrand) == 0) return 0;
  // Skip feeds without items (at most one round).
  int feed = state->feed;
  if (feed < 0 || feed >= kFeedCount) feed = 0;
  int tries = 0;
  while ((feeds[feed].item_count <= 0 || (FeedBits(viewBrand) & (1 << feed)) == 0 ||
          state->item >= feeds[feed].item_count) &&
         tries < kFeedCount + 1) {
    const int next = NextFeed(feed, viewBrand);
    if (next < 0) return 0;
    feed = next;
    state->item = 0;
    ++tries;
  }
  if (feeds[feed].item_count <= 0 || state->item >= feeds[feed].item_count) return 0;
  state->feed = feed;
  const FeedItem& item = feeds[feed].items[state->item];
  TickerSlot& slot = state->slots[k];
  TickerSlot& after = state->slots[(k + 1) % kTickerSlots];
  char first[sizeof slot.text];
  char second[sizeof slot.text];
  const size_t length = strnlen(item.title, sizeof item.title);
  int count = 0;
  if (length > kTitleSplit) {
    if (ActiveSlots(state->slots) > 2 || slot.active || after.active) return 0;
    count = SplitTitle(item.title, first, sizeof first, second, sizeof second);
  } else {
    count = SplitTitle(item.title, first, sizeof first, second, sizeof second);
  }
  if (count == 0) return 0;
  memcpy(slot.text, first, sizeof slot.text);
  memcpy(slot.link, item.link, sizeof slot.link);
  memcpy(slot.extend, item.extend, sizeof slot.extend);
  armed[0] = k;
  if (count == 2) {
    memcpy(after.text, second, sizeof after.text);
    memcpy(after.link, item.link, sizeof after.link);
    memcpy(after.extend, item.extend, sizeof after.extend);
    armed[1] = (k + 1) % kTickerSlots;
  }
  ++state->item;
  if (state->item >= feeds[feed].item_count) {
    const int next = NextFeed(feed, viewBrand);
    state->feed = next < 0 ? feed : next;
    state->item = 0;
  }
  return count;
}

void BuildGreyTable(uint8_t table[256]) {
  for (int g = 0; g < 256; ++g) table[g] = g <= 64 ? static_cast<uint8_t>(g * 255 / 64) : 255;
}

namespace {

constexpr uint64_t kLaneOnes = 0x0000000100010001ull;   // one per blue, green, red lane
constexpr uint64_t kLaneMask = 0x000000FF00FF00FFull;

// Whether (x, y) lies inside the surface.
bool Inside(const Surface* s, int x, int y) {
  return x >= 0 && y >= 0 && x < s->width && y < s->height;
}

uint8_t* Pixel(Surface* s, int x, int y) { return s->bits + s->rowOffsets[y] + x * 4; }

void ShadowPass(Surface* surface, int left, int top, const uint8_t* grey, int rowStep, int width,
                int rows, const uint8_t table[256]) {
  for (int r = 0; r < rows; ++r) {
    const int y = top + r + 1;
    if (y < 0 || y >= surface->height) continue;
    for (int c = 0; c < width; ++c) {
      const int x = left + c + 1;
      if (x < 0 || x >= surface->width) continue;
      uint8_t* p = Pixel(surface, x, y);
      p[0] = 0;
      p[1] = 0;
      p[2] = 0;
      p[3] = table[grey[r * rowStep + c]];
    }
  }
}

}  // namespace

void BlitGlyph(Surface* surface, int left, int top, const uint8_t* grey, int rowStep, int width,
               int rows, const uint8_t table[256]) {
  if (surface == nullptr || surface->bits == nullptr || grey == nullptr) return;
  ShadowPass(surface, left, top, grey, rowStep, width, rows, table);
  for (int r = 0; r < rows; ++r) {
    const int y = top + r;
    if (y < 0 || y >= surface->height) continue;
    for (int c = 0; c < width; ++c) {
      const int x = left + c;
      if (!Inside(surface, x, y)) continue;
      const uint32_t a = table[grey[r * rowStep + c]];
      if (a == 0) continue;
      uint8_t* p = Pixel(surface, x, y);
      if (a == 255 || p[3] == 0) {
        p[0] = 255;
        p[1] = 255;
        p[2] = 255;
        p[3] = a == 255 ? 255 : static_cast<uint8_t>(a);
        continue;
      }
      // Blue, green and red in three 16-bit lanes, mixed at once.
      const uint64_t d = static_cast<uint64_t>(p[0]) | (static_cast<uint64_t>(p[1]) << 16) |
                         (static_cast<uint64_t>(p[2]) << 32);
      const uint64_t mixed = ((kLaneOnes * (255u * a)) + d * (255u - a)) >> 8 & kLaneMask;
      p[0] = static_cast<uint8_t>(mixed);
      p[1] = static_cast<uint8_t>(mixed >> 16);
      p[2] = static_cast<uint8_t>(mixed >> 32);
      if (a > p[3]) p[3] = static_cast<uint8_t>(a);
    }
  }
}

void BlitGlyphScalar(Surface* surface, int left, int top, const uint8_t* grey, int rowStep,
                     int width, int rows, const uint8_t table[256]) {
  if (surface == nullptr || surface->bits == nullptr || grey == nullptr) return;
  ShadowPass(surface, left, top, grey, rowStep, width, rows, table);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < width; ++c) {
      const int x = left + c;
      const int y = top + r;
      if (!Inside(surface, x, y)) continue;
      const int a = table[grey[r * rowStep + c]];
      if (a == 0) continue;
      uint8_t* p = Pixel(surface, x, y);
      if (a == 255) {
        p[0] = p[1] = p[2] = p[3] = 255;
      } else if (p[3] == 0) {
        p[0] = p[1] = p[2] = 255;
        p[3] = static_cast<uint8_t>(a);
      } else {
        for (int ch = 0; ch < 3; ++ch) p[ch] = static_cast<uint8_t>((255 * a + p[ch] * (255 - a)) >> 8);
        if (a > p[3]) p[3] = static_cast<uint8_t>(a);
      }
    }
  }
}

bool SlotSpan(const TickerSlot& slot, int* x, int* from, int* count) {
  *x = slot.x;
  *from = slot.scroll;
  *count = slot.visible - slot.gap;
  if (!slot.active || *count <= 0) return false;
  if (*x < 0 || *x >= slot.window) return false;
  if (*x + *count > slot.window) *count = slot.window - *x;
  if (*from < 0 || *from + *count > slot.width) return false;
  return *count > 0;
}
