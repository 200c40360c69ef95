// The news settings' feed addresses driven through the dialog: a refused one warns and stores
// nothing, accepted ones are stored and read back from the settings file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../shared/temp_folder_win32.h"
#include "app/app_win32.h"
#include "app/settings_win32.h"
#include "base/resource_ids.h"
#include "base/worker_win32.h"
#include "news/news_dialogs_win32.h"
#include "player/playlist.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace {

char* const kAddressKeys[4] = {FeedUrl0, FeedUrl1, FeedUrl2, FeedUrl3};

struct Search {
  const char* caption;
  bool same;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char cls[16] = "";
  char text[128] = "";
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  if (std::string(cls) != "#32770" || !IsWindowVisible(window) ||
      (std::string(text) == search->caption) != search->same) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// The first visible dialog window of `thread` whose caption is (`same`) or is not `caption`.
HWND WaitForWindow(DWORD thread, const char* caption, bool same) {
  for (int i = 0; i < 500; ++i) {
    Search search = {caption, same, nullptr};
    EnumThreadWindows(thread, Match, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(20);
  }
  return nullptr;
}

// What the driving thread saw: the warning, the keys while it was up, where the focus went.
struct Seen {
  DWORD uiThread;
  std::string warning;
  std::string keysWhileWarned[4];
  bool focusOnRefused;
  bool ended;
};

// Types four addresses, the second refused; presses OK; closes the warning; empties the refused
// field and presses OK again.
DWORD WINAPI Drive(LPVOID parameter) {
  auto* seen = static_cast<Seen*>(parameter);
  HWND dialog = WaitForWindow(seen->uiThread, "お知らせの設定", true);
  if (dialog == nullptr) return 0;
  const char* const typed[4] = {"  http://127.0.0.1/a.rss\t", "ftp://127.0.0.1/x",
                                "https://localhost/kept.xml", "HTTPS://localhost/atom"};
  for (int i = 0; i < 4; ++i) SetDlgItemTextA(dialog, IDC_NEWS_ADDRESS0 + i, typed[i]);
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  HWND box = WaitForWindow(seen->uiThread, "お知らせの設定", false);
  if (box == nullptr) return 0;
  char text[1024] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  seen->warning = text;
  // Read while the UI thread, their owner, waits in the box.
  for (int i = 0; i < 4; ++i) seen->keysWhileWarned[i] = kAddressKeys[i];
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  HWND refused = GetDlgItem(dialog, IDC_NEWS_ADDRESS0 + 1);
  for (int i = 0; i < 250 && !seen->focusOnRefused; ++i) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    seen->focusOnRefused = GetGUIThreadInfo(seen->uiThread, &gui) && gui.hwndFocus == refused;
    if (!seen->focusOnRefused) Sleep(20);
  }
  SetDlgItemTextA(dialog, IDC_NEWS_ADDRESS0 + 1, "");
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 250 && IsWindow(dialog); ++i) Sleep(20);
  seen->ended = !IsWindow(dialog);
  return 0;
}

class NewsSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ResetSettings();
    ASSERT_TRUE(LoadSettingsFor(program_.c_str(), [](const char*) {}));
    // No feed is ticked, so the fetch the dialog starts asks no server.
    ViewBrand = 0;
    snprintf(FeedUrl1, kPathCapacity, "http://127.0.0.1/old.rdf");
    snprintf(FeedUrl2, kPathCapacity, "https://localhost/kept.xml");
  }
  void TearDown() override {
    StopWorker(&BackgroundWorker, 2000);
    ResetSettings();
    SettingsPath[0] = '\0';
    DefaultListPath[0] = '\0';
  }
  TempFolder folder_;
  std::string program_ = folder_ / "Clock.exe";
};

TEST_F(NewsSettingsTest, ARefusedAddressWarnsAndStoresNothingAcceptedOnesAreSaved) {
  Seen seen = {};
  seen.uiThread = GetCurrentThreadId();
  HANDLE thread = CreateThread(nullptr, 0, Drive, &seen, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ShowNewsSettings(nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
  CloseHandle(thread);
  EXPECT_NE(seen.warning.find("ペリン"), std::string::npos) << seen.warning;
  EXPECT_NE(seen.warning.find("「ftp://127.0.0.1/x」"), std::string::npos) << seen.warning;
  const std::string before[4] = {"", "http://127.0.0.1/old.rdf", "https://localhost/kept.xml", ""};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(seen.keysWhileWarned[i], before[i]) << i;
  EXPECT_TRUE(seen.focusOnRefused);
  EXPECT_TRUE(seen.ended);

  // Blanks around an address are dropped; an emptied field goes back to the built-in feed.
  ASSERT_TRUE(SaveSettingsAt(1700000000));
  ResetSettings();
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), [](const char*) {}));
  const std::string after[4] = {"http://127.0.0.1/a.rss", "", "https://localhost/kept.xml",
                                "HTTPS://localhost/atom"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::string(kAddressKeys[i]), after[i]) << i;
}

}  // namespace
