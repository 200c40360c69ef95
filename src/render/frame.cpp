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

}  // namespace

void RequestFrame(unsigned what) {
  requests.fetch_or(what);
  void (*wake)() = waker.load();
  if (wake != nullptr) wake();
}

void SetFrameWaker(void (*wake)()) { waker = wake; }

unsigned TakeFrameRequests() { return requests.exchange(0); }

unsigned PendingFrameRequests() { return requests.load(); }

void MarkFrameChanged() { changed = true; }

bool TakeFrameChanged() { return changed.exchange(false); }

void ClaimFrame() { owner = std::this_thread::get_id(); }

void NoteFrameAccess() {
  const std::thread::id claimed = owner.load();
  if (claimed != std::thread::id() && claimed != std::this_thread::get_id()) ++foreignAccesses;
}

int ForeignFrameAccesses() { return foreignAccesses.load(); }

void LockFrame() { backBufferLock.lock(); }

void UnlockFrame() { backBufferLock.unlock(); }
