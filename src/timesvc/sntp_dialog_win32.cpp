// The time-server dialog: an editable list of the built-in servers over TimeServer, the
// start-up box over SntpUse, and a button that syncs now on a copy of the field's text.
#include "timesvc/sntp_dialog_win32.h"

#include "base/dialog_win32.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "render/frame.h"
#include "settings/ntp_servers.h"
#include "settings/settings.h"
#include "timesvc/sntp_win32.h"

namespace {

constexpr char kNoServer[] = "接続するNTPサーバーを登録してください。";

// True from the start of a sync until its button is usable again, so a click that reaches the
// dialog meanwhile (a posted command, one dispatched by the failure box's loop) starts nothing.
bool syncing = false;
// When the last sync ended (GetTickCount): input stamped before it was queued during the
// exchange, while the button was disabled, and is dropped.
DWORD syncEnded = 0;
bool anySync = false;

void Warn(HWND owner, const char* text) { MessageBoxA(owner, text, AppCaption, MB_ICONWARNING); }

void SyncNow(HWND dialog) {
  if (syncing) {
    TraceEvent("SNTPC sync ignored: one is running");
    return;
  }
  if (anySync && static_cast<LONG>(static_cast<DWORD>(GetMessageTime()) - syncEnded) < 0) {
    TraceEvent("SNTPC sync ignored: clicked during the last one");
    return;
  }
  char server[kPathCapacity] = {};
  GetDlgItemTextA(dialog, IDC_SNTP_SERVER, server, sizeof server);
  if (server[0] == '\0') {
    // Owned by the dialog: a box owned by the clock would enable the clock again on closing
    // while this modal dialog is still open.
    Warn(dialog, kNoServer);
    return;
  }
  syncing = true;
  HWND button = GetDlgItem(dialog, IDC_SNTP_SYNC_NOW);
  EnableWindow(button, FALSE);
  const char* failure = SyncFailureText(SyncClock(server));
  // Mouse and key input that arrived while this thread was busy is not for the dialog's new
  // state: drop it, so a click made during the exchange cannot start another.
  MSG pending;
  while (PeekMessageA(&pending, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
         PeekMessageA(&pending, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  syncEnded = GetTickCount();
  anySync = true;
  if (failure != nullptr) {
    Warn(dialog, failure);
  } else {
    RequestFrame(kFrameRedraw);
  }
  EnableWindow(button, TRUE);
  syncing = false;
}

}  // namespace

INT_PTR CALLBACK TimeServerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(dialog, IDC_SNTP_SERVER, CB_LIMITTEXT, kPathCapacity - 1, 0);
      for (int i = 0; i < kNtpServerCount && NtpServerList[i][0] != '\0'; ++i) {
        SendDlgItemMessageA(dialog, IDC_SNTP_SERVER, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(NtpServerList[i]));
      }
      CheckDlgButton(dialog, IDC_SNTP_USE, SntpUse ? BST_CHECKED : BST_UNCHECKED);
      SetDlgItemTextA(dialog, IDC_SNTP_SERVER, TimeServer);
      syncing = false;
      anySync = false;
      TraceEvent("SNTPC open TimeServer=%s SntpUse=%d", TimeServer, SntpUse.load());
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SNTP_SYNC_NOW:
          if (HIWORD(wParam) == BN_CLICKED) SyncNow(dialog);
          return TRUE;
        case IDOK:
          if (syncing) return TRUE;
          GetDlgItemTextA(dialog, IDC_SNTP_SERVER, TimeServer, kPathCapacity);
          if (TimeServer[0] != '\0') {
            SntpUse = IsDlgButtonChecked(dialog, IDC_SNTP_USE) == BST_CHECKED ? 1 : 0;
          }
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          if (syncing) return TRUE;
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void ShowTimeServerDialog(HWND owner) {
  RunDialog("SNTPC", owner, TimeServerDialogProc, 0, DialogPlace::kBesideClock);
  TraceEvent("SNTPC closed TimeServer=%s SntpUse=%d", TimeServer, SntpUse.load());
}
