// KPZ images into DIB-section surfaces, from memory, resources or skin packages.
#include "render/kpz_surface_win32.h"

#include "render/image_place.h"
#include "skin/kpz.h"
#include "skin/kpz_win32.h"
#include "skin/package_win32.h"

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
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  if (!FindKpzResource(module, name, &bytes, &size)) return false;
  const bool ok = DecodeKpz(bytes, size, name, surface);
  if (decoded != nullptr) *decoded = ok;
  return true;
}

bool LoadKpzResource(const char* name, Surface* surface) {
  return LoadKpzResourceFrom(nullptr, name, surface, nullptr);
}

bool LoadKpzFromPackage(const char* package, const char* pattern, Surface* surface) {
  PackageMember member{nullptr, 0};
  if (!ReadPackageMember(package, pattern, &member)) return false;
  DecodeKpz(member.data, member.size, pattern, surface);
  FreePackageMember(&member);
  return true;
}
