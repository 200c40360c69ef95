// The transparency dialog: track bar and check box over ALPHA and AlphaUse, with live preview.
#include "render/alpha_dialog_win32.h"

#include <commctrl.h>

#include <initializer_list>

#include "app/app_win32.h"
#include "app/placement_win32.h"
#include "app/test_hooks_win32.h"
#include "render/surface.h"
#include "settings/settings.h"

namespace {

uint8_t alphaBefore = 255;

void EnableSlider(HWND dialog, bool enable) {
  for (int id : {kAlphaTrack, kAlphaLowLabel, kAlphaHighLabel}) {
    EnableWindow(GetDlgItem(dialog, id), enable);
  }
}

uint8_t SliderValue(HWND dialog) {
  LRESULT pos = SendDlgItemMessageA(dialog, kAlphaTrack, TBM_GETPOS, 0, 0);
  // The range is 10-255; clamp anyway so a stray value can never wrap.
  if (pos < 10) pos = 10;
  if (pos > 255) pos = 255;
  return static_cast<uint8_t>(pos);
}

}  // namespace

INT_PTR CALLBACK AlphaDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      KeepOnMonitor(dialog);
      alphaBefore = ALPHA;
      SendDlgItemMessageA(dialog, kAlphaTrack, TBM_SETRANGE, TRUE, MAKELPARAM(10, 255));
      SendDlgItemMessageA(dialog, kAlphaTrack, TBM_SETPOS, TRUE, ALPHA);
      if (AlphaUse) {
        CheckDlgButton(dialog, kAlphaUseCheck, BST_CHECKED);
      } else {
        EnableSlider(dialog, false);
      }
      PlaceBesideClock(dialog);
      return TRUE;
    case WM_HSCROLL:
      ALPHA = SliderValue(dialog);
      TraceEvent("ALPHA %u", ALPHA);
      PushFrame();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kAlphaUseCheck:
          EnableSlider(dialog, IsDlgButtonChecked(dialog, kAlphaUseCheck) == BST_CHECKED);
          return TRUE;
        case IDOK:
          ALPHA = SliderValue(dialog);
          if (IsDlgButtonChecked(dialog, kAlphaUseCheck) == BST_CHECKED) {
            AlphaUse = 1;
          } else {
            ALPHA = 255;
            AlphaUse = 0;
          }
          PushFrame();
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          ALPHA = alphaBefore;
          PushFrame();
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void ShowAlphaDialog(HWND owner) {
  DialogBoxParamA(AppInstance, "ALPHA", owner, AlphaDialogProc, 0);
  TraceEvent("ALPHA dialog closed ALPHA=%u AlphaUse=%d", ALPHA, AlphaUse);
}
