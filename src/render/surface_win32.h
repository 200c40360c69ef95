// Win32 side of the surfaces: painting the frame the ordinary way where layered windows are
// missing.
#pragma once

#include <windows.h>

// Copies the finished BackBuffer to `target` (a WM_PAINT device context), under the frame lock;
// any thread may call it.
void PaintFrame(HDC target);
