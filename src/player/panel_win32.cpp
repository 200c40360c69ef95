// Player panel. Not built yet: opening it does nothing, and no panel is ever open.
#include "player/panel_win32.h"

#include "base/test_hooks_win32.h"

HWND PanelWindow = nullptr;
BYTE AutoPlay = 0;

void OpenPlayerPanel() { TraceEvent("OpenPlayerPanel autoplay=%d", AutoPlay); }
