// Every dialog of the resource script, made from its template: each label, group caption, check
// box and button text fits its control in the dialog's own font, with a tenth to spare for the
// wider user-interface font of Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

// Windows' font may need a tenth more: texts are measured against room * 10 / 11.
constexpr int kTenths = 11;
// What a control keeps from its text's width: a push button's edges, a check box or radio
// circle with its gap, a group frame's corner and the blank each side of its caption.
constexpr int kButtonEdges = 6;
constexpr int kCheckBoxRoom = 18;
constexpr int kGroupCaptionRoom = 16;

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  // Every dialog of ours has a name, not a number.
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::string>*>(names)->push_back(name);
  return TRUE;
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The width the control leaves its text, and whether the text breaks into lines; -1 for
// controls without a text of their own.
int TextRoom(HWND control, const RECT& box, bool* wraps) {
  char className[32] = {};
  GetClassNameA(control, className, sizeof className);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  if (lstrcmpiA(className, "Static") == 0) {
    const LONG kind = style & SS_TYPEMASK;
    *wraps = kind != SS_LEFTNOWORDWRAP;
    return kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT || kind == SS_LEFTNOWORDWRAP ? box.right : -1;
  }
  if (lstrcmpiA(className, "Button") != 0) return -1;
  *wraps = (style & BS_MULTILINE) != 0;
  switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX:
      return box.right - kGroupCaptionRoom;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return box.right - kCheckBoxRoom;
    default:
      return box.right - kButtonEdges;
  }
}

BOOL CALLBACK CheckControl(HWND control, LPARAM param) {
  auto* faults = reinterpret_cast<std::vector<std::string>*>(param);
  char text[512] = {};
  RECT box;
  GetClientRect(control, &box);
  bool wraps = false;
  const int room = TextRoom(control, box, &wraps);
  if (room < 0 || GetWindowTextA(control, text, sizeof text) == 0) return TRUE;
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  // Drawn as a label draws it, breaking at words, in a box a tenth narrower than the room: a
  // wider result is a word that does not fit, a taller one more lines than the control has.
  RECT drawn = {0, 0, room * 10 / kTenths, 0};
  DrawTextA(dc, text, -1, &drawn, DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  if (drawn.right * kTenths > room * 10 || drawn.bottom > box.bottom) {
    char line[640];
    snprintf(line, sizeof line, "\"%s\" needs %ld x %ld px of %d x %ld", text,
             static_cast<long>(drawn.right * kTenths / 10), static_cast<long>(drawn.bottom), room,
             static_cast<long>(box.bottom));
    faults->push_back(line);
  }
  return TRUE;
}

TEST(DialogTextsTest, EveryTextOfEveryDialogFitsWithRoomForTheWindowsFont) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HMODULE module = GetModuleHandleA(nullptr);
  std::vector<std::string> names;
  EnumResourceNamesA(module, RT_DIALOG, CollectName, reinterpret_cast<LONG_PTR>(&names));
  ASSERT_GE(names.size(), 10u);
  for (const std::string& name : names) {
    HWND dialog = CreateDialogParamA(module, name.c_str(), nullptr, Inert, 0);
    ASSERT_NE(dialog, nullptr) << name;
    std::vector<std::string> faults;
    EnumChildWindows(dialog, CheckControl, reinterpret_cast<LPARAM>(&faults));
    DestroyWindow(dialog);
    for (const std::string& fault : faults) ADD_FAILURE() << name << ": " << fault;
  }
}

}  // namespace
