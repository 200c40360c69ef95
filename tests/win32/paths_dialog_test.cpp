// SplitPath against the real current directory, and the file dialog cancelled and answered.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "../shared/temp_folder_win32.h"
#include "base/paths_win32.h"

namespace {

TEST(PathsWin32Test, RelativeNamesResolveAgainstTheCurrentDirectory) {
  TempFolder folder;
  ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
  PathParts parts;
  ASSERT_TRUE(SplitPath("song.mp3", &parts));
  EXPECT_EQ(std::string(parts.full), folder / "song.mp3");
  EXPECT_EQ(std::string(parts.folder), folder.Path() + "\\");
  EXPECT_STREQ(parts.fileName, "song.mp3");
  EXPECT_STREQ(parts.ext, ".mp3");
  EXPECT_EQ(std::string(parts.drive) + parts.dir, parts.folder);

  ASSERT_TRUE(SplitPath("sub\\..\\表示", &parts));
  EXPECT_EQ(std::string(parts.full), folder / "表示");
  EXPECT_STREQ(parts.name, "表示");
  EXPECT_STREQ(parts.ext, "");

  ASSERT_TRUE(SplitPath("C:\\music\\a.mp3", &parts));
  EXPECT_STREQ(parts.folder, "C:\\music\\");

  PathParts untouched = parts;
  std::string tooLong(300, 'x');
  EXPECT_FALSE(SplitPath(tooLong.c_str(), &parts));
  EXPECT_EQ(memcmp(&parts, &untouched, sizeof parts), 0);

  char buffer[32] = "C:\\a\\表";
  FileNamePart(buffer);
  EXPECT_STREQ(buffer, "表");
}

struct DialogAnswer {
  const char* title;
  const char* typedName;  // null: press Cancel
  bool found;
};

// Waits for the dialog with the given title, then types the name and presses OK, or cancels.
DWORD WINAPI AnswerDialog(LPVOID parameter) {
  auto* answer = static_cast<DialogAnswer*>(parameter);
  for (int i = 0; i < 1000; ++i) {
    HWND dialog = FindWindowA(nullptr, answer->title);
    if (dialog != nullptr && IsWindowVisible(dialog)) {
      answer->found = true;
      if (answer->typedName == nullptr) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      } else {
        // The file-name field of the explorer-style dialog: edt1, or the combo box cmb13.
        HWND field = GetDlgItem(dialog, 0x480);
        if (field == nullptr) field = GetDlgItem(dialog, 0x47C);
        SetWindowTextA(field, answer->typedName);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      }
      return 0;
    }
    Sleep(20);
  }
  return 0;
}

bool RunAnswered(DialogAnswer* answer, char* path, bool save, bool* chosen) {
  HANDLE thread = CreateThread(nullptr, 0, AnswerDialog, answer, 0, nullptr);
  if (thread == nullptr) return false;
  *chosen = ChooseFile(path, "lst", answer->title, "Play List|*.lst|すべてのﾌｧｲﾙ(*.*)|*.*|", save);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
}

TEST(PathsWin32Test, CancelledDialogLeavesOnlyTheFileName) {
  TempFolder folder;
  for (bool save : {false, true}) {
    char path[260];
    snprintf(path, sizeof path, "%s", (folder / "lists\\mine.lst").c_str());
    DialogAnswer answer = {save ? "Save Play List (cancel)" : "Load Play List (cancel)", nullptr,
                           false};
    bool chosen = true;
    ASSERT_TRUE(RunAnswered(&answer, path, save, &chosen));
    EXPECT_TRUE(answer.found) << save;
    EXPECT_FALSE(chosen) << save;
    EXPECT_STREQ(path, "mine.lst") << save;
  }
}

TEST(PathsWin32Test, ANameTheDialogRefusesStillOpensItEmpty) {
  char path[260] = "C:\\lists\\bad<name>.lst";
  DialogAnswer answer = {"Load Play List (bad name)", nullptr, false};
  bool chosen = true;
  ASSERT_TRUE(RunAnswered(&answer, path, false, &chosen));
  EXPECT_TRUE(answer.found);
  EXPECT_FALSE(chosen);
  EXPECT_STREQ(path, "");
}

TEST(PathsWin32Test, AnsweredDialogGivesTheFullPath) {
  TempFolder folder;
  std::string target = folder / "chosen.lst";
  ASSERT_TRUE(WriteBytes(target, "[PlayList]\n"));
  char path[260] = "C:\\old\\previous.lst";
  DialogAnswer answer = {"Load Play List (answer)", target.c_str(), false};
  bool chosen = false;
  ASSERT_TRUE(RunAnswered(&answer, path, false, &chosen));
  EXPECT_TRUE(answer.found);
  EXPECT_TRUE(chosen);
  EXPECT_EQ(std::string(path), target);
}

TEST(PathsWin32Test, AnOverlongFilterOpensNothingAndLeavesTheBuffer) {
  char path[260] = "C:\\a\\b.lst";
  std::string filter = std::string(2000, 'f') + "|*.*|";
  EXPECT_FALSE(ChooseFile(path, "lst", "never shown", filter.c_str(), false));
  EXPECT_STREQ(path, "C:\\a\\b.lst");
}

}  // namespace
