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

}  // namespace

bool ReadPackageMember(const char* package, const char* pattern, PackageMember* member) {
  HANDLE file = CreateFileA(package, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER fileSize;
  bool found = false;
  if (GetFileSizeEx(file, &fileSize) && fileSize.QuadPart >= 0) {
    const PackageSource source{ReadFileAt, file, static_cast<uint64_t>(fileSize.QuadPart)};
    found = ReadPackageMemberFrom(source, pattern, member);
  }
  CloseHandle(file);
  return found;
}
