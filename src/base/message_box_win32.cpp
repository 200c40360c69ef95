// Message boxes that come to the front whatever window is active.
#include "base/message_box_win32.h"

namespace {

// The box a call on this thread is showing, found by the hook below as it is made.
struct BoxRaise {
  HHOOK hook;
  HWND box;
};
thread_local BoxRaise* raising = nullptr;

// Windows raises a box for MB_TOPMOST itself; Wine 8, on which the clock also runs, ignores the
// flag. So the box is put on top once more as it is activated: the first dialog window this
// thread makes after the hook is set is the box (its controls are of other classes).
LRESULT CALLBACK RaiseBox(int code, WPARAM wParam, LPARAM lParam) {
  BoxRaise* raise = raising;
  HWND window = reinterpret_cast<HWND>(wParam);
  if (raise != nullptr && (code == HCBT_CREATEWND || code == HCBT_ACTIVATE)) {
    char name[16] = {};
    if (code == HCBT_CREATEWND && raise->box == nullptr &&
        GetClassNameA(window, name, sizeof name) > 0 && lstrcmpA(name, "#32770") == 0) {
      raise->box = window;
    } else if (code == HCBT_ACTIVATE && window == raise->box) {
      SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  // A box shown while another is up on this thread (from a message its loop handles) has a
  // raise of its own; the outer one's is put back afterwards.
  BoxRaise raise = {nullptr, nullptr};
  BoxRaise* outer = raising;
  raising = &raise;
  raise.hook = SetWindowsHookExA(WH_CBT, RaiseBox, nullptr, GetCurrentThreadId());
  const int result = MessageBoxA(owner, text, caption, type | MB_SETFOREGROUND | MB_TOPMOST);
  if (raise.hook != nullptr) UnhookWindowsHookEx(raise.hook);
  raising = outer;
  return result;
}
