// Whole-file reads and safe saves over the Windows file calls.
#include "base/file_win32.h"

#include <windows.h>

#include "base/paths.h"
#include "base/paths_win32.h"
#include "base/test_hooks_win32.h"

namespace {

// WriteFile takes a DWORD count; this keeps each call far below it.
constexpr DWORD kWriteChunk = 1 << 20;

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t left = bytes.size() - at;
    const DWORD chunk = left < kWriteChunk ? static_cast<DWORD>(left) : kWriteChunk;
    DWORD written = 0;
    // A full disk may take part of a chunk, or report success having taken nothing.
    if (!WriteFile(file, bytes.data() + at, chunk, &written, nullptr)) return false;
    if (written != chunk) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    at += chunk;
  }
  return true;
}

}  // namespace

FileRead ReadWholeFile(const char* path, size_t limit, std::string* out, unsigned long* error) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FileRead::kMissing;
    *error = code;
    return FileRead::kFailed;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) {
    *error = GetLastError();
    CloseHandle(file);
    return FileRead::kFailed;
  }
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit) {
    *error = ERROR_FILE_TOO_LARGE;
    CloseHandle(file);
    return FileRead::kFailed;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t left = bytes.size() - at;
    DWORD got = 0;
    if (!ReadFile(file, &bytes[at], left < kWriteChunk ? static_cast<DWORD>(left) : kWriteChunk, &got,
                  nullptr)) {
      *error = GetLastError();
      CloseHandle(file);
      return FileRead::kFailed;
    }
    // A file that shrank while read ends where its bytes ended.
    if (got == 0) break;
    at += got;
  }
  CloseHandle(file);
  bytes.resize(at);
  out->swap(bytes);
  return FileRead::kRead;
}

bool SaveWholeFile(const char* path, const std::string& bytes, unsigned long* error) {
  // Windows refuses to replace a read-only file; so does this, on every system it runs on (Wine
  // would replace it).
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    *error = ERROR_ACCESS_DENIED;
    return false;
  }
  PathParts parts;
  char fresh[MAX_PATH];
  if (!SplitFullPath(path, &parts, IsAnsiLeadByte) || parts.folder[0] == '\0') {
    *error = ERROR_BAD_PATHNAME;
    return false;
  }
  // A unique name beside the target: the move below stays on one volume, and two saves at once
  // (two clocks, or a list saved while the settings are) never share a file.
  if (GetTempFileNameA(parts.folder, "~tc", 0, fresh) == 0) {
    *error = GetLastError();
    return false;
  }
  HANDLE file = CreateFileA(fresh, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    DeleteFileA(fresh);
    return false;
  }
  // The new copy reaches the disk before it replaces anything: a power cut leaves the old file
  // or the new one, never a part of either.
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  DWORD code = ok ? ERROR_SUCCESS : GetLastError();
  if (!CloseHandle(file) && ok) {
    ok = false;
    code = GetLastError();
  }
  if (ok && TestStopsSaveBeforeReplace()) {
    *error = ERROR_OPERATION_ABORTED;
    return false;
  }
  if (ok && !MoveFileExA(fresh, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    code = GetLastError();
  }
  if (!ok) {
    DeleteFileA(fresh);
    *error = code != ERROR_SUCCESS ? code : ERROR_WRITE_FAULT;
  }
  return ok;
}

const char* SaveFailureReason(unsigned long error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "ディスクの空き容量が足りません。";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return "ファイルかフォルダーが読み取り専用か、書き込む権限がありません。";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "ほかのプログラムがファイルを使っています。";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_PATHNAME:
      return "保存先のフォルダーが見つかりません。";
    default:
      return "ファイルに書き込めませんでした。";
  }
}
