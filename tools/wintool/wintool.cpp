// A small Windows command-line tool for driving and inspecting the clock from outside: post
// messages to its windows, list its windows with their styles and places, play a test tone.
// The end-to-end tests run it under Wine next to the program.
#include <windows.h>
#include <mmsystem.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Found {
  const char* className;
  std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  Found* found = reinterpret_cast<Found*>(param);
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  if (strcmp(name, found->className) == 0) found->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> WindowsOfClass(const char* className) {
  Found found = {className, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

unsigned long Number(const char* text) { return strtoul(text, nullptr, 0); }

// One line per top-level window of the class: handle, owner, styles, rectangle, visibility.
int Info(const char* className) {
  for (HWND w : WindowsOfClass(className)) {
    RECT r;
    GetWindowRect(w, &r);
    char title[256] = {};
    GetWindowTextA(w, title, sizeof title);
    printf("window=%lu owner=%lu style=0x%08lx exstyle=0x%08lx rect=%ld,%ld,%ld,%ld visible=%d "
           "topmost=%d title=%s\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(w)),
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(GetWindow(w, GW_OWNER))),
           static_cast<unsigned long>(GetWindowLongA(w, GWL_STYLE)),
           static_cast<unsigned long>(GetWindowLongA(w, GWL_EXSTYLE)), r.left, r.top, r.right,
           r.bottom, IsWindowVisible(w) ? 1 : 0,
           (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0, title);
  }
  return 0;
}

// Posts to the visible window of the class, or to the first one when none is visible.
// Posts to the visible window of the class (the first one when none is visible); with
// `toOwner`, to the one that no other window owns: the clock's hidden owner window.
int Post(const char* className, UINT message, WPARAM wParam, LPARAM lParam, bool toOwner) {
  std::vector<HWND> windows = WindowsOfClass(className);
  if (windows.empty()) {
    fprintf(stderr, "no window of class %s\n", className);
    return 2;
  }
  HWND target = windows[0];
  for (HWND w : windows) {
    if (toOwner ? GetWindow(w, GW_OWNER) == nullptr : IsWindowVisible(w) != 0) target = w;
  }
  return PostMessageA(target, message, wParam, lParam) ? 0 : 3;
}

// Half a second of a 440 Hz tone through PlaySound from memory.
int Tone() {
  const int rate = 22050, samples = rate / 2;
  std::vector<unsigned char> wav(44 + samples * 2);
  auto put32 = [&](size_t at, unsigned v) { memcpy(&wav[at], &v, 4); };
  auto put16 = [&](size_t at, unsigned short v) { memcpy(&wav[at], &v, 2); };
  memcpy(&wav[0], "RIFF", 4);
  put32(4, static_cast<unsigned>(wav.size() - 8));
  memcpy(&wav[8], "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, 1);
  put16(22, 1);
  put32(24, rate);
  put32(28, rate * 2);
  put16(32, 2);
  put16(34, 16);
  memcpy(&wav[36], "data", 4);
  put32(40, samples * 2);
  for (int i = 0; i < samples; ++i) {
    // A square-ish wave keeps this free of any maths library.
    short v = ((i * 440 * 2 / rate) & 1) ? 8000 : -8000;
    put16(44 + i * 2, static_cast<unsigned short>(v));
  }
  return PlaySoundA(reinterpret_cast<const char*>(wav.data()), nullptr, SND_MEMORY | SND_SYNC)
             ? 0
             : 4;
}

// Window text in UTF-8, whatever the ANSI code page, so the tests can compare Japanese texts.
void PrintText(const char* label, HWND window) {
  wchar_t wide[1024] = {};
  // Asked of the window itself: for another process's window GetWindowText reads only the
  // window's title, which an edit field (a combo box's too) does not keep its text in.
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide),
                           SMTO_ABORTIFHUNG, 1000, &copied)) {
    GetWindowTextW(window, wide, 1024);
  }
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  for (char* p = utf8; *p; ++p) {
    if (*p == '\n' || *p == '\r') *p = ' ';
  }
  printf("%s=%s\n", label, utf8);
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  char cls[64] = {};
  GetClassNameA(child, cls, sizeof cls);
  printf("child class=%s id=%d ", cls, GetDlgCtrlID(child));
  PrintText("text", child);
  return TRUE;
}

// The visible dialog boxes (message boxes included) with their caption and controls.
int Dialogs() {
  for (HWND w : WindowsOfClass("#32770")) {
    if (!IsWindowVisible(w)) continue;
    RECT r;
    GetWindowRect(w, &r);
    printf("dialog window=%lu rect=%ld,%ld,%ld,%ld ",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(w)), r.left, r.top, r.right,
           r.bottom);
    PrintText("caption", w);
    EnumChildWindows(w, PrintChild, 0);
  }
  return 0;
}

// The dialog box a user could act on: visible and enabled (a dialog under a message box of
// its own is disabled), else the first visible one.
HWND ActiveDialog() {
  HWND visible = nullptr;
  for (HWND w : WindowsOfClass("#32770")) {
    if (!IsWindowVisible(w)) continue;
    if (IsWindowEnabled(w)) return w;
    if (visible == nullptr) visible = w;
  }
  return visible;
}

// Presses a button of the visible dialog box (IDOK = 1, IDCANCEL = 2, ...).
int Press(int id) {
  HWND w = ActiveDialog();
  if (w == nullptr) return 2;
  return PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(w, id)))
             ? 0
             : 3;
}

// Moves a track bar of the visible dialog box as a user's drag would end: new position, then
// the scroll notification to the dialog.
int Slide(int id, int position) {
  for (HWND w : WindowsOfClass("#32770")) {
    if (!IsWindowVisible(w)) continue;
    HWND track = GetDlgItem(w, id);
    if (track == nullptr) return 3;
    SendMessageA(track, TBM_SETPOS, TRUE, position);
    SendMessageA(w, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(track));
    return 0;
  }
  return 2;
}

// Clicks a check box or button of the visible dialog box the way a mouse click reports it.
int Click(int id) {
  HWND w = ActiveDialog();
  if (w == nullptr) return 2;
  HWND control = GetDlgItem(w, id);
  if (control == nullptr) return 3;
  SendMessageA(control, BM_CLICK, 0, 0);
  return 0;
}

// The visible dialog box's control `id`, or null.
HWND DialogControl(int id) {
  HWND w = ActiveDialog();
  return w != nullptr ? GetDlgItem(w, id) : nullptr;
}

// Sets a control's text (UTF-8 argument), as typing it would; for an editable combo box, the
// text of its edit field.
int SetText(int id, const char* utf8) {
  HWND control = DialogControl(id);
  if (control == nullptr) return 3;
  wchar_t wide[1024] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 1024);
  return SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide)) ? 0 : 4;
}

// A control's state: "checked=N enabled=N", then for a combo box "count=N" and its items.
int State(int id) {
  HWND control = DialogControl(id);
  if (control == nullptr) return 3;
  printf("checked=%d enabled=%d\n", static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0)),
         IsWindowEnabled(control) ? 1 : 0);
  char cls[64] = {};
  GetClassNameA(control, cls, sizeof cls);
  if (lstrcmpiA(cls, "ComboBox") != 0) return 0;
  const LRESULT count = SendMessageA(control, CB_GETCOUNT, 0, 0);
  printf("count=%ld\n", static_cast<long>(count));
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t wide[512] = {};
    if (SendMessageW(control, CB_GETLBTEXTLEN, i, 0) >= 512) continue;
    SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
    char utf8[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    printf("item=%s\n", utf8);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "info") == 0) return Info(argv[2]);
  if (argc >= 4 && (strcmp(argv[1], "post") == 0 || strcmp(argv[1], "post-owner") == 0)) {
    return Post(argv[2], Number(argv[3]), argc > 4 ? Number(argv[4]) : 0,
                argc > 5 ? static_cast<LPARAM>(Number(argv[5])) : 0,
                strcmp(argv[1], "post-owner") == 0);
  }
  if (argc >= 2 && strcmp(argv[1], "tone") == 0) return Tone();
  if (argc >= 2 && strcmp(argv[1], "dialogs") == 0) return Dialogs();
  if (argc >= 3 && strcmp(argv[1], "press") == 0) return Press(static_cast<int>(Number(argv[2])));
  if (argc >= 4 && strcmp(argv[1], "slide") == 0) {
    return Slide(static_cast<int>(Number(argv[2])), static_cast<int>(Number(argv[3])));
  }
  if (argc >= 3 && strcmp(argv[1], "click") == 0) return Click(static_cast<int>(Number(argv[2])));
  if (argc >= 4 && strcmp(argv[1], "settext") == 0) {
    return SetText(static_cast<int>(Number(argv[2])), argv[3]);
  }
  if (argc >= 3 && strcmp(argv[1], "state") == 0) return State(static_cast<int>(Number(argv[2])));
  fprintf(stderr,
          "usage: wintool info CLASS | post|post-owner CLASS MSG [WPARAM [LPARAM]] | tone | dialogs | "
          "press ID | slide ID POS | click ID | settext ID TEXT | state ID\n");
  return 1;
}
