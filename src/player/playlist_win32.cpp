// Folder scans with FindFirstFileA, dropped items with DragQueryFileA, and reading and saving ".lst" files.
#include "player/playlist_win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/file_win32.h"
#include "base/message_box_win32.h"
#include "base/paths_win32.h"
#include "base/window_handles_win32.h"
#include "player/playlist.h"
#include "settings/settings.h"

HWND ListWindow = nullptr;
const char kUnsupportedKindText[] = "未対応の形式です。";

namespace {

constexpr int kMaxDepth = 20;
// One byte more than an entry holds, as the drop is asked for it: a longer path shows as such.
constexpr UINT kDropPathCapacity = 261;
// Far above any list we write: a full list of the longest paths takes under 3 MB.
constexpr size_t kListReadLimit = 64 * 1024 * 1024;

// How many file names one drop's warning lists before it counts the rest.
constexpr size_t kDropWarningNames = 5;

// The heading, then the first names a line each, then how many more there were.
std::string DropWarningText(const std::vector<std::string>& names) {
  std::string text = kUnsupportedKindText;
  const size_t shown = names.size() < kDropWarningNames ? names.size() : kDropWarningNames;
  for (size_t i = 0; i < shown; ++i) text += "\n" + names[i];
  if (names.size() > shown) {
    char more[64];
    snprintf(more, sizeof more, "\nほか %u 個のファイル", static_cast<unsigned>(names.size() - shown));
    text += more;
  }
  return text;
}

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

// A full path: the save writes its new copy into the list's own folder.
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
  std::vector<std::string> unplayable;
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
      char name[kDropPathCapacity];
      memcpy(name, path, length + 1);
      FileNamePart(name);
      unplayable.push_back(name);
    }
  }
  DragFinish(drop);
  // One box for the drop, however many files it could not take.
  if (!unplayable.empty()) warn(DropWarningText(unplayable).c_str());
  BuildOrder();
  return added;
}

bool AddDroppedFiles(HDROP drop) { return AddDroppedFilesWith(drop, ShowDropWarning); }

bool LoadPlayList(const char* file) {
  char full[kEntryCapacity];
  if (!FullListPath(file, full)) return false;
  std::string bytes;
  unsigned long error = 0;
  // A missing or unreadable file gives an empty list, as an empty section would.
  if (ReadWholeFile(full, kListReadLimit, &bytes, &error) != FileRead::kRead) bytes.clear();
  LoadPlayListFile(bytes.data(), bytes.size());
  return true;
}

bool SavePlayList(const char* file, unsigned long* error) {
  unsigned long code = ERROR_BAD_PATHNAME;
  char full[kEntryCapacity];
  const bool ok = FullListPath(file, full) && SaveWholeFile(full, PlayListFileText(), &code);
  if (!ok && error != nullptr) *error = code;
  return ok;
}
