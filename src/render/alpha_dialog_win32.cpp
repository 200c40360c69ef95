// The transparency dialog: track bar and check box over ALPHA and AlphaUse, with live preview.
#include "render/alpha_dialog_win32.h"

#include <commctrl.h>

#include <initializer_list>

#include "base/dialog_win32.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "render/frame.h"
#include "settings/settings.h"

namespace {

uint8_t alphaBefore = 255;

void EnableSlider(HWND dialog, bool enable) {
  for (int id : {IDC_ALPHA_TRACK, IDC_ALPHA_LOW_LABEL, IDC_ALPHA_HIGH_LABEL}) {
    EnableWindow(GetDlgItem(dialog, id), enable);
  }
}

uint8_t SliderValue(HWND dialog) {
  LRESULT pos = SendDlgItemMessageA(dialog, IDC_ALPHA_TRACK, TBM_GETPOS, 0, 0);
  // The range is 10-255; clamp anyway so a stray value can never wrap.
  if (pos < 10) pos = 10;
  if (pos > 255) pos = 255;
  return static_cast<uint8_t>(pos);
}

}  // namespace

INT_PTR CALLBACK AlphaDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      alphaBefore = ALPHA;
      SendDlgItemMessageA(dialog, IDC_ALPHA_TRACK, TBM_SETRANGE, TRUE, MAKELPARAM(10, 255));
      SendDlgItemMessageA(dialog, IDC_ALPHA_TRACK, TBM_SETPOS, TRUE, ALPHA);
      if (AlphaUse) {
        CheckDlgButton(dialog, IDC_ALPHA_USE, BST_CHECKED);
      } else {
        EnableSlider(dialog, false);
      }
      return TRUE;
    case WM_HSCROLL:
      ALPHA = SliderValue(dialog);
      TraceEvent("ALPHA %u", ALPHA.load());
      RequestFrame(kFramePush);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ALPHA_USE:
          EnableSlider(dialog, IsDlgButtonChecked(dialog, IDC_ALPHA_USE) == BST_CHECKED);
          return TRUE;
        case IDOK:
          ALPHA = SliderValue(dialog);
          if (IsDlgButtonChecked(dialog, IDC_ALPHA_USE) == BST_CHECKED) {
            AlphaUse = 1;
          } else {
            ALPHA = 255;
            AlphaUse = 0;
          }
          RequestFrame(kFramePush);
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          ALPHA = alphaBefore;
          RequestFrame(kFramePush);
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
  RunDialog("ALPHA", owner, AlphaDialogProc, 0, DialogPlace::kBesideClock);
  TraceEvent("ALPHA dialog closed ALPHA=%u AlphaUse=%d", ALPHA.load(), AlphaUse.load());
}
