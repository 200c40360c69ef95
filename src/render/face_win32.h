// The clock face: the skin picture with the date and time drawn over it.
#pragma once

#include "app/local_time.h"
#include "render/face_layout.h"

// Added to every face position and to the bar position (non-zero for the one wide skin).
extern FacePoint FaceOffset;
extern FacePoint BarOffset;

// Loads the selected skin into the surfaces, shows ClockWindow the first time and pushes a
// complete frame. Resets LastHour and LastMinute.
bool LoadSkin();
// Puts the picture into BackBuffer without pushing.
void ComposeBase();
// Redraws the clock area of BackBuffer for `now` without pushing.
void DrawTime(const LocalTime& now);
// Lays the bar and the ticker lines into BackBuffer and pushes; false when no bar is shown.
bool DrawNewsBar();
// Recomposes the whole face for the current time and pushes it.
void RedrawFace();
