// KPZ images into DIB-section surfaces, from memory or from the executable's resources.
#include "skin/kpz_win32.h"

#include "skin/kpz.h"

bool DecodeKpz(const uint8_t* data, size_t size, const char* name, Surface* surface) {
  if (surface == nullptr) return false;
  KpzImage image = {};
  // The whole image is decoded before the surface is touched, so a damaged file never leaves a
  // half-written or freshly created empty surface behind.
  if (!DecodeKpzImage(data, size, &image)) return false;
  bool ok = true;
  if (!SurfaceExists(*surface)) ok = CreateSurface(surface, image.width, image.height, name);
  if (ok) ok = PlaceKpzImage(image, surface);
  FreeKpzImage(&image);
  return ok;
}

bool LoadKpzResourceFrom(HMODULE module, const char* name, Surface* surface, bool* decoded) {
  if (decoded != nullptr) *decoded = false;
  if (name == nullptr) return false;
  HRSRC resource = FindResourceA(module, name, "KPZ");
  if (resource == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  const DWORD size = SizeofResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return false;
  const bool ok = DecodeKpz(static_cast<const uint8_t*>(bytes), size, name, surface);
  if (decoded != nullptr) *decoded = ok;
  return true;
}

bool LoadKpzResource(const char* name, Surface* surface) {
  return LoadKpzResourceFrom(nullptr, name, surface, nullptr);
}
