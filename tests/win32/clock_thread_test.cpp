// The UI thread's wait for the clock thread must keep serving calls that the clock thread
// makes into this thread's windows, or shutdown would hang.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/app_win32.h"
#include "base/app_state.h"

namespace {

constexpr UINT kProbe = WM_APP + 7;
int probesServed = 0;

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kProbe) {
    ++probesServed;
    return 42;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

struct ThreadArgs {
  HWND window;
  LRESULT answer;
};

// Behaves like a clock thread caught in a skin load when the stop comes: it only notices the
// stop after a call that needs the UI thread (SendMessage, as SetWindowPos and ShowWindow
// on another thread's window do).
DWORD WINAPI BlockedClockThread(LPVOID param) {
  ThreadArgs* args = static_cast<ThreadArgs*>(param);
  while (StopRequested == 0) Sleep(1);
  args->answer = SendMessageA(args->window, kProbe, 0, 0);
  RECT r = {};
  SetWindowPos(args->window, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(args->window, &r);
  ThreadEnded = 1;
  return 1;
}

TEST(ClockThreadTest, StopServesCallsTheThreadMakesIntoTheUiThread) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "StopProbe";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND window = CreateWindowExA(0, "StopProbe", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  StopRequested = 0;
  ThreadEnded = 0;
  probesServed = 0;
  ThreadArgs args = {window, 0};
  ClockThreadHandle = CreateThread(nullptr, 0, BlockedClockThread, &args, 0, nullptr);
  ASSERT_NE(ClockThreadHandle, nullptr);

  DWORD started = GetTickCount();
  EXPECT_TRUE(StopClockThread());
  EXPECT_LT(GetTickCount() - started, 5000u);
  EXPECT_EQ(ThreadEnded.load(), 1);
  EXPECT_EQ(probesServed, 1);
  EXPECT_EQ(args.answer, 42);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 6);

  EXPECT_EQ(WaitForSingleObject(ClockThreadHandle, 2000), WAIT_OBJECT_0);
  CloseHandle(ClockThreadHandle);
  ClockThreadHandle = nullptr;
  DestroyWindow(window);
  UnregisterClassA("StopProbe", wc.hInstance);
}

TEST(ClockThreadTest, StopWithoutAThreadReturnsAtOnce) {
  ClockThreadHandle = nullptr;
  StopRequested = 0;
  EXPECT_TRUE(StopClockThread());
  EXPECT_EQ(StopRequested.load(), 1);
}

}  // namespace
