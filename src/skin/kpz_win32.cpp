// The executable's "KPZ" resources.
#include "skin/kpz_win32.h"

bool FindKpzResource(HMODULE module, const char* name, const uint8_t** data, size_t* size) {
  if (name == nullptr) return false;
  HRSRC resource = FindResourceA(module, name, "KPZ");
  if (resource == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  const DWORD length = SizeofResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return false;
  *data = static_cast<const uint8_t*>(bytes);
  *size = length;
  return true;
}
