// Dialogs from the resource script: one wrapper procedure places every dialog once its own
// initialisation has filled it, so no dialog procedure has to remember to.
#include "base/dialog_win32.h"

#include "base/placement_win32.h"
#include "base/window_handles_win32.h"

namespace {

constexpr char kRunProperty[] = "TarvoDialogRun";

struct DialogRun {
  DLGPROC procedure;
  LPARAM param;
  DialogPlace place;
  bool owned;  // allocated for a modeless dialog, freed with its window
};

INT_PTR CALLBACK PlacingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    DialogRun* run = reinterpret_cast<DialogRun*>(lParam);
    SetPropA(dialog, kRunProperty, run);
    const INT_PTR result = run->procedure(dialog, message, wParam, run->param);
    if (run->place == DialogPlace::kBesideClock) PlaceBesideClock(dialog);
    if (run->place == DialogPlace::kOnMonitor) KeepOnMonitor(dialog);
    return result;
  }
  DialogRun* run = static_cast<DialogRun*>(GetPropA(dialog, kRunProperty));
  // Messages before WM_INITDIALOG (WM_SETFONT) find no run yet and get the default handling.
  if (run == nullptr) return FALSE;
  const INT_PTR result = run->procedure(dialog, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    RemovePropA(dialog, kRunProperty);
    if (run->owned) delete run;
  }
  return result;
}

}  // namespace

INT_PTR RunDialog(const char* name, HWND owner, DLGPROC procedure, LPARAM param,
                  DialogPlace place) {
  DialogRun run = {procedure, param, place, false};
  return DialogBoxParamA(AppInstance, name, owner, PlacingProc, reinterpret_cast<LPARAM>(&run));
}

HWND OpenDialog(const char* name, HWND owner, DLGPROC procedure, LPARAM param, DialogPlace place) {
  DialogRun* run = new DialogRun{procedure, param, place, true};
  HWND dialog =
      CreateDialogParamA(AppInstance, name, owner, PlacingProc, reinterpret_cast<LPARAM>(run));
  if (dialog == nullptr) delete run;
  return dialog;
}

bool SetOutsideLabel(HWND control, const wchar_t* text, int reserved) {
  // A label longer than this is cut here first; no control shows that much on one line.
  constexpr int kLongest = 512;
  wchar_t shown[kLongest + 2];
  int length = 0;
  while (length < kLongest && text[length] != L'\0') {
    shown[length] = text[length];
    ++length;
  }
  bool cut = text[length] != L'\0';
  RECT client;
  GetClientRect(control, &client);
  const int room = client.right - reserved;
  HDC dc = GetDC(control);
  if (dc != nullptr) {
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ before = SelectObject(dc, font);
    SIZE whole = {};
    GetTextExtentPoint32W(dc, shown, length, &whole);
    if (whole.cx > room || cut) {
      SIZE dots = {};
      GetTextExtentPoint32W(dc, L"…", 1, &dots);
      int fit = 0;
      SIZE part = {};
      GetTextExtentExPointW(dc, shown, length, room > dots.cx ? room - dots.cx : 0, &fit, nullptr,
                            &part);
      // Never half a surrogate pair, nor a blank before the dots.
      if (fit > 0 && IS_HIGH_SURROGATE(shown[fit - 1])) --fit;
      while (fit > 0 && shown[fit - 1] == L' ') --fit;
      length = fit;
      shown[length++] = L'…';
      cut = true;
    }
    SelectObject(dc, before);
    ReleaseDC(control, dc);
  }
  wchar_t label[2 * (kLongest + 1) + 1];
  int at = 0;
  for (int i = 0; i < length; ++i) {
    if (shown[i] == L'&') label[at++] = L'&';
    label[at++] = shown[i];
  }
  label[at] = L'\0';
  SetWindowTextW(control, label);
  return cut;
}
