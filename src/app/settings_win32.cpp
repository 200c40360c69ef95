// The settings file and play list beside the program (or in the user's application data when the
// program's folder is read-only), that folder as current directory, the skin folder.
#include "app/settings_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/file_win32.h"
#include "base/message_box_win32.h"
#include "base/paths_win32.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "player/playlist.h"
#include "player/playlist_win32.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "skin/catalogue_win32.h"

namespace {

// Far above any settings file: the keys we write take a few kilobytes.
constexpr size_t kSettingsReadLimit = 64 * 1024 * 1024;

void ShowLoadWarning(const char* text) {
  // No window exists yet at load, so the box has no owner.
  ShowMessageBox(nullptr, text, AppTitle, MB_ICONWARNING);
}

// A drive and root ("C:\...") or a network share ("\\server\..."): the files beside the
// program must never be looked for in the Windows folder.
bool IsFullPath(const char* path) {
  if (path[0] == '\\' && path[1] == '\\') return true;
  bool driveLetter = path[0] != '\0' && !IsAnsiLeadByte(static_cast<unsigned char>(path[0]));
  return driveLetter && path[1] == ':' && path[2] == '\\';
}

// The folder of a full path without its trailing backslash, except at a drive root, where "C:"
// alone would mean the drive's own current directory. Empty when the path cannot be split.
void FolderOf(const char* path, char* out) {
  PathParts parts;
  if (!SplitFullPath(path, &parts, IsAnsiLeadByte)) {
    out[0] = '\0';
    return;
  }
  size_t length = strlen(parts.folder);
  bool driveRoot = length == 3 && parts.folder[1] == ':';
  if (length > 1 && !driveRoot && parts.folder[length - 1] == '\\') {
    parts.folder[length - 1] = '\0';
  }
  snprintf(out, kPathCapacity, "%s", parts.folder);
}

// `folder` + "\" + `name` into out[kPathCapacity]; false when it does not fit.
bool JoinPath(const char* folder, const char* name, char* out) {
  const size_t length = strlen(folder);
  // CharPrevA keeps a double-byte character whose trail byte is 0x5C from passing for a separator.
  const char* last = length > 0 ? CharPrevA(folder, folder + length) : folder;
  const bool slash = length > 0 && last == folder + length - 1 && *last == '\\';
  const int n = snprintf(out, kPathCapacity, "%s%s%s", folder, slash ? "" : "\\", name);
  return n > 0 && n < kPathCapacity;
}

// Whether a new file can be made in the folder. Under Program Files a program with our manifest
// is refused outright (no silent redirection to the virtual store), which is what this finds.
// The probe's name is this process's own, so two clocks starting together never meet on it; a
// file by that name held by someone else still shows that files can be made there.
bool FolderWritable(const char* folder) {
  char name[64];
  char probe[kPathCapacity];
  snprintf(name, sizeof name, "~TarvoClock-write-probe-%lu-%lu.tmp",
           static_cast<unsigned long>(GetCurrentProcessId()), static_cast<unsigned long>(GetTickCount()));
  if (!JoinPath(folder, name, probe)) return false;
  HANDLE file = CreateFileA(probe, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_FILE_EXISTS;
  }
  CloseHandle(file);
  return true;
}

// The first time the data folder is made: the settings and play list that came with the program
// (a hand-edited FeedServer, say) and the skin packages beside it are its starting point.
void SeedDataFolder(const char* programFolder, const char* dataFolder, const char* settingsName,
                    const char* listName) {
  char from[kPathCapacity];
  char to[kPathCapacity];
  for (const char* name : {settingsName, listName}) {
    if (JoinPath(programFolder, name, from) && JoinPath(dataFolder, name, to)) {
      CopyFileA(from, to, TRUE);
    }
  }
  char skins[kPathCapacity];
  char pattern[kPathCapacity];
  char target[kPathCapacity];
  if (!JoinPath(programFolder, "skin", skins) || !JoinPath(skins, "*.skn", pattern) ||
      !JoinPath(dataFolder, "skin", target) || !CreateDirectoryA(target, nullptr)) {
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    if (JoinPath(skins, found.cFileName, from) && JoinPath(target, found.cFileName, to)) {
      CopyFileA(from, to, TRUE);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// DataFolder: the program's folder while it can be written to; otherwise
// "%APPDATA%\TarvoClock", made (and seeded) on first use, which the user is told once.
void ChooseDataFolder(const char* settingsName, const char* listName, WarningSink warn) {
  snprintf(DataFolder, kPathCapacity, "%s", ExeFolder);
  if (ExeFolder[0] == '\0' || FolderWritable(ExeFolder)) return;
  char appData[MAX_PATH];
  char folder[kPathCapacity];
  if (SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                       appData) != S_OK ||
      !JoinPath(appData, "TarvoClock", folder)) {
    return;
  }
  if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) {
    if (!CreateDirectoryA(folder, nullptr)) return;
    SeedDataFolder(ExeFolder, folder, settingsName, listName);
    char text[kPathCapacity + 160];
    snprintf(text, sizeof text,
             "プログラムのフォルダーに書き込めないため、設定とプレイリストを次のフォルダーに"
             "保存します。\n%s",
             folder);
    warn(text);
  }
  snprintf(DataFolder, kPathCapacity, "%s", folder);
}

// Makes sure the skin folder is there. Something else by its name counts as a failure too: the
// skins could neither be read from it nor downloaded into it.
void EnsureSkinFolder(WarningSink warn) {
  const char* folder = SkinFolder();
  DWORD attributes = folder[0] != '\0' ? GetFileAttributesA(folder) : INVALID_FILE_ATTRIBUTES;
  bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  if (!exists && folder[0] != '\0' && CreateDirectoryA(folder, nullptr)) return;
  warn("スキンフォルダーの作成に失敗しました。");
}

// Writes the settings into the file as it is now, so that what the user added by hand since the
// start (comments, keys of their own) stays; the file is replaced whole or not at all.
bool SaveSettingsFile(int64_t now, unsigned long* error) {
  std::string bytes;
  switch (ReadWholeFile(SettingsPath, kSettingsReadLimit, &bytes, error)) {
    case FileRead::kRead:
      break;
    case FileRead::kMissing:
      bytes.clear();
      break;
    case FileRead::kFailed:
      // What could not be read is never replaced by a file without it.
      return false;
  }
  IniFile file(IsAnsiLeadByte);
  file.Parse(bytes.data(), bytes.size());
  // Only a value that cannot be one line of the file is refused; that key keeps its old value.
  WriteSettings(file.Access(), now);
  std::string text = file.Text();
  if (text == bytes) return true;
  return SaveWholeFile(SettingsPath, text, error);
}

}  // namespace

bool LoadSettingsFor(const char* programPath, WarningSink warn) {
  char settingsPath[kPathCapacity];
  char listPath[kPathCapacity];
  PathParts program;
  if (!IsFullPath(programPath) || !SplitFullPath(programPath, &program, IsAnsiLeadByte) ||
      !ReplaceExtension(program.fileName, ".cfg", settingsPath, kPathCapacity, IsAnsiLeadByte) ||
      !ReplaceExtension(program.fileName, ".lst", listPath, kPathCapacity, IsAnsiLeadByte)) {
    SettingsPath[0] = '\0';
    DefaultListPath[0] = '\0';
    ResetSettings();
    return false;
  }
  FolderOf(programPath, ExeFolder);
  // Both names are file names for now; ChooseDataFolder may copy them from the program's folder.
  ChooseDataFolder(settingsPath, listPath, warn);
  char fullSettings[kPathCapacity];
  char fullList[kPathCapacity];
  if (!JoinPath(DataFolder, settingsPath, fullSettings) || !JoinPath(DataFolder, listPath, fullList)) {
    SettingsPath[0] = '\0';
    DefaultListPath[0] = '\0';
    ResetSettings();
    return false;
  }
  memcpy(SettingsPath, fullSettings, sizeof fullSettings);
  memcpy(DefaultListPath, fullList, sizeof fullList);
  std::string bytes;
  unsigned long error = 0;
  IniFile file(IsAnsiLeadByte);
  if (ReadWholeFile(SettingsPath, kSettingsReadLimit, &bytes, &error) == FileRead::kRead) {
    file.Parse(bytes.data(), bytes.size());
  }
  ReadSettings(file.Access());
  if (DataFolder[0] != '\0') SetCurrentDirectoryA(DataFolder);
  ResolveSkinFolder(SkinPath, DataFolder);
  LoadPlayList(DefaultListPath);
  if (ListName[0] == '\0') snprintf(ListName, kPathCapacity, "%s", DefaultListPath);
  EnsureSkinFolder(warn);
  return true;
}

bool SaveSettingsAt(int64_t now, WarningSink warn) {
  if (SettingsPath[0] == '\0') return false;
  RECT place;
  // A clock minimised to the tray keeps the place it had (stored when it was minimised).
  if (ClockWindow != nullptr && !IsIconic(ClockWindow) && GetWindowRect(ClockWindow, &place)) {
    LEFT = place.left;
    TOP = place.top;
  }
  unsigned long settingsError = 0;
  unsigned long listError = 0;
  const bool settingsSaved = SaveSettingsFile(now, &settingsError);
  const bool listSaved = SavePlayList(DefaultListPath, &listError);
  if (!settingsSaved || !listSaved) {
    TraceEvent("save failed: settings %lu, list %lu", settingsSaved ? 0ul : settingsError,
               listSaved ? 0ul : listError);
  }
  if ((!settingsSaved || !listSaved) && warn != nullptr) {
    // One message for the two files: they are saved together and fail together.
    const char* what = !settingsSaved && !listSaved ? "設定とプレイリスト" : !settingsSaved ? "設定" : "プレイリスト";
    char text[256];
    snprintf(text, sizeof text, "%sを保存できませんでした。\n%s", what,
             SaveFailureReason(!settingsSaved ? settingsError : listError));
    warn(text);
  }
  return settingsSaved && listSaved;
}

int LoadSettings() {
  // One byte more than a path may have: a path that fills the buffer was cut off (and Windows XP
  // leaves it without a terminator).
  char program[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH + 1);
  if (length == 0 || length >= MAX_PATH) program[0] = '\0';
  LoadSettingsFor(program, ShowLoadWarning);
  return 1;
}

bool SaveSettings(WarningSink warn) { return SaveSettingsAt(ReadUnixTime(), warn); }
