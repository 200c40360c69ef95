// The media engine's arithmetic and choices that need no platform: which open path a file
// takes, the volume in hundredths of a decibel, the picture's aspect and the video window's
// sizing rules, and the bounds of a tag value.
#pragma once

#include <cstddef>
#include <cstdint>

// MediaKind values: -1 not classified yet, 0-2 AudioKinds, 100-102 VideoKinds, 999 other.
constexpr int kMediaUnclassified = -1;
constexpr int kMediaVideoBase = 100;
constexpr int kMediaOther = 999;

// The kind of a file from its extension (with the dot), compared without regard to case.
int MediaKindOf(const char* extension);

// How a file of a kind is opened.
enum class OpenRoute {
  kAsfReader,            // through the "WM ASF Reader" filter
  kRenderFile,           // through IGraphBuilder::RenderFile
  kReaderThenRenderFile, // the reader first, RenderFile when that fails
};
OpenRoute OpenRouteFor(int mediaKind);

// How long an open waits for a graph it has told to run to reach the running state; a graph that
// is not running by then counts as a failed open (a local file whose reader graph never ran is
// then tried with RenderFile). The limit is there for the reader's graph of a file with picture
// and sound under Wine, which never gets there.
// A local file is read while its graph is built, before this wait starts, so a disk spinning up
// is waited for there, without a limit of ours. After Run, a local file that is going to play is
// running within tens of milliseconds (10-15 ms for every kind of our test media under Wine, on
// a busy machine). The wait holds the opener's thread (the user interface's, for the panel), and
// a wedged file costs it twice (the reader, then RenderFile): so the local limit is short, and
// still far above what a playable file needs.
// A URL's reader may still be buffering after Run, which over a slow network takes seconds: a
// URL gets far longer.
constexpr uint32_t kLocalRunWaitMs = 3000;
constexpr uint32_t kUrlRunWaitMs = 15000;
uint32_t RunWaitMsFor(bool url);

// IBasicAudio's volume for `volume` (clamped to 0-1; the clamped value goes to *stored):
// 20 × 100 × log10(volume), truncated, with everything at or below 1/256 giving -4816.
int32_t VolumeToHundredthsDb(float volume, float* stored);

// The picture's aspect: width and height divided by their greatest common divisor. False, with
// the outputs untouched, for a size that is zero, negative or failed to read: no video.
bool PictureAspect(int64_t width, int64_t height, int32_t* aspectX, int32_t* aspectY);

// The smallest client area the video window may be dragged to: 20 aspect units on each side, or
// 320 pixels wide keeping the ratio when that would be wider (854 × 480 reduces to 427:240).
void MinimumVideoClient(int32_t aspectX, int32_t aspectY, int32_t* width, int32_t* height);

struct VideoRect {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
};

// Where the picture goes in a maximised window whose client area is clientWidth × clientHeight:
// the largest rectangle of the aspect that fits, centred, so the rest is a black band above and
// below or left and right. Arithmetic in 64 bits; a zero aspect or an empty client area gives the
// whole client area.
VideoRect FitVideo(int32_t clientWidth, int32_t clientHeight, int32_t aspectX, int32_t aspectY);

struct SizingRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// Keeps the aspect while the window is dragged by `edge` (WMSZ_LEFT 1 ... WMSZ_BOTTOMRIGHT 8):
// moves the side the table names, products first and divisions last, in 64 bits. Edges outside
// 1-8 and a zero aspect leave the rectangle alone; results are clamped to the 32-bit range.
void FitSizingRect(SizingRect* rect, int edge, int32_t frameWidth, int32_t frameHeight,
                   int32_t aspectX, int32_t aspectY);

// Bytes of one tag value buffer, and the attribute type that holds text (WMT_TYPE_STRING).
constexpr uint32_t kTagValueBytes = 1024;
constexpr int kTagTypeString = 1;

// The UTF-16 characters of a tag value: only a text attribute counts, only the `returned` bytes
// the call reported (never more than the buffer), and only up to the first zero. False for
// anything else (the tag then stays empty).
bool TagTextLength(int type, const uint16_t* value, uint32_t returned, size_t* characters);
