// The news list, the news settings, the new-item chimes and clicks on the news bar.
#pragma once

#include <windows.h>

#include <cstddef>

// The news list "RSS", modal over `owner`, placed beside the clock.
void ShowNewsList(HWND owner);
// The news settings "RSS_SET", modal over `owner`, placed beside the clock.
void ShowNewsSettings(HWND owner);

// The decimal digits of n, each in its full-width form ("１２"); false (out empty) when they do
// not fit.
bool FullWidthNumber(int n, char* out, size_t capacity);

// Plays the sound "chimes" as the platform finds it (a registered sound, else a file of that
// name), asynchronously; silent when there is none.
void PlayNewsChimes();

// UI thread: opens the item of the bar slot under client x (a link or a skin offer).
void ClickNewsBar(int x);
