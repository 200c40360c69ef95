// Requests to the frame's owner and its changed flag.
#include "render/frame.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {

std::atomic<unsigned> requests{0};
// Written and read by the owner only; atomic all the same, so a test driving it from another
// thread stays well defined.
std::atomic<bool> changed{false};
std::atomic<void (*)()> waker{nullptr};
std::atomic<std::thread::id> owner{std::thread::id()};
std::atomic<int> foreignAccesses{0};
std::mutex backBufferLock;
// The changed part since the last take (owner only): whole, or the union of marked rectangles.
bool dirtyWhole = false;
bool dirtyAny = false;
int dirtyLeft = 0, dirtyTop = 0, dirtyRight = 0, dirtyBottom = 0;

}  // namespace

void RequestFrame(unsigned what) {
  requests.fetch_or(what);
  void (*wake)() = waker.load();
  if (wake != nullptr) wake();
}

void SetFrameWaker(void (*wake)()) { waker = wake; }

unsigned TakeFrameRequests() { return requests.exchange(0); }

unsigned PendingFrameRequests() { return requests.load(); }

void MarkFrameChanged() {
  dirtyWhole = true;
  changed = true;
}

void MarkFrameRegionChanged(int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return;
  if (!dirtyAny) {
    dirtyLeft = x;
    dirtyTop = y;
    dirtyRight = x + w;
    dirtyBottom = y + h;
    dirtyAny = true;
  } else {
    if (x < dirtyLeft) dirtyLeft = x;
    if (y < dirtyTop) dirtyTop = y;
    if (x + w > dirtyRight) dirtyRight = x + w;
    if (y + h > dirtyBottom) dirtyBottom = y + h;
  }
  changed = true;
}

bool TakeFrameChanged() {
  const bool was = changed.exchange(false);
  if (!was) {
    dirtyWhole = false;
    dirtyAny = false;
  }
  return was;
}

bool TakeFrameDirtyRect(int* x, int* y, int* w, int* h) {
  const bool part = dirtyAny && !dirtyWhole;
  if (part && x != nullptr && y != nullptr && w != nullptr && h != nullptr) {
    *x = dirtyLeft;
    *y = dirtyTop;
    *w = dirtyRight - dirtyLeft;
    *h = dirtyBottom - dirtyTop;
  }
  dirtyWhole = false;
  dirtyAny = false;
  return part;
}

void ClaimFrame() { owner = std::this_thread::get_id(); }

void NoteFrameAccess() {
  const std::thread::id claimed = owner.load();
  if (claimed != std::thread::id() && claimed != std::this_thread::get_id()) ++foreignAccesses;
}

int ForeignFrameAccesses() { return foreignAccesses.load(); }

void LockFrame() { backBufferLock.lock(); }

void UnlockFrame() { backBufferLock.unlock(); }
