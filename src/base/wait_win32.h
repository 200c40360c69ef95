// Bounded waits that keep answering messages other threads send to this thread's windows.
#pragma once

#include <windows.h>

// Waits until `done(context)` is true or `handle` (may be null) is signalled, at most
// `timeoutMs`, checking every 10 ms. Meanwhile it dispatches messages sent to this thread's
// windows (posted ones stay queued): the thread being waited for may be inside a call that sends
// one here, such as a DirectShow graph releasing a video window this thread owns, and would
// otherwise never finish. Returns whether `done` became true or the handle was signalled.
bool WaitDispatchingSent(bool (*done)(void* context), void* context, HANDLE handle,
                         DWORD timeoutMs);
