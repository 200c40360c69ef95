// The settings file beside the program, the program folder as current directory, the skin folder.
#include "app/settings_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "base/paths_win32.h"
#include "base/window_handles_win32.h"
#include "player/playlist.h"
#include "player/playlist_win32.h"
#include "settings/profile_win32.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "skin/catalogue_win32.h"

namespace {

void ShowLoadWarning(const char* text) {
  // No window exists yet at load, so the box has no owner.
  MessageBoxA(nullptr, text, AppTitle, MB_ICONWARNING);
}

// A drive and root ("C:\...") or a network share ("\\server\..."): the files beside the
// program must never be looked for in the Windows folder.
bool IsFullPath(const char* path) {
  if (path[0] == '\\' && path[1] == '\\') return true;
  bool driveLetter = path[0] != '\0' && !IsAnsiLeadByte(static_cast<unsigned char>(path[0]));
  return driveLetter && path[1] == ':' && path[2] == '\\';
}

// ExeFolder is the settings file's folder without its trailing backslash, except at a drive root,
// where "C:" alone would mean the drive's own current directory.
void SetExeFolder() {
  PathParts parts;
  if (!SplitFullPath(SettingsPath, &parts, IsAnsiLeadByte)) {
    ExeFolder[0] = '\0';
    return;
  }
  size_t length = strlen(parts.folder);
  bool driveRoot = length == 3 && parts.folder[1] == ':';
  if (length > 1 && !driveRoot && parts.folder[length - 1] == '\\') {
    parts.folder[length - 1] = '\0';
  }
  snprintf(ExeFolder, kPathCapacity, "%s", parts.folder);
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

}  // namespace

bool LoadSettingsFor(const char* programPath, WarningSink warn) {
  char settingsPath[kPathCapacity];
  char listPath[kPathCapacity];
  if (!IsFullPath(programPath) ||
      !ReplaceExtension(programPath, ".cfg", settingsPath, kPathCapacity, IsAnsiLeadByte) ||
      !ReplaceExtension(programPath, ".lst", listPath, kPathCapacity, IsAnsiLeadByte)) {
    SettingsPath[0] = '\0';
    DefaultListPath[0] = '\0';
    ResetSettings();
    return false;
  }
  memcpy(SettingsPath, settingsPath, sizeof settingsPath);
  memcpy(DefaultListPath, listPath, sizeof listPath);
  ReadSettings(FileProfile(SettingsPath));
  SetExeFolder();
  if (ExeFolder[0] != '\0') SetCurrentDirectoryA(ExeFolder);
  ResolveSkinFolder(SkinPath, ExeFolder);
  LoadPlayList(DefaultListPath);
  if (ListName[0] == '\0') snprintf(ListName, kPathCapacity, "%s", DefaultListPath);
  EnsureSkinFolder(warn);
  return true;
}

bool SaveSettingsAt(int64_t now) {
  if (SettingsPath[0] == '\0') return false;
  RECT place;
  if (ClockWindow != nullptr && GetWindowRect(ClockWindow, &place)) {
    LEFT = place.left;
    TOP = place.top;
  }
  bool ok = WriteSettings(FileProfile(SettingsPath), now);
  return SavePlayList(DefaultListPath) && ok;
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

int SaveSettings() { return SaveSettingsAt(ReadUnixTime()) ? 1 : 0; }
