// The skin dialog driven through its controls: lists, live choice, reload requests, Cancel.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/app_win32.h"
#include "base/app_state.h"
#include "base/resource_ids.h"
#include "settings/settings.h"
#include "skin/catalogue.h"
#include "skin/skin_dialog_win32.h"

namespace {

std::string Doc(int code, const std::string& title, int skins) {
  std::string text = "<brand><title>" + title + "</title><code>" + std::to_string(code) + "</code>";
  for (int k = 0; k < skins; ++k) {
    const std::string name = title + std::to_string(k);
    text += "<skin><name>" + name + "</name><comment>about " + name + "</comment><file>f</file></skin>";
  }
  return text + "</brand>";
}

// What the dialog shows at one moment, with the shared state beside it.
struct Snapshot {
  std::vector<std::string> brands;
  int brandSelected;
  std::vector<std::string> skins;
  int skinSelected;
  std::string comment;
  int brand;
  int chara;
  int clockState;
};

Snapshot Take(HWND dialog) {
  Snapshot s;
  for (int id : {IDC_SKIN_BRAND, IDC_SKIN_LIST}) {
    std::vector<std::string>& list = id == IDC_SKIN_BRAND ? s.brands : s.skins;
    const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[256] = "";
      SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      list.push_back(text);
    }
  }
  s.brandSelected = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SKIN_BRAND, CB_GETCURSEL, 0, 0));
  s.skinSelected = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SKIN_LIST, CB_GETCURSEL, 0, 0));
  char comment[256] = "";
  GetDlgItemTextA(dialog, IDC_SKIN_COMMENT, comment, sizeof comment);
  s.comment = comment;
  s.brand = BRAND;
  s.chara = CHARA;
  s.clockState = ClockState;
  return s;
}

void Choose(HWND dialog, int id, int entry) {
  HWND combo = GetDlgItem(dialog, id);
  SendMessageA(combo, CB_SETCURSEL, entry, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

struct Script {
  DWORD uiThread;
  std::vector<std::pair<int, int>> steps;  // (combo id, entry); id 0 only resets ClockState to 1
  int finish;                              // IDOK or IDCANCEL
  std::vector<Snapshot> seen;              // on opening, then after every step
  bool found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM result) {
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI Drive(LPVOID parameter) {
  auto* script = static_cast<Script*>(parameter);
  HWND dialog = nullptr;
  for (int i = 0; i < 500 && dialog == nullptr; ++i) {
    EnumThreadWindows(script->uiThread, FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) Sleep(20);
  }
  if (dialog == nullptr) return 0;
  script->found = true;
  script->seen.push_back(Take(dialog));
  for (const auto& step : script->steps) {
    if (step.first == 0) {
      ClockState = kClockRunning;
      continue;
    }
    Choose(dialog, step.first, step.second);
    script->seen.push_back(Take(dialog));
  }
  PostMessageA(dialog, WM_COMMAND, script->finish, 0);
  return 0;
}

void RunDialog(Script* script) {
  script->uiThread = GetCurrentThreadId();
  script->found = false;
  HANDLE thread = CreateThread(nullptr, 0, Drive, script, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ShowSkinDialog(nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  ASSERT_TRUE(script->found);
}

class SkinDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ResetCatalogue();
    // Records 0, 2, 4 (listed without skins) and 6; no brand has code 6.
    ASSERT_TRUE(ParseCatalogue(Doc(1, "Alpha", 3).c_str(), 0, ""));
    ASSERT_TRUE(ParseCatalogue(Doc(3, "Gamma", 1).c_str(), 0, ""));
    ASSERT_TRUE(ParseCatalogue(Doc(5, "Empty", 0).c_str(), 0, ""));
    ASSERT_TRUE(ParseCatalogue(Doc(7, "Seventh", 2).c_str(), 1, "seven.skn"));
    BRAND = 0;
    CHARA = 2;
    ClockState = kClockRunning;
  }
  void TearDown() override {
    ResetCatalogue();
    BRAND = 0;
    CHARA = 0;
    ClockState = kClockLoad;
  }
};

TEST_F(SkinDialogTest, ChoicesApplyAtOnceAndCancelRestores) {
  Script script;
  script.steps = {{IDC_SKIN_BRAND, 3}, {0, 0}, {IDC_SKIN_LIST, 1}, {IDC_SKIN_BRAND, 0}, {0, 0},
                  {IDC_SKIN_BRAND, 2}};
  script.finish = IDCANCEL;
  RunDialog(&script);
  ASSERT_EQ(script.seen.size(), 5u);
  const Snapshot& open = script.seen[0];
  EXPECT_EQ(open.brands, (std::vector<std::string>{"Alpha", "Gamma", "Empty", "Seventh"}));
  EXPECT_EQ(open.brandSelected, 0);
  EXPECT_EQ(open.skins, (std::vector<std::string>{"Alpha0", "Alpha1", "Alpha2"}));
  EXPECT_EQ(open.skinSelected, 2);
  EXPECT_EQ(open.comment, "about Alpha2");
  EXPECT_EQ(open.clockState, kClockRunning) << "opening changes nothing";

  // The fourth entry is record 6; CHARA 2 is past its two skins and becomes 0.
  const Snapshot& seventh = script.seen[1];
  EXPECT_EQ(seventh.brand, 6);
  EXPECT_EQ(seventh.chara, 0);
  EXPECT_EQ(seventh.skins, (std::vector<std::string>{"Seventh0", "Seventh1"}));
  EXPECT_EQ(seventh.skinSelected, 0);
  EXPECT_EQ(seventh.comment, "about Seventh0");
  EXPECT_EQ(seventh.clockState, kClockReload);

  const Snapshot& skin = script.seen[2];
  EXPECT_EQ(skin.brand, 6);
  EXPECT_EQ(skin.chara, 1);
  EXPECT_EQ(skin.comment, "about Seventh1");
  EXPECT_EQ(skin.clockState, kClockReload);

  // Back to a brand with more skins: CHARA 1 is kept.
  const Snapshot& alpha = script.seen[3];
  EXPECT_EQ(alpha.brand, 0);
  EXPECT_EQ(alpha.chara, 1);
  EXPECT_EQ(alpha.skinSelected, 1);

  // A brand without skins lists nothing and leaves the showing skin chosen, with no reload.
  const Snapshot& empty = script.seen[4];
  EXPECT_TRUE(empty.skins.empty());
  EXPECT_EQ(empty.brand, 0);
  EXPECT_EQ(empty.chara, 1);
  EXPECT_EQ(empty.comment, "");
  EXPECT_EQ(empty.clockState, kClockRunning);

  // Cancel puts back the skin of the opening and reloads it.
  EXPECT_EQ(BRAND, 0);
  EXPECT_EQ(CHARA, 2);
  EXPECT_EQ(ClockState, kClockReload);
}

TEST_F(SkinDialogTest, OkKeepsTheChoiceAndBadSettingsOpenWithoutSelection) {
  Script script;
  script.steps = {{IDC_SKIN_BRAND, 1}};
  script.finish = IDOK;
  RunDialog(&script);
  EXPECT_EQ(BRAND, 2);
  EXPECT_EQ(CHARA, 0);

  // BRAND naming an empty record and CHARA out of range: nothing selected, nothing changed.
  BRAND = 9;
  CHARA = -3;
  ClockState = kClockRunning;
  Script stale;
  stale.steps = {};
  stale.finish = IDOK;
  RunDialog(&stale);
  ASSERT_EQ(stale.seen.size(), 1u);
  EXPECT_EQ(stale.seen[0].brandSelected, CB_ERR);
  EXPECT_TRUE(stale.seen[0].skins.empty());
  EXPECT_EQ(stale.seen[0].comment, "");
  EXPECT_EQ(BRAND, 9);
  EXPECT_EQ(CHARA, -3);
  EXPECT_EQ(ClockState, kClockRunning);
}

}  // namespace
