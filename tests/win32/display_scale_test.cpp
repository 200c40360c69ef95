// Sizes the system leaves to the program at a display scale above 100 %: list-view columns, and
// the DPI of a window where the system lacks GetDpiForWindow.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "app/tray_win32.h"
#include "base/dpi_win32.h"
#include "base/resource_ids.h"
#include "base/window_handles_win32.h"
#include "player/panel_win32.h"
#include "player/playlist.h"
#include "timesvc/alarms_win32.h"

namespace {

// The environment variables of the DPI test hooks, set for one block.
struct DpiHooks {
  DpiHooks(bool noForWindow, bool noForMonitor, int systemDpi) {
    char dpi[16];
    wsprintfA(dpi, "%d", systemDpi);
    SetEnvironmentVariableA("TARVO_TEST_NO_DPI_FOR_WINDOW", noForWindow ? "1" : nullptr);
    SetEnvironmentVariableA("TARVO_TEST_NO_DPI_FOR_MONITOR", noForMonitor ? "1" : nullptr);
    SetEnvironmentVariableA("TARVO_TEST_SYSTEM_DPI", dpi);
  }
  ~DpiHooks() {
    for (const char* name : {"TARVO_TEST_NO_DPI_FOR_WINDOW", "TARVO_TEST_NO_DPI_FOR_MONITOR", "TARVO_TEST_SYSTEM_DPI"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
  }
};

std::vector<int> ColumnWidths(HWND list) {
  std::vector<int> widths;
  for (int c = 0; c < 3; ++c) widths.push_back(static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0)));
  return widths;
}

struct AlarmListReader {
  DWORD uiThread;
  std::vector<int> widths;
};

BOOL CALLBACK FindAlarmList(HWND window, LPARAM result) {
  if (GetDlgItem(window, IDC_ALARM_LIST) == nullptr || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(result) = window;
  return FALSE;
}

DWORD WINAPI ReadAlarmList(LPVOID parameter) {
  auto* reader = static_cast<AlarmListReader*>(parameter);
  for (int i = 0; i < 250; ++i) {
    HWND found = nullptr;
    EnumThreadWindows(reader->uiThread, FindAlarmList, reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) {
      reader->widths = ColumnWidths(GetDlgItem(found, IDC_ALARM_LIST));
      PostMessageA(found, WM_COMMAND, IDCANCEL, 0);
      return 0;
    }
    Sleep(20);
  }
  return 0;
}

// Column widths of the alarm list, then of the play list, as they open at `systemDpi` on a
// system with neither GetDpiForWindow nor GetDpiForMonitor (Windows 7 and 8).
std::vector<int> OpenedColumnWidths(int systemDpi) {
  DpiHooks hooks(true, true, systemDpi);
  AlarmListReader reader = {GetCurrentThreadId(), {}};
  HANDLE thread = CreateThread(nullptr, 0, ReadAlarmList, &reader, 0, nullptr);
  if (thread == nullptr) return {};
  ShowAlarmList(nullptr);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  EntryCount = 0;
  HWND window = CreateDialogParamA(AppInstance, "SNDLIST", nullptr, PlayListWindowProc, 0);
  if (window == nullptr) return {};
  for (int width : ColumnWidths(GetDlgItem(window, IDC_PLAYLIST_VIEW))) reader.widths.push_back(width);
  DestroyWindow(window);
  return reader.widths;
}

TEST(DisplayScale, ListColumnsAreTwiceAsWideAt200Percent) {
  AppInstance = GetModuleHandleA(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const std::vector<int> at96 = OpenedColumnWidths(96);
  const std::vector<int> at192 = OpenedColumnWidths(192);
  // No, TIME, file name; star, No, file name.
  ASSERT_EQ(at96, (std::vector<int>{20, 50, 215, 18, 30, 215}));
  ASSERT_EQ(at192.size(), at96.size());
  for (size_t c = 0; c < at96.size(); ++c) EXPECT_NEAR(at192[c], 2 * at96[c], 1) << "column " << c;
}

// Under Wine every monitor has the system DPI, so a monitor of another scale cannot be made
// here: the system DPI is what the hook says instead, and the window must still get its
// monitor's, which is what GetDpiForMonitor answers.
TEST(DisplayScale, WithoutGetDpiForWindowAWindowHasItsMonitorsDpi) {
  using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  HMODULE shcore = LoadLibraryA("shcore.dll");
  FARPROC proc = shcore != nullptr ? GetProcAddress(shcore, "GetDpiForMonitor") : nullptr;
  if (proc == nullptr) GTEST_SKIP() << "no GetDpiForMonitor on this system";
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  UINT x = 0;
  UINT y = 0;
  ASSERT_EQ(reinterpret_cast<ForMonitor>(reinterpret_cast<void (*)()>(proc))(
                MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), 0, &x, &y),
            S_OK);
  const int systemDpi = static_cast<int>(x) + 48;
  {
    DpiHooks hooks(true, false, systemDpi);
    EXPECT_EQ(QueryWindowDpi(window), static_cast<int>(x));
  }
  {
    DpiHooks hooks(true, true, systemDpi);
    EXPECT_EQ(QueryWindowDpi(window), systemDpi) << "Windows 7 and 8 have only the system DPI";
  }
  DestroyWindow(window);
}

TEST(DisplayScale, TheTrayIconIsLoadedAtTheSmallIconSizeOfTheTaskbarsScale) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  for (int dpi : {96, 192}) {
    DpiHooks hooks(true, true, dpi);
    AddTrayIcon("ICON_TASK", GetModuleHandleA(nullptr), window);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(TrayIconData.hIcon, &info));
    BITMAP colour = {};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(colour.bmWidth, SystemMetricForDpi(SM_CXSMICON, dpi)) << dpi;
    EXPECT_EQ(colour.bmWidth, dpi / 6) << dpi;
  }
  RemoveTrayIcon();
  DestroyWindow(window);
}

}  // namespace
