// Windows' own record of whether a Run entry may start: the Startup tab of Task Manager (and the
// Settings app) switches an entry off there and leaves the Run value as it was.
#pragma once

#include <cstddef>

// Bytes of the record Windows writes: a flag word, then the time the entry was switched off.
constexpr size_t kStartupRecordSize = 12;

// Whether the record `data[size]` lets the entry start. The lowest bit of its first byte marks
// an entry switched off (02 and 06 start, 03 and 07 do not). An empty record says nothing, and
// Windows starts an entry without one.
bool StartupRecordAllows(const unsigned char* data, size_t size);

// The record that switches the entry back on, as Windows writes it: the first byte of `data`
// (02 when empty) without its off bit, then zeros where the time was.
void StartupRecordSwitchedOn(const unsigned char* data, size_t size,
                             unsigned char out[kStartupRecordSize]);
