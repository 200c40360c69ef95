// The news settings' feed addresses driven through the dialog: a refused one warns and stores
// nothing, accepted ones are stored and read back from the settings file, Cancel keeps them.
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

// A visible dialog window of `thread` whose caption is, or is not, `caption`.
struct Search {
  const char* caption;
  bool same;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char cls[16] = "";
  char caption[128] = "";
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, caption, sizeof caption);
  if (std::string(cls) == "#32770" && IsWindowVisible(window) &&
      (std::string(caption) == search->caption) == search->same) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindow(DWORD thread, const char* caption, bool same) {
  for (int i = 0; i < 500; ++i) {
    Search search = {caption, same, nullptr};
    EnumThreadWindows(thread, Match, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(20);
  }
  return nullptr;
}

// What the driving thread saw while the dialog ran.
struct DialogRun {
  DWORD uiThread;
  const char* typed[4];  // texts typed before the first OK
  const char* fixed;     // typed into the refused field before the second OK
  int finish;            // IDOK or IDCANCEL
  std::string warning;   // the box's text, empty when none came
  std::string keysWhileWarned[4];
  bool focusOnRefused;
  bool ended;
};

DWORD WINAPI Drive(LPVOID parameter) {
  auto* run = static_cast<DialogRun*>(parameter);
  HWND dialog = WaitForWindow(run->uiThread, "お知らせの設定", true);
  if (dialog == nullptr) return 0;
  for (int i = 0; i < 4; ++i) SetDlgItemTextA(dialog, IDC_NEWS_ADDRESS0 + i, run->typed[i]);
  PostMessageA(dialog, WM_COMMAND, run->finish, 0);
  if (run->fixed != nullptr) {
    HWND box = WaitForWindow(run->uiThread, "お知らせの設定", false);
    if (box == nullptr) return 0;
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    run->warning = text;
    // The keys are the UI thread's, which waits in the box meanwhile.
    for (int i = 0; i < 4; ++i) run->keysWhileWarned[i] = kAddressKeys[i];
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND refused = GetDlgItem(dialog, IDC_NEWS_ADDRESS0 + 1);
    for (int i = 0; i < 250 && !run->focusOnRefused; ++i) {
      GUITHREADINFO gui = {};
      gui.cbSize = sizeof gui;
      run->focusOnRefused = GetGUIThreadInfo(run->uiThread, &gui) && gui.hwndFocus == refused;
      if (!run->focusOnRefused) Sleep(20);
    }
    SetDlgItemTextA(dialog, IDC_NEWS_ADDRESS0 + 1, run->fixed);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  }
  for (int i = 0; i < 250 && IsWindow(dialog); ++i) Sleep(20);
  run->ended = !IsWindow(dialog);
  return 0;
}

void RunSettings(DialogRun* run) {
  run->uiThread = GetCurrentThreadId();
  HANDLE thread = CreateThread(nullptr, 0, Drive, run, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ShowNewsSettings(nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
  CloseHandle(thread);
}

class NewsSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ResetSettings();
    ASSERT_TRUE(LoadSettingsFor((folder_ / "Clock.exe").c_str(), [](const char*) {}));
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
};

TEST_F(NewsSettingsTest, ARefusedAddressWarnsAndStoresNothingAcceptedOnesAreSavedCancelKeeps) {
  DialogRun run = {};
  run.typed[0] = "  http://127.0.0.1/a.rss\t";
  run.typed[1] = "ftp://127.0.0.1/x";
  run.typed[2] = "https://localhost/kept.xml";
  run.typed[3] = "HTTPS://localhost/atom";
  run.fixed = "";
  run.finish = IDOK;
  RunSettings(&run);
  EXPECT_NE(run.warning.find("ペリン"), std::string::npos) << run.warning;
  EXPECT_NE(run.warning.find("「ftp://127.0.0.1/x」"), std::string::npos) << run.warning;
  const std::string before[4] = {"", "http://127.0.0.1/old.rdf", "https://localhost/kept.xml", ""};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(run.keysWhileWarned[i], before[i]) << i;
  EXPECT_TRUE(run.focusOnRefused);
  EXPECT_TRUE(run.ended);

  // Blanks around an address are dropped; an emptied field goes back to the built-in feed.
  const std::string after[4] = {"http://127.0.0.1/a.rss", "", "https://localhost/kept.xml",
                                "HTTPS://localhost/atom"};
  ASSERT_TRUE(SaveSettingsAt(1700000000));
  ResetSettings();
  ASSERT_TRUE(LoadSettingsFor((folder_ / "Clock.exe").c_str(), [](const char*) {}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::string(kAddressKeys[i]), after[i]) << i;

  DialogRun cancel = {};
  cancel.typed[0] = "https://localhost/other";
  cancel.typed[1] = "not an address";
  cancel.typed[2] = "";
  cancel.typed[3] = "";
  cancel.finish = IDCANCEL;
  RunSettings(&cancel);
  EXPECT_TRUE(cancel.ended);
  EXPECT_EQ(cancel.warning, "");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::string(kAddressKeys[i]), after[i]) << i;
}

}  // namespace
