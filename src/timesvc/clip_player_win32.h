// Playing the built-in voice clips and sound effects from memory.
#pragma once

#include <cstdint>

// The WAV image of the clip playing asynchronously, or null. Replaced only through PlayClip
// and StopClip, which take the clip lock; a synchronous play keeps its image to itself.
extern uint8_t* ClipBuffer;

// Decodes the "OGG" resource `name` into a fresh ClipBuffer (the caller holds the clip lock or
// is alone, and has stopped and freed the old image); the image's size, or -1.
int DecodeClip(const char* name);

// Mode 0 plays synchronously, 1 asynchronously. With a name: stops what plays, frees the old
// image, decodes and plays the clip. With no name: only stops and frees. Safe from any thread.
void PlayClip(int mode, const char* name);

// Plays the effect `name` `times` times in a row as one asynchronous sound (one image holding
// the samples that many times), cut off as any clip is by the next clip or a stop.
void PlayClipRepeated(const char* name, int times);

// How long the asynchronous clip playing now still sounds, in milliseconds, by its length from
// when it started; 0 when none plays (never started, ended, stopped or replaced by a
// synchronous one). Safe from any thread.
uint32_t ClipPlaysForMs();

// How many decoded images are allocated now, the one in ClipBuffer and those of synchronous
// plays under way; for checking that every image is freed exactly once.
int LiveClipImages();
// The most images that were allocated at once since the last call.
int TakePeakClipImages();

// Stops the clip that is playing, if any, and frees its buffer.
void StopClip();
