// Every dialog of the resource script, made from its template: each label, group caption, check
// box and button text fits its control in the dialog's own font, with a tenth to spare for the
// wider user-interface font of Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

// What the text may need beyond what Wine's font measures here.
constexpr double kWiderFont = 1.10;
// Room a control takes from its text: the push button's edges, the check box or radio circle
// with its gap, the group frame's corner and the blank left each side of its caption.
constexpr int kButtonEdges = 6;
constexpr int kCheckBoxRoom = 18;
constexpr int kGroupCaptionRoom = 16;

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* names = reinterpret_cast<std::vector<std::string>*>(param);
  // Every dialog of ours is named; a number would need MAKEINTRESOURCE to be kept.
  if (!IS_INTRESOURCE(name)) names->push_back(name);
  return TRUE;
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The text as drawn: a single '&' marks the next letter and is not drawn.
std::string Drawn(const std::string& text, bool prefixes) {
  if (!prefixes) return text;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

struct Check {
  std::string dialog;
  std::vector<std::string> faults;
};

BOOL CALLBACK CheckControl(HWND control, LPARAM param) {
  Check* check = reinterpret_cast<Check*>(param);
  char className[32] = {};
  GetClassNameA(control, className, sizeof className);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  const bool isStatic = lstrcmpiA(className, "Static") == 0;
  const bool isButton = lstrcmpiA(className, "Button") == 0;
  if (!isStatic && !isButton) return TRUE;
  char text[512] = {};
  GetWindowTextA(control, text, sizeof text);
  if (text[0] == '\0') return TRUE;
  const LONG kind = style & (isStatic ? SS_TYPEMASK : BS_TYPEMASK);
  const bool prefixes = isStatic ? (style & SS_NOPREFIX) == 0 : true;
  const std::string drawn = Drawn(text, prefixes);
  RECT box;
  GetClientRect(control, &box);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32A(dc, drawn.c_str(), static_cast<int>(drawn.size()), &extent);
  const int needed = static_cast<int>(extent.cx * kWiderFont + 0.999);
  int room = box.right;
  bool fits = true;
  if (isStatic && (kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT)) {
    // Labels wrap: the text, drawn as the label draws it in a box a tenth narrower, must not
    // need more lines than the label has room for, nor a word wider than the box.
    const LONG narrow = static_cast<LONG>(box.right / kWiderFont);
    RECT wrapped = {0, 0, narrow, 0};
    DrawTextA(dc, drawn.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    fits = wrapped.bottom <= box.bottom && wrapped.right <= narrow;
  } else if (isStatic && kind == SS_LEFTNOWORDWRAP) {
    fits = needed <= room;
  } else if (isButton) {
    switch (kind) {
      case BS_GROUPBOX:
        room -= kGroupCaptionRoom;
        break;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
      case BS_3STATE:
      case BS_AUTO3STATE:
        room -= kCheckBoxRoom;
        break;
      default:
        room -= kButtonEdges;
        break;
    }
    fits = needed <= room;
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  if (!fits) {
    check->faults.push_back(check->dialog + ": \"" + text + "\" needs " + std::to_string(needed) +
                            " px, has " + std::to_string(room) + " px (control " +
                            std::to_string(box.right) + " x " + std::to_string(box.bottom) + ")");
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
  std::vector<std::string> faults;
  for (const std::string& name : names) {
    HWND dialog = CreateDialogParamA(module, name.c_str(), nullptr, Inert, 0);
    ASSERT_NE(dialog, nullptr) << name;
    Check check = {name, {}};
    EnumChildWindows(dialog, CheckControl, reinterpret_cast<LPARAM>(&check));
    faults.insert(faults.end(), check.faults.begin(), check.faults.end());
    DestroyWindow(dialog);
  }
  std::string all;
  for (const std::string& f : faults) all += f + "\n";
  EXPECT_TRUE(faults.empty()) << all;
}

}  // namespace
