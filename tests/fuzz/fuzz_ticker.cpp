// Title split, queue and slot stepping over arbitrary titles and widths: texts stay inside their
// buffers, parts end on character boundaries and the chain never reads past its four slots.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "news/ticker.h"

namespace {
FeedRecord feeds[kFeedCount];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int viewBrand = data[0];
  const int brand = data[1] % 6 - 1;
  const int steps = data[2] * 8;
  const int width = data[3] * 5;
  data += 4;
  size -= 4;
  memset(feeds, 0, sizeof feeds);
  // Titles separated by newlines go round the four feeds.
  int feed = 0;
  size_t at = 0;
  while (at < size && feed < kFeedCount * 3) {
    size_t end = at;
    while (end < size && data[end] != '\n') ++end;
    FeedRecord& f = feeds[feed % kFeedCount];
    if (f.item_count < kItemsPerFeed) {
      FeedItem& item = f.items[f.item_count++];
      const size_t n = end - at < sizeof item.title - 1 ? end - at : sizeof item.title - 1;
      memcpy(item.title, data + at, n);
      item.title[n] = '\0';
    }
    ++feed;
    at = end + 1;
  }
  TickerState state = {};
  ResetTickerState(&state, brand, viewBrand);
  for (int s = 0; s < steps; ++s) {
    state.head = StepSlots(state.slots, state.head);
    const int k = FreeSlot(state.slots, state.head);
    if (k < 0) continue;
    int armed[2] = {-1, -1};
    const int n = QueueNextItem(&state, k, feeds, viewBrand, armed);
    for (int j = 0; j < n; ++j) {
      TickerSlot& slot = state.slots[armed[j]];
      const size_t length = strnlen(slot.text, sizeof slot.text);
      if (length >= sizeof slot.text) abort();
      if (length > kTitleSplit + 4) abort();
      if (CharacterPrefix(slot.text, length, length) != length) abort();
      ArmSlot(&slot, width + static_cast<int>(length), kTickerWindow);
    }
    for (const TickerSlot& slot : state.slots) {
      int x = 0, from = 0, count = 0;
      if (SlotSpan(slot, &x, &from, &count) &&
          (x < 0 || count <= 0 || x + count > kTickerWindow || from + count > slot.width)) {
        abort();
      }
    }
  }
  return 0;
}
