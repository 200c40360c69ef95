// News bar clicks. No feed items exist yet, so there is nothing under a click to open.
#include "skin/skin_update_win32.h"

#include "base/test_hooks_win32.h"

void ClickNewsBar(int x) { TraceEvent("ClickNewsBar %d", x); }
