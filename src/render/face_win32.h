// The clock face: the skin picture with the date and time drawn over it.
#pragma once

#include "base/local_time.h"
#include "render/face_layout.h"

// Added to every face position (non-zero for the one wide skin); the clock thread's.
extern FacePoint FaceOffset;

// Everything here runs on the clock thread, the frame's only owner (see render/frame.h).

// The scale the face should be drawn at now, in scale units: ClockDpi and ClockScale.
int WantedScaleUnits();

// Loads the selected skin into the surfaces at `scale` (1.0: the images as stored; see
// render/scaled_images.h for the bounds), with the news bar baked into the picture when
// `withNewsBar`, sizes ClockWindow to the picture, shows it the first time and pushes a complete
// frame. Afterwards PictureSurface is round(kFaceWidth × scale) × round(kFaceHeight × scale) and
// MojiSurface and BarSurface are their stored sizes times `scale`, rounded; the sheet's cells lie
// as ResampleSheet places them. Resets LastHour and LastMinute. A selection naming no skin, or a
// skin whose picture cannot be loaded, gives way to the first built-in skin (BRAND and CHARA
// become 0).
bool LoadSkin(bool withNewsBar, double scale);
// Puts the picture into BackBuffer without pushing.
void ComposeBase();
// Redraws the clock area of BackBuffer for `now` without pushing.
void DrawTime(const LocalTime& now);
// Recomposes the whole face (picture, baked bar, time) for the current time; the next push shows
// it. The news layer lays its ticker lines over it afterwards (the clock thread composes both).
void RedrawFace();
// Carries out what other threads asked for through RequestFrame; true when it recomposed the
// face, so the caller lays the ticker over it again. A new scale is loaded as a skin reload.
bool ServeFrameRequests();
// Pushes BackBuffer when it changed since the last push.
void PushFrameIfChanged();
