// Full paths through GetFullPathNameA and the common open and save dialogs.
#include "app/paths_win32.h"

#include <windows.h>

#include <cderr.h>
#include <commdlg.h>

#include "app/app_win32.h"

namespace {

constexpr int kFilterCapacity = 1024;
constexpr DWORD kDialogFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;

bool RunDialog(OPENFILENAMEA* dialog, bool save) {
  return (save ? GetSaveFileNameA(dialog) : GetOpenFileNameA(dialog)) != FALSE;
}

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
  if (RunDialog(&dialog, save)) return true;
  // A name the dialog cannot take (from a hand-edited setting, say "a<b>.lst") makes it fail
  // before it ever shows; open it once more without one rather than not at all.
  if (CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
    path[0] = '\0';
    return RunDialog(&dialog, save);
  }
  return false;
}
