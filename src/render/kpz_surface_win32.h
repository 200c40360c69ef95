// Loading KPZ images into surfaces: from memory, from the executable's "KPZ" resources and from
// skin packages.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "render/surface.h"

// Decodes a KPZ image into `surface`. A surface that does not exist yet is created at the
// image's size with `name`; an existing one is reused at its size, the image written at its
// top-left and clipped to it. False, with the surface left as it was, when the data is not a
// sound KPZ image or the surface cannot be created.
bool DecodeKpz(const uint8_t* data, size_t size, const char* name, Surface* surface);

// Finds the resource `name` of type "KPZ" in the executable (names without regard to case) and
// decodes it with DecodeKpz. False only when there is no such resource: callers tell a missing
// image from a damaged one by whether the surface exists afterwards.
bool LoadKpzResource(const char* name, Surface* surface);

// The same from any module; `decoded` (when given) receives DecodeKpz's result.
bool LoadKpzResourceFrom(HMODULE module, const char* name, Surface* surface, bool* decoded);

// Reads the member and decodes it into `surface` with DecodeKpz. False only when the member
// cannot be found or read; a member that is not a sound KPZ image gives true and leaves the
// surface as it was.
bool LoadKpzFromPackage(const char* package, const char* pattern, Surface* surface);
