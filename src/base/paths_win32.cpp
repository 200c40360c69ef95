// Full paths through GetFullPathNameA and the common open and save dialogs.
#include "base/paths_win32.h"

#include <windows.h>

#include <commdlg.h>

#include "base/window_handles_win32.h"

namespace {

constexpr int kFilterCapacity = 1024;
constexpr DWORD kDialogFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;

}  // namespace

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

bool SplitPath(const char* path, PathParts* parts) {
  char full[kPathPartsCapacity];
  DWORD length = GetFullPathNameA(path, kPathPartsCapacity, full, nullptr);
  // 0 is failure; a length of the capacity or more is the size the full path would need.
  if (length == 0 || length >= static_cast<DWORD>(kPathPartsCapacity)) return false;
  return SplitFullPath(full, parts, IsAnsiLeadByte);
}

void FileNamePart(char* path) { ReduceToFileName(path, IsAnsiLeadByte); }

bool ChooseFile(char* path, const char* defaultExt, const char* title, const char* filter,
                bool save) {
  char list[kFilterCapacity];
  if (!FilterToList(filter, list, kFilterCapacity, IsAnsiLeadByte)) return false;
  FileNamePart(path);
  // Windows refuses to open the dialog at all over such a name (say from a hand-edited
  // setting), so it is not offered.
  if (HasReservedCharacter(path, IsAnsiLeadByte)) path[0] = '\0';
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = ClockWindow;
  dialog.lpstrFilter = list;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathPartsCapacity;
  dialog.lpstrTitle = title;
  dialog.lpstrDefExt = defaultExt;
  dialog.Flags = kDialogFlags;
  return (save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog)) != FALSE;
}
