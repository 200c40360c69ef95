// The top-level window that shows a playback's picture: it keeps the picture's aspect while the
// user resizes it, letterboxes it on black when maximised, and stops the playback when closed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

struct MediaPlayer;

// The window class of every video window. One private class: a class named after the file
// could be the clock's own ("TarvoClock.avi") or shadow a system class ("Button.avi").
extern const char kVideoWindowClass[];

// The player of the video window opened last; each window acts only on its own player. Video
// windows live on the threads that opened their players (the panel's, each alarm's), so these
// are atomics.
extern std::atomic<MediaPlayer*> VideoPlayer;
// The video window's outer size minus its client size.
extern std::atomic<int32_t> FrameWidth;
extern std::atomic<int32_t> FrameHeight;

// Hands a built graph's picture to a new, still hidden video window. Leaves AspectX and
// AspectY at 0 and makes no window for media without a picture.
void SetupVideo(MediaPlayer* player, const char* path);
// Creates the window hidden at (x, y) with a client area of w × h and gives it its player;
// ShowVideoWindow shows it once the graph runs.
HWND CreateVideoWindow(const char* name, MediaPlayer* player, int x, int y, int w, int h);
void ShowVideoWindow(MediaPlayer* player);
// Destroys a video window of the calling thread whose playback never started.
void DestroyVideoWindow(HWND window);
LRESULT CALLBACK VideoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
