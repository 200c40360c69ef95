// Playing the built-in voice clips and sound effects from memory.
#pragma once

#include <cstdint>

// The WAV image of the clip being played, or null.
extern uint8_t* ClipBuffer;

// Decodes the "OGG" resource `name` into a fresh ClipBuffer (the caller has stopped and freed
// the old one); the image's size, or -1.
int DecodeClip(const char* name);

// Mode 0 plays synchronously, 1 asynchronously. With a name: stops what plays, frees the old
// image, decodes and plays the clip. With no name: only stops and frees.
void PlayClip(int mode, const char* name);

// Stops the clip that is playing, if any, and frees its buffer.
void StopClip();
