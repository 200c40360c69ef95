// A small Windows command-line tool for driving and inspecting the clock from outside: post
// messages to its windows, list its windows with their styles and places, play a test tone,
// print the news font's glyphs, and make what Windows does to it (a log-off, a taskbar that is
// late or made again, a monitor of another DPI), and trust a local certificate authority inside
// the Wine prefix it runs in.
// The end-to-end tests run it under Wine next to the program.
#include <windows.h>
#include <mmsystem.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

// What Windows sends a window whose monitor changed its DPI, which Wine never sends: the new DPI
// and the rectangle suggested for it. The rectangle is the message's pointer, so it is written
// into the receiving process, which reads it there; the send waits for the answer.
int DpiChanged(const char* className, int dpi, const RECT& suggested) {
  constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED
  HWND target = nullptr;
  for (HWND w : WindowsOfClass(className)) {
    if (IsWindowVisible(w)) target = w;
  }
  if (target == nullptr) {
    fprintf(stderr, "no visible window of class %s\n", className);
    return 2;
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(target, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) return 3;
  void* remote = VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  int code = 3;
  if (remote != nullptr && WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr)) {
    DWORD_PTR result = 0;
    code = SendMessageTimeoutA(target, kDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                               SMTO_NORMAL, 10000, &result) != 0
               ? 0
               : 4;
  }
  if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return code;
}

// Half a second of a 440 Hz tone through PlaySound from memory.
// Adds a CA certificate (PEM or DER) to the local machine's trusted roots of the prefix this
// runs in, so HTTPS to a server holding a certificate it signed verifies there; adding it again
// replaces it. Exit 0 on success, 2 when the file cannot be read, 3 when it is no certificate,
// 4 when the store refuses it.
int TrustRoot(const char* path) {
  FILE* f = fopen(path, "rb");
  if (f == nullptr) {
    fprintf(stderr, "trust-root: cannot open %s\n", path);
    return 2;
  }
  std::vector<BYTE> file;
  BYTE chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0 && file.size() < 65536) {
    file.insert(file.end(), chunk, chunk + n);
  }
  fclose(f);
  std::vector<BYTE> der = file;
  DWORD size = 0;
  const DWORD fileSize = static_cast<DWORD>(file.size());
  const char* text = reinterpret_cast<const char*>(file.data());
  if (CryptStringToBinaryA(text, fileSize, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                           nullptr) && size > 0) {
    der.assign(size, 0);
    if (!CryptStringToBinaryA(text, fileSize, CRYPT_STRING_BASE64HEADER, der.data(), &size,
                              nullptr, nullptr)) {
      der = file;
    } else {
      der.resize(size);
    }
  }
  PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()));
  if (cert == nullptr) {
    fprintf(stderr, "trust-root: %s holds no certificate\n", path);
    return 3;
  }
  CertFreeCertificateContext(cert);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                   CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
  if (store == nullptr) {
    fprintf(stderr, "trust-root: cannot open the Root store (%lu)\n", GetLastError());
    return 4;
  }
  const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                      static_cast<DWORD>(der.size()),
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = GetLastError();
  CertCloseStore(store, 0);
  if (!added) {
    fprintf(stderr, "trust-root: the Root store refused the certificate (%lu)\n", error);
    return 4;
  }
  printf("trusted\n");
  return 0;
}

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

HWND AnchoredDialog();

// The dialog box a user could act on: the active window when it is a dialog; else one visible
// and enabled (a dialog under a message box of its own is disabled), else the first visible one.
// The active one comes first because a message box kept on top stays in front of a dialog
// opened after it, which is the one in use.
HWND ActiveDialog() {
  if (HWND anchored = AnchoredDialog()) return anchored;
  HWND active = GetForegroundWindow();
  char name[16] = {};
  if (active != nullptr && GetClassNameA(active, name, sizeof name) > 0 && strcmp(name, "#32770") == 0 &&
      IsWindowVisible(active) && IsWindowEnabled(active)) {
    return active;
  }
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

// Moves a track bar of the dialog in use as a user's drag would end: new position, then
// the scroll notification to the dialog.
int Slide(int id, int position) {
  HWND w = ActiveDialog();
  if (w == nullptr) return 2;
  HWND track = GetDlgItem(w, id);
  if (track == nullptr) return 3;
  SendMessageA(track, TBM_SETPOS, TRUE, position);
  SendMessageA(w, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(track));
  return 0;
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

// The glyphs of a text in the clock's news font, as the ticker asks for them: one
// "font" line with the face Wine chose and the metrics, then per character a "glyph" line
// (character code, black box, origin, advance, bitmap row stride) and its rows of 8-bit grey
// (0-64) in hexadecimal. A character the font cannot supply ends the list with "error", as it
// ends the ticker's text.
int Glyphs(const wchar_t* wide) {
  if (wide == nullptr) return 2;
  char text[2048] = {};
  if (WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr) == 0) return 2;
  // The ticker's font: "ＭＳ ゴシック" in code page 932, height -24, width 12, weight 400,
  // character set 128.
  HFONT font = CreateFontW(-24, 12, 0, 0, 400, 0, 0, 0, 128, 0, 0, 0, 0,
                           L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF");
  HDC dc = CreateCompatibleDC(nullptr);
  if (font == nullptr || dc == nullptr) return 3;
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  wchar_t face[64] = {};
  GetTextFaceW(dc, 64, face);
  char faceUtf8[256] = {};
  WideCharToMultiByte(CP_UTF8, 0, face, -1, faceUtf8, sizeof faceUtf8, nullptr, nullptr);
  printf("font height=%ld ascent=%ld face=%s\n", static_cast<long>(metrics.tmHeight),
         static_cast<long>(metrics.tmAscent), faceUtf8);
  static const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  static unsigned char grey[10240];
  for (size_t i = 0; text[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    UINT code = c;
    if (IsDBCSLeadByte(c) && text[i + 1] != '\0') {
      code = (static_cast<UINT>(c) << 8) | static_cast<unsigned char>(text[i + 1]);
      ++i;
    }
    GLYPHMETRICS gm = {};
    const DWORD size = GetGlyphOutlineA(dc, code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &kIdentity);
    if (size == GDI_ERROR || size > sizeof grey) {
      printf("glyph code=0x%x error\n", code);
      break;
    }
    const int stride = (static_cast<int>(gm.gmBlackBoxX) + 3) & ~3;
    int rows = static_cast<int>(gm.gmBlackBoxY);
    memset(grey, 0, sizeof grey);
    if (size > 0 && GetGlyphOutlineA(dc, code, GGO_GRAY8_BITMAP, &gm, sizeof grey, grey,
                                     &kIdentity) == GDI_ERROR) {
      printf("glyph code=0x%x error\n", code);
      break;
    }
    if (size == 0 || static_cast<size_t>(stride) * rows > sizeof grey) rows = 0;
    printf("glyph code=0x%x box=%u,%u origin=%ld,%ld advance=%d,%d stride=%d rows=%d\n", code,
           gm.gmBlackBoxX, gm.gmBlackBoxY, static_cast<long>(gm.gmptGlyphOrigin.x),
           static_cast<long>(gm.gmptGlyphOrigin.y), gm.gmCellIncX, gm.gmCellIncY, stride, rows);
    for (int r = 0; r < rows; ++r) {
      for (int x = 0; x < stride; ++x) printf("%02x", grey[r * stride + x]);
      printf("\n");
    }
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  return 0;
}

// The third argument as the command line holds it: the ANSI argv would already have lost what
// code page 932 cannot write.
const wchar_t* GlyphText() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  return args != nullptr && count >= 3 ? args[2] : nullptr;
}

// A list view's rows in another process: the item records and texts live in memory allocated
// there, since the list's messages carry pointers. One line per row: its screen rectangle, then
// its six cells in UTF-8, separated by tabs.
int ListView(int id) {
  HWND list = DialogControl(id);
  if (list == nullptr) return 3;
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return 4;
  const SIZE_T textBytes = 1024 * sizeof(wchar_t);
  char* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + textBytes + sizeof(RECT), MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) {
    CloseHandle(process);
    return 5;
  }
  wchar_t* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  char* remoteRect = remote + sizeof(LVITEMW) + textBytes;
  const LRESULT count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
  printf("count=%ld\n", static_cast<long>(count));
  for (LRESULT row = 0; row < count; ++row) {
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    SIZE_T moved = 0;
    WriteProcessMemory(process, remoteRect, &rect, sizeof rect, &moved);
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remoteRect));
    ReadProcessMemory(process, remoteRect, &rect, sizeof rect, &moved);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    printf("row %ld rect=%ld,%ld,%ld,%ld", static_cast<long>(row), rect.left, rect.top, rect.right,
           rect.bottom);
    for (int column = 0; column < 6; ++column) {
      LVITEMW item = {};
      item.iSubItem = column;
      item.pszText = remoteText;
      item.cchTextMax = 1024;
      WriteProcessMemory(process, remote, &item, sizeof item, &moved);
      SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
      wchar_t wide[1024] = {};
      ReadProcessMemory(process, remoteText, wide, sizeof wide - sizeof(wchar_t), &moved);
      char utf8[4096] = {};
      WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
      for (char* p = utf8; *p; ++p) {
        if (*p == '\t' || *p == '\n' || *p == '\r') *p = ' ';
      }
      printf("\t%s", utf8);
    }
    printf("\n");
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return 0;
}

// Selects entry `index` of a combo box and tells its dialog, as a user's choice does.
int Select(int id, int index) {
  HWND w = ActiveDialog();
  HWND control = w != nullptr ? GetDlgItem(w, id) : nullptr;
  if (control == nullptr) return 3;
  if (SendMessageA(control, CB_SETCURSEL, index, 0) == CB_ERR) return 4;
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
  return 0;
}

// Whether the window of the class answers a sent message within `ms` milliseconds.
int Ping(const char* className, unsigned ms) {
  std::vector<HWND> windows = WindowsOfClass(className);
  if (windows.empty()) return 2;
  HWND target = windows[0];
  for (HWND w : windows) {
    if (IsWindowVisible(w)) target = w;
  }
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &result) ? 0 : 3;
}

// The browser stand-in: appends its argument to the file TARVO_LINK_LOG names.
int Record(const char* what) {
  char path[MAX_PATH] = {};
  if (GetEnvironmentVariableA("TARVO_LINK_LOG", path, sizeof path) == 0) return 2;
  FILE* f = fopen(path, "ab");
  if (f == nullptr) return 3;
  fprintf(f, "%s\n", what);
  fclose(f);
  return 0;
}

// ---- Alarm windows: several dialog boxes may be up at once (stop windows stay on top), so
// these act on the one whose title is given rather than on the first that takes input.

// The visible dialog box whose title is `utf8Title`, or null.
HWND DialogTitled(const char* utf8Title) {
  wchar_t wanted[256] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8Title, -1, wanted, 256);
  for (HWND w : WindowsOfClass("#32770")) {
    wchar_t title[256] = {};
    GetWindowTextW(w, title, 256);
    if (IsWindowVisible(w) && lstrcmpW(title, wanted) == 0) return w;
  }
  return nullptr;
}

// The title argument as the command line holds it (the ANSI argv loses what code page 932
// cannot write), in UTF-8.
bool TitleArgument(int index, char* utf8, int capacity) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr || count <= index) return false;
  return WideCharToMultiByte(CP_UTF8, 0, args[index], -1, utf8, capacity, nullptr, nullptr) > 0;
}

// Posts a command (a button's id) to the dialog of that title.
int CommandTo(int id) {
  char title[512];
  if (!TitleArgument(2, title, sizeof title)) return 2;
  HWND w = DialogTitled(title);
  if (w == nullptr) return 2;
  return PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, id)))
             ? 0
             : 3;
}

// Clicks a control of the dialog of that title as the mouse does (the control takes the focus).
int ClickIn(int id) {
  char title[512];
  if (!TitleArgument(2, title, sizeof title)) return 2;
  HWND w = DialogTitled(title);
  HWND control = w != nullptr ? GetDlgItem(w, id) : nullptr;
  if (control == nullptr) return 3;
  SendMessageA(control, BM_CLICK, 0, 0);
  return 0;
}

// What the dialog of that title answers to a hit test at a point of its own window, relative to
// its top-left corner: "hit=N".
int HitTest(int x, int y) {
  char title[512];
  if (!TitleArgument(2, title, sizeof title)) return 2;
  HWND w = DialogTitled(title);
  if (w == nullptr) return 2;
  RECT r;
  GetWindowRect(w, &r);
  DWORD_PTR hit = 0;
  if (!SendMessageTimeoutA(w, WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y), SMTO_ABORTIFHUNG, 2000, &hit)) {
    return 3;
  }
  printf("hit=%lu\n", static_cast<unsigned long>(hit));
  return 0;
}

// Sends a message to the dialog of that title and prints what it answered: "result=N".
int SendTo(UINT message, WPARAM wParam, LPARAM lParam) {
  char title[512];
  if (!TitleArgument(2, title, sizeof title)) return 2;
  HWND w = DialogTitled(title);
  if (w == nullptr) return 2;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(w, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return 3;
  printf("result=%lu\n", static_cast<unsigned long>(result));
  return 0;
}

// The selected entry of a combo box of the dialog of that title: "sel=N" (-1 for none).
int ComboSelection(int id) {
  char title[512];
  if (!TitleArgument(2, title, sizeof title)) return 2;
  HWND w = DialogTitled(title);
  HWND control = w != nullptr ? GetDlgItem(w, id) : nullptr;
  if (control == nullptr) return 3;
  printf("sel=%ld\n", static_cast<long>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
  return 0;
}

// Posts a key press (WM_KEYDOWN and WM_KEYUP of virtual key `key`) to a control of the dialog
// of that title, as the keyboard delivers it to the control with the focus.
int KeyTo(int id, UINT key) {
  char title[512];
  if (!TitleArgument(2, title, sizeof title)) return 2;
  HWND w = DialogTitled(title);
  HWND control = w != nullptr ? GetDlgItem(w, id) : nullptr;
  if (control == nullptr) return 3;
  PostMessageA(control, WM_KEYDOWN, key, 1);
  PostMessageA(control, WM_KEYUP, key, 0xC0000001);
  return 0;
}

// ---- Player windows: the panel, the list window and a message box are all visible dialogs at
// once, so these pick a dialog by a control it holds.

// The dialog the player commands act on: chosen by a control it holds, since the panel, the
// list window and a message box are all visible dialogs at once. Set by "in ID ...".
int anchorId = 0;

HWND AnchoredDialog() {
  if (anchorId == 0) return nullptr;
  for (HWND w : WindowsOfClass("#32770")) {
    if (IsWindowVisible(w) && GetDlgItem(w, anchorId) != nullptr) return w;
  }
  return nullptr;
}

// Drops files on a window of the program as the shell does: a DROPFILES block with wide paths
// written into the program's memory, then WM_DROPFILES posted with it. The target is a window
// class, or "dialog:ID" for the visible dialog holding control ID. Paths are UTF-8.
int Drop(const char* target, int count, char** utf8Paths) {
  HWND window = nullptr;
  if (strncmp(target, "dialog:", 7) == 0) {
    anchorId = static_cast<int>(Number(target + 7));
    window = AnchoredDialog();
  } else {
    for (HWND w : WindowsOfClass(target)) {
      if (window == nullptr || IsWindowVisible(w)) window = w;
    }
  }
  if (window == nullptr) return 2;
  std::vector<wchar_t> names;
  for (int i = 0; i < count; ++i) {
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_UTF8, 0, utf8Paths[i], -1, wide, MAX_PATH) == 0) return 3;
    names.insert(names.end(), wide, wide + wcslen(wide) + 1);
  }
  names.push_back(L'\0');
  std::vector<char> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  DROPFILES header = {};
  header.pFiles = sizeof(DROPFILES);
  header.fWide = TRUE;
  memcpy(block.data(), &header, sizeof header);
  memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return 4;
  void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
  SIZE_T written = 0;
  const bool ok = remote != nullptr &&
                  WriteProcessMemory(process, remote, block.data(), block.size(), &written) &&
                  written == block.size();
  CloseHandle(process);
  if (!ok) return 5;
  return PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0) ? 0 : 6;
}

// Moves a track bar of the dialog that holds it as a user's drag would end: the new position,
// then the scroll message its orientation sends.
int SlideAny(int id, int position) {
  anchorId = id;
  HWND w = AnchoredDialog();
  if (w == nullptr) return 2;
  HWND track = GetDlgItem(w, id);
  SendMessageA(track, TBM_SETPOS, TRUE, position);
  const bool vertical = (GetWindowLongA(track, GWL_STYLE) & TBS_VERT) != 0;
  SendMessageA(w, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
               reinterpret_cast<LPARAM>(track));
  return 0;
}

// A track bar's range and position: "min=N max=N pos=N".
int TrackState(int id) {
  anchorId = id;
  HWND w = AnchoredDialog();
  if (w == nullptr) return 2;
  HWND track = GetDlgItem(w, id);
  printf("min=%ld max=%ld pos=%ld\n", static_cast<long>(SendMessageA(track, TBM_GETRANGEMIN, 0, 0)),
         static_cast<long>(SendMessageA(track, TBM_GETRANGEMAX, 0, 0)),
         static_cast<long>(SendMessageA(track, TBM_GETPOS, 0, 0)));
  return 0;
}

BOOL CALLBACK PrintControl(HWND child, LPARAM) {
  char cls[64] = {};
  GetClassNameA(child, cls, sizeof cls);
  RECT r;
  GetWindowRect(child, &r);
  printf("control id=%d class=%s rect=%ld,%ld,%ld,%ld visible=%d enabled=%d style=0x%08lx ",
         GetDlgCtrlID(child), cls, r.left, r.top, r.right, r.bottom, IsWindowVisible(child) ? 1 : 0,
         IsWindowEnabled(child) ? 1 : 0, static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)));
  PrintText("text", child);
  return TRUE;
}

// The dialog holding control ID: its window line (as "info" prints it, with its title), then
// one line per control with its screen rectangle, state and text.
int Controls(int id) {
  anchorId = id;
  HWND w = AnchoredDialog();
  if (w == nullptr) return 2;
  RECT r;
  GetWindowRect(w, &r);
  printf("dialog window=%lu style=0x%08lx exstyle=0x%08lx rect=%ld,%ld,%ld,%ld ",
         static_cast<unsigned long>(reinterpret_cast<uintptr_t>(w)),
         static_cast<unsigned long>(GetWindowLongA(w, GWL_STYLE)),
         static_cast<unsigned long>(GetWindowLongA(w, GWL_EXSTYLE)), r.left, r.top, r.right, r.bottom);
  PrintText("title", w);
  EnumChildWindows(w, PrintControl, 0);
  return 0;
}

// ---- What Windows does to a program from outside, which Wine never does by itself.

// The clock's tray entry (id 1 on any window of the class), asked of the shell: "icon=1" when
// the shell has it. With `remove`, the entry is deleted instead, as a taskbar that is gone has
// lost it.
int TrayIcon(const char* className, bool remove) {
  std::vector<HWND> windows = WindowsOfClass(className);
  if (windows.empty()) return 2;
  bool found = false;
  for (HWND w : windows) {
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof data;
    data.hWnd = w;
    data.uID = 1;
    // A modify that changes nothing succeeds only for an entry the shell holds.
    found = Shell_NotifyIconA(remove ? NIM_DELETE : NIM_MODIFY, &data) || found;
  }
  printf("icon=%d\n", found ? 1 : 0);
  return 0;
}

// Posts a registered message to every top-level window, as the shell announces a new taskbar.
int Broadcast(const char* name) {
  const UINT message = RegisterWindowMessageA(name);
  if (message == 0) return 2;
  return PostMessageA(HWND_BROADCAST, message, 0, 0) ? 0 : 3;
}

LRESULT CALLBACK RefusingTray(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Every notification-icon request reaches the taskbar as WM_COPYDATA: refused.
  if (message == WM_COPYDATA) return FALSE;
  return DefWindowProcA(window, message, wParam, lParam);
}

// A taskbar that is not ready: for `ms` milliseconds the shell's requests for icons find this
// window before the real taskbar and are refused, as they fail before Explorer has made its
// taskbar (a program started with Windows can come first).
int FakeTaskbar(unsigned ms) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RefusingTray;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Shell_TrayWnd";
  if (RegisterClassA(&wc) == 0) return 2;
  HWND tray = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0,
                              1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  if (tray == nullptr) return 3;
  printf("taskbar refusing\n");
  fflush(stdout);
  const DWORD start = GetTickCount();
  for (DWORD now = start; now - start < ms; now = GetTickCount()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (now - start), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  DestroyWindow(tray);
  return 0;
}

struct ProcessWindows {
  DWORD process;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM param) {
  ProcessWindows* found = reinterpret_cast<ProcessWindows*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == found->process) found->windows.push_back(window);
  return TRUE;
}

// A log-off as Windows makes it for the process that has windows of the class: every top-level
// window of it is asked WM_QUERYENDSESSION, then told WM_ENDSESSION (TRUE), each with the five
// seconds Windows waits. Prints "query=N" (windows that refused) and "ended ms=N"; fails when a
// window did not answer in time (one that is gone meanwhile, its process having quit, has no
// more to answer). The caller then ends the process, as Windows does.
int EndSession(const char* className) {
  std::vector<HWND> windows = WindowsOfClass(className);
  if (windows.empty()) return 2;
  ProcessWindows all = {0, {}};
  GetWindowThreadProcessId(windows[0], &all.process);
  EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&all));
  const DWORD start = GetTickCount();
  int refused = 0;
  bool answered = true;
  auto ask = [&answered](HWND w, UINT message, WPARAM wParam, DWORD_PTR* result) {
    SetLastError(0);
    if (SendMessageTimeoutA(w, message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, result) == 0 &&
        (GetLastError() == ERROR_TIMEOUT || IsWindow(w))) {
      answered = false;
    }
  };
  for (HWND w : all.windows) {
    DWORD_PTR result = TRUE;
    ask(w, WM_QUERYENDSESSION, 0, &result);
    if (result == FALSE) ++refused;
  }
  printf("query=%d\n", refused);
  for (HWND w : all.windows) {
    DWORD_PTR result = 0;
    if (IsWindow(w)) ask(w, WM_ENDSESSION, TRUE, &result);
  }
  printf("ended ms=%lu\n", static_cast<unsigned long>(GetTickCount() - start));
  return answered ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  // "in ID COMMAND ...": the dialog commands below act on the visible dialog holding control ID.
  while (argc >= 4 && strcmp(argv[1], "in") == 0) {
    anchorId = static_cast<int>(Number(argv[2]));
    argc -= 2;
    argv += 2;
  }
  if (argc >= 4 && strcmp(argv[1], "drop") == 0) {
    // The paths as the command line holds them: the ANSI argv would lose what code page 932
    // cannot write.
    int wideCount = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    std::vector<std::string> utf8;
    std::vector<char*> pointers;
    const int first = wideCount - (argc - 3);
    for (int i = first; wide != nullptr && i < wideCount; ++i) {
      char buffer[MAX_PATH * 4] = {};
      WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, buffer, sizeof buffer, nullptr, nullptr);
      utf8.push_back(buffer);
    }
    for (std::string& u : utf8) pointers.push_back(&u[0]);
    return Drop(argv[2], static_cast<int>(pointers.size()), pointers.data());
  }
  if (argc >= 4 && strcmp(argv[1], "slide-any") == 0) {
    return SlideAny(static_cast<int>(Number(argv[2])), static_cast<int>(Number(argv[3])));
  }
  if (argc >= 3 && strcmp(argv[1], "controls") == 0) return Controls(static_cast<int>(Number(argv[2])));
  if (argc >= 3 && strcmp(argv[1], "track") == 0) return TrackState(static_cast<int>(Number(argv[2])));
  if (argc >= 3 && strcmp(argv[1], "info") == 0) return Info(argv[2]);
  if (argc >= 3 && strcmp(argv[1], "tray") == 0) {
    return TrayIcon(argv[2], argc > 3 && strcmp(argv[3], "delete") == 0);
  }
  if (argc >= 3 && strcmp(argv[1], "broadcast") == 0) return Broadcast(argv[2]);
  if (argc >= 3 && strcmp(argv[1], "fake-taskbar") == 0) {
    return FakeTaskbar(static_cast<unsigned>(Number(argv[2])));
  }
  if (argc >= 3 && strcmp(argv[1], "end-session") == 0) return EndSession(argv[2]);
  if (argc >= 3 && strcmp(argv[1], "trust-root") == 0) return TrustRoot(argv[2]);
  if (argc >= 4 && (strcmp(argv[1], "post") == 0 || strcmp(argv[1], "post-owner") == 0)) {
    return Post(argv[2], Number(argv[3]), argc > 4 ? Number(argv[4]) : 0,
                argc > 5 ? static_cast<LPARAM>(Number(argv[5])) : 0,
                strcmp(argv[1], "post-owner") == 0);
  }
  if (argc >= 8 && strcmp(argv[1], "dpichanged") == 0) {
    const RECT suggested = {static_cast<LONG>(strtol(argv[4], nullptr, 0)), static_cast<LONG>(strtol(argv[5], nullptr, 0)),
                            static_cast<LONG>(strtol(argv[6], nullptr, 0)), static_cast<LONG>(strtol(argv[7], nullptr, 0))};
    return DpiChanged(argv[2], static_cast<int>(Number(argv[3])), suggested);
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
  if (argc >= 3 && strcmp(argv[1], "glyphs") == 0) return Glyphs(GlyphText());
  if (argc >= 3 && strcmp(argv[1], "listview") == 0) return ListView(static_cast<int>(Number(argv[2])));
  if (argc >= 4 && strcmp(argv[1], "select") == 0) {
    return Select(static_cast<int>(Number(argv[2])), static_cast<int>(Number(argv[3])));
  }
  if (argc >= 4 && strcmp(argv[1], "ping") == 0) return Ping(argv[2], static_cast<unsigned>(Number(argv[3])));
  if (argc >= 3 && strcmp(argv[1], "record") == 0) return Record(argv[2]);
  if (argc >= 4 && strcmp(argv[1], "command-to") == 0) return CommandTo(static_cast<int>(Number(argv[3])));
  if (argc >= 4 && strcmp(argv[1], "click-in") == 0) return ClickIn(static_cast<int>(Number(argv[3])));
  if (argc >= 4 && strcmp(argv[1], "combo-sel") == 0) return ComboSelection(static_cast<int>(Number(argv[3])));
  if (argc >= 5 && strcmp(argv[1], "key-to") == 0) {
    return KeyTo(static_cast<int>(Number(argv[3])), static_cast<UINT>(Number(argv[4])));
  }
  if (argc >= 5 && strcmp(argv[1], "hittest") == 0) {
    return HitTest(static_cast<int>(Number(argv[3])), static_cast<int>(Number(argv[4])));
  }
  if (argc >= 4 && strcmp(argv[1], "send-to") == 0) {
    return SendTo(Number(argv[3]), argc > 4 ? Number(argv[4]) : 0,
                  argc > 5 ? static_cast<LPARAM>(Number(argv[5])) : 0);
  }
  fprintf(stderr,
          "usage: wintool info CLASS | post|post-owner CLASS MSG [WPARAM [LPARAM]] | tone | dialogs | "
          "press ID | slide ID POS | click ID | settext ID TEXT | state ID | glyphs TEXT | listview ID | "
          "select ID N | ping CLASS MS | record TEXT | command-to TITLE ID | click-in TITLE ID | "
          "hittest TITLE X Y | send-to TITLE MSG [WPARAM [LPARAM]] | combo-sel TITLE ID | key-to TITLE ID VK | "
          "drop CLASS|dialog:ID PATH... | slide-any ID POS | track ID | controls ID | in ID COMMAND... | "
          "tray CLASS [delete] | broadcast NAME | fake-taskbar MS | end-session CLASS | trust-root CERT | "
          "dpichanged CLASS DPI LEFT TOP RIGHT BOTTOM\n");
  return 1;
}
