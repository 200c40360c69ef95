// Clip playback. Nothing plays clips yet, so stopping has nothing to release.
#include "timesvc/clip_player_win32.h"

#include "app/test_hooks_win32.h"

void StopClip() { TraceEvent("StopClip"); }
