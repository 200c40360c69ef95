// The executable's "KPZ" resources.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The bytes of the resource `name` of type "KPZ" in `module` (null: the executable); names are
// found without regard to case. False, with the outputs untouched, when there is no such resource.
bool FindKpzResource(HMODULE module, const char* name, const uint8_t** data, size_t* size);
