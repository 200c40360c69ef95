// RunDialog and OpenDialog: the procedure sees its own parameter, and the dialog is placed beside
// the clock only after the procedure's initialisation, whether modal or modeless.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/dialog_win32.h"
#include "base/window_handles_win32.h"

namespace {

LPARAM seenParam = 0;
RECT placedAt = {};
int messagesAfterDestroy = 0;

INT_PTR CALLBACK EndAtOnce(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    seenParam = lParam;
    // Ended from the queue, so the rectangle is read once the placement is done.
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    GetWindowRect(dialog, &placedAt);
    EndDialog(dialog, 7);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK Modeless(HWND, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) seenParam = lParam;
  if (message == WM_NCDESTROY) ++messagesAfterDestroy;
  return FALSE;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = AppInstance;
    wc.lpszClassName = "DialogTestClock";
    RegisterClassA(&wc);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    // A clock at the bottom of the screen: its dialogs go above it.
    ClockWindow = CreateWindowExA(0, "DialogTestClock", "", WS_POPUP, 100, h - 330, 400, 330,
                                  nullptr, nullptr, AppInstance, nullptr);
    ASSERT_NE(ClockWindow, nullptr);
    saved_ = ClockWindow;
  }
  void TearDown() override {
    DestroyWindow(saved_);
    ClockWindow = nullptr;
  }
  HWND saved_ = nullptr;
};

TEST_F(DialogTest, ModalDialogGetsItsParamAndIsPlacedAboveALowClock) {
  seenParam = 0;
  EXPECT_EQ(RunDialog("ALPHA", nullptr, EndAtOnce, 1234, DialogPlace::kBesideClock), 7);
  EXPECT_EQ(seenParam, 1234);
  RECT clock;
  GetWindowRect(ClockWindow, &clock);
  EXPECT_EQ(placedAt.bottom, clock.top - 10);
  // A template that does not exist is refused, not run.
  EXPECT_EQ(RunDialog("NO_SUCH_DIALOG", nullptr, EndAtOnce, 0, DialogPlace::kBesideClock), -1);
}

TEST_F(DialogTest, ModelessDialogIsPlacedAndForwardsEveryMessageUntilItsEnd) {
  seenParam = 0;
  messagesAfterDestroy = 0;
  HWND dialog = OpenDialog("ALPHA", nullptr, Modeless, 99, DialogPlace::kBesideClock);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(seenParam, 99);
  RECT d, clock;
  GetWindowRect(dialog, &d);
  GetWindowRect(ClockWindow, &clock);
  EXPECT_EQ(d.bottom, clock.top - 10);
  DestroyWindow(dialog);
  EXPECT_EQ(messagesAfterDestroy, 1);
  EXPECT_EQ(OpenDialog("NO_SUCH_DIALOG", nullptr, Modeless, 0, DialogPlace::kAsDesigned), nullptr);
}

}  // namespace
