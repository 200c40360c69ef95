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
