// Who may touch the frame. The clock thread owns BackBuffer and the skin surfaces: it alone
// creates, frees, draws into and pushes them. Other threads (the window procedure, dialogs) never
// touch a surface; they ask the owner through these flags, which it serves on its next tick.
#pragma once

// What another thread can ask for.
constexpr unsigned kFrameRedraw = 1u;  // recompose the face for the current time, then push
constexpr unsigned kFramePush = 2u;    // push the finished frame again (ALPHA changed, a paint)
constexpr unsigned kFrameRescale = 4u; // the DPI or ClockScale changed: load the face at the new
                                       // scale when it differs from the one shown

// Any thread: adds to the pending requests and wakes the owner.
void RequestFrame(unsigned what);
// The owner: what RequestFrame calls to wake it from an idle sleep (null: nothing).
void SetFrameWaker(void (*wake)());
// The owner: the pending requests, cleared.
unsigned TakeFrameRequests();
// Anyone: the requests not yet taken, left as they are.
unsigned PendingFrameRequests();

// The owner: BackBuffer now differs from what the screen was last given.
void MarkFrameChanged();
// The owner: only this rectangle of BackBuffer changed (the news bar's text window, 25 times a
// second). Changes add up until the next take; any MarkFrameChanged makes it the whole frame.
void MarkFrameRegionChanged(int x, int y, int w, int h);
// The owner: whether anything changed since the last call (and clears it). Pushing only then
// keeps an idle clock from handing the same 400 x 330 frame to the compositor every 10 ms.
bool TakeFrameChanged();
// The owner, after TakeFrameChanged returned true: the changed part, when only a part changed
// (false: the whole frame). Clears it.
bool TakeFrameDirtyRect(int* x, int* y, int* w, int* h);

// Without layered windows the window is painted the ordinary way, on WM_PAINT in the UI thread,
// from the finished BackBuffer. That one read is shared: the owner holds this lock while it
// writes, replaces or frees BackBuffer, and the painter while it copies it out. Neither sends a
// window message while holding it, so it cannot deadlock with the owner's calls into the UI.
void LockFrame();
void UnlockFrame();

class FrameGuard {
 public:
  FrameGuard() { LockFrame(); }
  ~FrameGuard() { UnlockFrame(); }
  FrameGuard(const FrameGuard&) = delete;
  FrameGuard& operator=(const FrameGuard&) = delete;
};

// The owner's claim, checked where the frame is touched: a draw or push from any other thread
// is counted, so a test can prove that nothing else touches the frame.
void ClaimFrame();
void NoteFrameAccess();
int ForeignFrameAccesses();
