// Bounded waits that dispatch sent messages.
#include "base/wait_win32.h"

bool WaitDispatchingSent(bool (*done)(void* context), void* context, HANDLE handle,
                         DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done != nullptr && done(context)) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    DWORD slice = timeoutMs - elapsed;
    if (slice > 10) slice = 10;
    const DWORD r = handle != nullptr
                        ? MsgWaitForMultipleObjects(1, &handle, FALSE, slice, QS_SENDMESSAGE)
                        : MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_SENDMESSAGE);
    if (handle != nullptr && r == WAIT_OBJECT_0) return true;
    if (r == WAIT_FAILED) Sleep(slice);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}
