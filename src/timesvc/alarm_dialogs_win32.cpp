// The alarm list ("AlarmList") and the editor of one alarm ("ALARM"). Edits go to a copy of the
// table that only the list's OK hands back.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "base/clock_source_win32.h"
#include "base/dialog_win32.h"
#include "base/dpi_win32.h"
#include "base/message_box_win32.h"
#include "base/messages.h"
#include "base/paths_win32.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "player/media_engine_win32.h"
#include "settings/settings.h"
#include "timesvc/alarm_plan.h"
#include "timesvc/alarms_win32.h"
#include "timesvc/clip_player_win32.h"
#include "timesvc/voice_sets_win32.h"

namespace {

constexpr char kNotSet[] = "未設定";
constexpr char kFileChoice[] = "ファイルから";
constexpr char kBadTime[] = "時間の設定がおかしいです。";
constexpr int kSoundColumn = 2;
// Room the list view leaves around a cell's text.
constexpr int kCellPadding = 12;

AlarmRecord AlarmEdits[kAlarmCount];
int EditedAlarm = 0;
int FileChoiceIndex = 2;
bool TestInProgress = false;

LRESULT Send(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

void SetCell(HWND list, int row, int column, const char* text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void SelectRow(HWND list, int row) {
  LVITEMA state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

// Fills the rows again; the selected row stays selected, so Enter edits it again.
void FillList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_ALARM_LIST);
  const int selected = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  for (int n = 1; n <= kAlarmCount; ++n) {
    AlarmRowTexts row;
    AlarmRow(AlarmEdits[n - 1], n, kSoundChoiceNames, kNotSet, IsAnsiLeadByte, &row);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = n - 1;
    item.pszText = row.number;
    const int at = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) continue;
    SetCell(list, at, 1, row.time);
    SetCell(list, at, kSoundColumn, row.sound);
    const int width = static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(row.sound)));
    if (SendMessageA(list, LVM_GETCOLUMNWIDTH, kSoundColumn, 0) < width + kCellPadding) {
      // Not LVSCW_AUTOSIZE_USEHEADER: on the last column that only fills the list's remaining
      // width, which cuts off exactly the long names this is for.
      SendMessageA(list, LVM_SETCOLUMNWIDTH, kSoundColumn, LVSCW_AUTOSIZE);
    }
  }
  if (selected >= 0) SelectRow(list, selected);
}

void ApplyUseBox(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDC_ALARM_LIST), IsDlgButtonChecked(dialog, IDC_ALARM_USE) == BST_CHECKED);
}

void InitList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_ALARM_LIST);
  const LRESULT extra = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extra, extra);
  struct Column {
    const char* title;
    int format;
    int width;
  } const columns[] = {{"No", LVCFMT_LEFT, 20}, {"TIME", LVCFMT_RIGHT, 50}, {"ファイル名", LVCFMT_LEFT, 215}};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = columns[c].format;
    // Written at 100 %; the system scales the dialog but not the columns.
    column.cx = ScaleForWindow(list, columns[c].width);
    column.pszText = const_cast<char*>(columns[c].title);
    column.iSubItem = c;
    SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
  CopyAlarmTable(AlarmEdits);
  FillList(dialog);
  CheckDlgButton(dialog, IDC_ALARM_USE, AlarmFlag != 0 ? BST_CHECKED : BST_UNCHECKED);
  ApplyUseBox(dialog);
}

// ---- The editor of one alarm.

int Selection(HWND dialog, int id) { return static_cast<int>(Send(dialog, id, CB_GETCURSEL, 0, 0)); }

// The selected entry of an editable box, or -1 when its text is not that entry's (typed).
int ChosenIndex(HWND dialog, int id, char* text, int capacity) {
  GetDlgItemTextA(dialog, id, text, capacity);
  const int index = Selection(dialog, id);
  if (index < 0) return -1;
  char item[16] = {};
  if (Send(dialog, id, CB_GETLBTEXTLEN, index, 0) >= static_cast<LRESULT>(sizeof item)) return -1;
  Send(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item));
  return strcmp(item, text) == 0 ? index : -1;
}

// Selects entry `index`; an index the box does not have leaves no entry selected (not all
// versions of the box clear the old selection by themselves).
bool SelectOrClear(HWND dialog, int id, int index) {
  const LRESULT count = Send(dialog, id, CB_GETCOUNT, 0, 0);
  if (index >= 0 && index < count) return Send(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0) == index;
  Send(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  return false;
}

void UpdateFileControls(HWND dialog) {
  const BOOL fromFile = Selection(dialog, IDC_ALARM_SOUND) == FileChoiceIndex;
  for (int id : {IDC_ALARM_FILE, IDC_ALARM_BROWSE, IDC_ALARM_FILE_LABEL}) {
    EnableWindow(GetDlgItem(dialog, id), fromFile);
  }
}

void StopTestPlayer() {
  if (TestPlayer.Playing.load() != 0) StopPlayback(&TestPlayer);
}

void InitEditor(HWND dialog) {
  TestInProgress = false;
  char text[8];
  for (int i = 0; i < 60; ++i) {
    snprintf(text, sizeof text, "%02d", i);
    if (i < 24) Send(dialog, IDC_ALARM_HOUR, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    Send(dialog, IDC_ALARM_MINUTE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  Send(dialog, IDC_ALARM_FILE, EM_LIMITTEXT, kAlarmNameCapacity - 1, 0);
  Send(dialog, IDC_ALARM_SOUND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kSoundChoiceNames[0]));
  Send(dialog, IDC_ALARM_SOUND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kSoundChoiceNames[1]));
  FileChoiceIndex = static_cast<int>(Send(dialog, IDC_ALARM_SOUND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kFileChoice)));
  Send(dialog, IDC_ALARM_SOUND, CB_SETCURSEL, 0, 0);
  const AlarmRecord& entry = AlarmEdits[EditedAlarm];
  if (entry.AlarmNo == EditedAlarm + 1) {
    // A time out of range (a hand-edited file) selects nothing and is shown as it is.
    if (!SelectOrClear(dialog, IDC_ALARM_HOUR, entry.AlarmHour)) {
      SetDlgItemInt(dialog, IDC_ALARM_HOUR, entry.AlarmHour, FALSE);
    }
    if (!SelectOrClear(dialog, IDC_ALARM_MINUTE, entry.AlarmMinite)) {
      SetDlgItemInt(dialog, IDC_ALARM_MINUTE, entry.AlarmMinite, FALSE);
    }
    const int kind = static_cast<uint8_t>(entry.AlarmWave);
    if (kind == kAlarmWaveMediaFile) {
      char name[kAlarmNameCapacity];
      snprintf(name, sizeof name, "%.*s", kAlarmNameCapacity - 1, entry.AlarmName);
      SetDlgItemTextA(dialog, IDC_ALARM_FILE, name);
      Send(dialog, IDC_ALARM_SOUND, CB_SETCURSEL, FileChoiceIndex, 0);
    } else {
      // Only the two effects have entries of their own. A character voice (kind 2 included,
      // whose number is the file choice's index) selects nothing, and SET then keeps it.
      SelectOrClear(dialog, IDC_ALARM_SOUND, kind < kFirstVoiceKind ? kind : -1);
    }
  } else {
    LocalTime now = {};
    ReadLocalTime(&now);
    Send(dialog, IDC_ALARM_HOUR, CB_SETCURSEL, static_cast<WPARAM>(now.hour), 0);
    Send(dialog, IDC_ALARM_MINUTE, CB_SETCURSEL, static_cast<WPARAM>(now.minute), 0);
  }
  UpdateFileControls(dialog);
  TraceEvent("ALARM open %d sound=%d", EditedAlarm + 1, Selection(dialog, IDC_ALARM_SOUND));
}

void TestSound(HWND dialog) {
  if (TestInProgress) {
    StopTestPlayer();
    return;
  }
  TestInProgress = true;
  HWND button = GetDlgItem(dialog, IDC_ALARM_TEST);
  EnableWindow(button, FALSE);
  const int choice = Selection(dialog, IDC_ALARM_SOUND);
  if (choice == 0 || choice == 1) {
    TraceEvent("ALARM test %s", AlarmClipName(choice));
    PlayClip(1, AlarmClipName(choice));
  } else {
    char name[kAlarmNameCapacity] = {};
    GetDlgItemTextA(dialog, IDC_ALARM_FILE, name, sizeof name);
    char path[kAlarmNameCapacity];
    if (!AlarmFileExists(name) || !AlarmFilePath(name, path)) {
      TraceEvent("ALARM test file missing");
      ShowMessageBox(ClockWindow, kAlarmFileMissingText, AppCaption, MB_ICONWARNING);
    } else if (TestPlayer.Playing.load() != 0) {
      TraceEvent("ALARM test stopped");
      StopPlayback(&TestPlayer);
    } else if (OpenAndPlay(&TestPlayer, path)) {
      TraceEvent("ALARM test playing %s", path);
    } else {
      TraceEvent("ALARM test unsupported %s", path);
      ShowMessageBox(ClockWindow, kAlarmUnsupportedText, AppTitle, MB_ICONWARNING);
    }
  }
  EnableWindow(button, TRUE);
  TestInProgress = false;
}

void Browse(HWND dialog) {
  char filter[128];
  snprintf(filter, sizeof filter, "mp3|*.%s|wma|*.%s|wav|*.%s|すべてのﾌｧｲﾙ(*.*)|*.*|", "mp3", "wma", "wav");
  char path[kAlarmNameCapacity] = {};
  ChooseFile(path, "mp3", "アラームファイル", filter, false);
  // A cancelled choice leaves the buffer empty, which clears the field.
  SetDlgItemTextA(dialog, IDC_ALARM_FILE, path);
}

void SetAlarm(HWND dialog) {
  StopTestPlayer();
  char hour[32] = {};
  char minute[32] = {};
  char file[kAlarmNameCapacity] = {};
  AlarmEditInput input = {};
  input.hourIndex = ChosenIndex(dialog, IDC_ALARM_HOUR, hour, sizeof hour);
  input.hourText = hour;
  input.minuteIndex = ChosenIndex(dialog, IDC_ALARM_MINUTE, minute, sizeof minute);
  input.minuteText = minute;
  input.soundIndex = Selection(dialog, IDC_ALARM_SOUND);
  input.fileChoiceIndex = FileChoiceIndex;
  GetDlgItemTextA(dialog, IDC_ALARM_FILE, file, sizeof file);
  input.fileText = file;
  switch (ApplyAlarmEdit(input, EditedAlarm + 1, AlarmFileExists, &AlarmEdits[EditedAlarm])) {
    case AlarmEditResult::kBadTime:
      TraceEvent("ALARM bad time '%s' '%s'", hour, minute);
      ShowMessageBox(dialog, kBadTime, AppTitle, MB_ICONWARNING);
      return;
    case AlarmEditResult::kFileMissing:
      TraceEvent("ALARM file missing '%s'", file);
      return;
    case AlarmEditResult::kStored:
      break;
  }
  const AlarmRecord& entry = AlarmEdits[EditedAlarm];
  TraceEvent("ALARM set %d %02u:%02u wave=%d name=%s", EditedAlarm + 1, entry.AlarmHour,
             entry.AlarmMinite, static_cast<uint8_t>(entry.AlarmWave), entry.AlarmName);
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK EditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitEditor(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ALARM_SOUND:
          UpdateFileControls(dialog);
          return TRUE;
        case IDC_ALARM_TEST:
          if (HIWORD(wParam) == BN_CLICKED) TestSound(dialog);
          return TRUE;
        case IDC_ALARM_BROWSE:
          if (HIWORD(wParam) == BN_CLICKED) Browse(dialog);
          return TRUE;
        case IDOK:
          SetAlarm(dialog);
          return TRUE;
        case IDC_ALARM_RESET:
          StopTestPlayer();
          ResetAlarmEntry(&AlarmEdits[EditedAlarm]);
          TraceEvent("ALARM reset %d", EditedAlarm + 1);
          EndDialog(dialog, 0);
          return TRUE;
        case IDCANCEL:
          StopTestPlayer();
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

// ---- The list.

void EditSelected(HWND dialog) {
  const int row = static_cast<int>(
      SendDlgItemMessageA(dialog, IDC_ALARM_LIST, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row < 0 || row >= kAlarmCount) return;
  EditedAlarm = row;
  RunDialog("Alarm", dialog, EditorProc, 0, DialogPlace::kBesideClock);
  SendMessageA(dialog, MSG_ALARM_REFRESH, 0, 0);
}

void CommitList(HWND dialog) {
  AlarmFlag = IsDlgButtonChecked(dialog, IDC_ALARM_USE) == BST_CHECKED ? 1 : 0;
  StoreAlarmTable(AlarmEdits);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitList(dialog);
      return TRUE;
    case WM_NCHITTEST:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, HTCAPTION);
      return TRUE;
    case MSG_ALARM_REFRESH:
      // The dialog manager's DM_SETDEFID names a control; leave it to the default handling.
      if (wParam != 0 || lParam != 0) return FALSE;
      FillList(dialog);
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      // Enter reaches the list itself (NM_RETURN) where the list asks for the key, or comes as
      // the default button's command (below) where the dialog keeps it.
      if (header->idFrom != IDC_ALARM_LIST ||
          (header->code != NM_CLICK && header->code != NM_DBLCLK && header->code != NM_RETURN)) {
        return FALSE;
      }
      EditSelected(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ALARM_USE:
          ApplyUseBox(dialog);
          return TRUE;
        case IDOK:
          // Enter on the list edits the selected alarm; the button (which takes the focus when
          // clicked) commits.
          if (GetFocus() == GetDlgItem(dialog, IDC_ALARM_LIST)) {
            EditSelected(dialog);
          } else {
            CommitList(dialog);
          }
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAlarmList(HWND owner) {
  TraceEvent("AlarmList open");
  RunDialog("AlarmList", owner, ListProc, 0, DialogPlace::kBesideClock);
  TraceEvent("AlarmList closed AlarmFlag=%d", AlarmFlag.load());
}
