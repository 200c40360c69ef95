// Skin package members read straight from the file, a directory entry at a time.
#include "skin/package_win32.h"

#include <windows.h>

namespace {

bool ReadFileAt(void* context, uint64_t offset, void* buffer, size_t size) {
  HANDLE file = static_cast<HANDLE>(context);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD got = 0;
    // A read at the end of the file succeeds with 0 bytes: that is a short read, not success.
    if (!ReadFile(file, out, chunk, &got, nullptr) || got == 0) return false;
    out += got;
    size -= got;
  }
  return true;
}

// Runs `use` over the file as a package source; false when the file cannot be opened or sized.
template <typename Use>
bool WithPackageFile(const char* path, Use use) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER fileSize;
  bool result = false;
  if (GetFileSizeEx(file, &fileSize) && fileSize.QuadPart >= 0) {
    result = use(PackageSource{ReadFileAt, file, static_cast<uint64_t>(fileSize.QuadPart)});
  }
  CloseHandle(file);
  return result;
}

}  // namespace

bool ReadPackageMember(const char* package, const char* pattern, PackageMember* member) {
  return WithPackageFile(package, [&](const PackageSource& source) {
    return ReadPackageMemberFrom(source, pattern, member);
  });
}

bool IsWholePackageFile(const char* path) { return WithPackageFile(path, IsWholePackage); }
