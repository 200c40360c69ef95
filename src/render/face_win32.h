// The clock face: the skin picture with the date and time drawn over it.
#pragma once

#include "app/local_time.h"

// Loads the selected skin into the surfaces, shows ClockWindow the first time and pushes a
// complete frame. Resets LastHour and LastMinute.
void LoadSkin();
// Puts the picture into BackBuffer without pushing.
void ComposeBase();
// Redraws the clock area of BackBuffer for `now` without pushing.
void DrawTime(const LocalTime& now);
// Recomposes the whole face for the current time and pushes it.
void RedrawFace();
