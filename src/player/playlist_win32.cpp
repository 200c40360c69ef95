// Folder scans with FindFirstFileA, dropped items with DragQueryFileA, and ".lst" files.
#include "player/playlist_win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/message_box_win32.h"
#include "base/paths_win32.h"
#include "base/window_handles_win32.h"
#include "player/playlist.h"
#include "settings/profile_win32.h"
#include "settings/settings.h"

HWND ListWindow = nullptr;

namespace {

constexpr int kMaxDepth = 20;
// One byte more than an entry holds, as the drop is asked for it: a longer path shows as such.
constexpr UINT kDropPathCapacity = 261;
// The section read's first buffer, and the largest it grows to: a full list of the longest paths
// takes under 3 MB.
constexpr DWORD kSectionReadStart = 64 * 1024;
constexpr DWORD kSectionReadLimit = 64 * 1024 * 1024;

void ShowDropWarning(const char* text) {
  ShowMessageBox(ClockWindow, text, AppTitle, MB_ICONWARNING);
}

bool IsDots(const char* name) {
  return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// The extension of a file name or path, "" when it has none.
const char* ExtensionOf(const char* path, PathParts* parts) {
  return SplitFullPath(path, parts, IsAnsiLeadByte) ? parts->ext : "";
}

// The profile calls need a full path; a bare name would be looked for in the Windows folder.
bool FullListPath(const char* file, char* full) {
  DWORD length = GetFullPathNameA(file, kEntryCapacity, full, nullptr);
  return length != 0 && length < static_cast<DWORD>(kEntryCapacity);
}

}  // namespace

void ScanFolder(const char* folder, int depth) {
  char pattern[kEntryCapacity];
  int patternLength = snprintf(pattern, sizeof pattern, "%s\\*.*", folder);
  if (patternLength < 0 || patternLength >= static_cast<int>(sizeof pattern)) return;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  PathParts parts;
  do {
    if (IsDots(found.cFileName)) continue;
    char path[kEntryCapacity];
    int length = snprintf(path, sizeof path, "%s\\%s", folder, found.cFileName);
    if (length < 0 || length >= kEntryCapacity) continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      if (depth + 1 < kMaxDepth) ScanFolder(path, depth + 1);
    } else if (IsListKind(ExtensionOf(path, &parts))) {
      AppendEntry(path);
    }
  } while (EntryCount < kMaxEntries && FindNextFileA(search, &found));
  FindClose(search);
}

bool AddDroppedFilesWith(HDROP drop, WarningSink warn) {
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  bool added = false;
  PathParts parts;
  for (UINT i = 0; i < count && EntryCount < kMaxEntries; ++i) {
    char path[kDropPathCapacity];
    UINT length = DragQueryFileA(drop, i, path, kDropPathCapacity);
    // Too long for an entry (or for the file calls without the "\\?\" form): left out.
    if (length == 0 || length >= static_cast<UINT>(kEntryCapacity)) continue;
    // GetFileAttributesA, unlike a search for the name, also answers for a dropped drive root.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      ScanFolder(path, 0);
      added = true;
      continue;
    }
    const char* ext = ExtensionOf(path, &parts);
    if (IsListKind(ext)) {
      added = AppendEntry(path) || added;
    } else if (IsPlayListExtension(ext)) {
      snprintf(ListName, kPathCapacity, "%s", path);
      LoadPlayList(ListName);
      if (ListWindow != nullptr) {
        SendMessageA(ListWindow, LIST_REFILL, 0, 0);
        SendMessageA(ListWindow, LIST_MARK, static_cast<WPARAM>(-1),
                     static_cast<LPARAM>(CurrentEntry()));
      }
      added = true;
    } else {
      warn("未対応の形式です。");
    }
  }
  DragFinish(drop);
  BuildOrder();
  return added;
}

bool AddDroppedFiles(HDROP drop) { return AddDroppedFilesWith(drop, ShowDropWarning); }

bool LoadPlayList(const char* file) {
  char full[kEntryCapacity];
  if (!FullListPath(file, full)) return false;
  // The whole section in one call: Windows reads and parses the file again for every profile
  // call, so key by key a list of 10,000 entries was read 10,000 times before the clock showed.
  // A buffer the section does not fit in comes back full to two bytes short: a larger one is
  // tried, up to a bound far above any list we write.
  for (DWORD capacity = kSectionReadStart;; capacity *= 2) {
    char* section = static_cast<char*>(malloc(capacity));
    if (section == nullptr) return false;
    const DWORD length = GetPrivateProfileSectionA(kPlayListSection, section, capacity, full);
    if (length + 2 < capacity || capacity >= kSectionReadLimit) {
      LoadPlayListSection(section, length < capacity ? length : capacity);
      free(section);
      return true;
    }
    free(section);
  }
}

bool SavePlayList(const char* file) {
  char full[kEntryCapacity];
  if (!FullListPath(file, full)) return false;
  PathParts parts;
  if (!SplitPath(full, &parts)) return false;
  // Windows refuses to replace a read-only file; so does this, on every system it runs on.
  const DWORD attributes = GetFileAttributesA(full);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return false;
  }
  size_t capacity = PlayListSectionCapacity();
  char* section = static_cast<char*>(malloc(capacity));
  if (section == nullptr) return false;
  bool ok = BuildPlayListSection(section, capacity) != 0;
  // The list is written to a new file beside the old one, which it replaces only once complete:
  // a save that fails (a read-only file or folder, a full disk) leaves the old list as it was.
  char fresh[MAX_PATH];
  ok = ok && GetTempFileNameA(parts.folder, "lst", 0, fresh) != 0;
  if (ok) {
    // The section call on a fresh name: key by key, every call rewrites the whole file, and a
    // full list would take tens of seconds at each exit. The file holds nothing but the list.
    ForgetCachedProfile(fresh);
    DeleteFileA(fresh);
    ok = WritePrivateProfileSectionA(kPlayListSection, section, fresh) != FALSE;
    // Wine would otherwise write its cached copy of either file back over what is moved.
    ForgetCachedProfile(fresh);
    ForgetCachedProfile(full);
    ok = ok && MoveFileExA(fresh, full, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!ok) DeleteFileA(fresh);
  }
  free(section);
  return ok;
}
