// The play-list window: the list with the playing entry starred; rows start by double-click or
// Enter, go with Delete, move by dragging; files dropped on it are appended; ".lst" files are
// saved and loaded from it.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "base/dpi_win32.h"
#include "base/file_win32.h"
#include "base/message_box_win32.h"
#include "base/messages.h"
#include "base/paths_win32.h"
#include "base/placement_win32.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "player/panel_win32.h"
#include "player/playlist.h"
#include "player/playlist_edit.h"
#include "player/playlist_win32.h"
#include "settings/settings.h"

uint8_t FileDialogBusy = 0;

namespace {

constexpr UINT_PTR kDragTimerId = 1;
constexpr UINT kDragTimerMs = 10;
constexpr DWORD kAutoScrollMs = 100;
constexpr int kAutoScrollPixels = 20;
constexpr char kStar[] = "★";
constexpr char kBlank[] = "　";
constexpr char kListFilter[] = "Play List|*.lst|すべてのﾌｧｲﾙ(*.*)|*.*|";
// Cell texts the window reads back: the mark and the file name.
constexpr int kCellCapacity = kEntryCapacity;

int DragSource = -1;
// The row that shows the star, so that a mark never leaves a second one behind (the panel's
// marks name the row it last starred, which a refill or an edit may have moved).
int starredRow = -1;
HIMAGELIST DragImage = nullptr;
DWORD LastAutoScroll = 0;

HWND ListView(HWND dialog) { return GetDlgItem(dialog, IDC_PLAYLIST_VIEW); }

int RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

bool IsRow(HWND list, int row) { return row >= 0 && row < RowCount(list); }

void SetCell(HWND list, int row, int column, const char* text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void GetCell(HWND list, int row, int column, char* out, int capacity) {
  out[0] = '\0';
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = out;
  item.cchTextMax = capacity;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void SetNumber(HWND list, int row) {
  char number[16];
  snprintf(number, sizeof number, "%d", row + 1);
  SetCell(list, row, 1, number);
}

void SelectRow(HWND list, int row) {
  if (!IsRow(list, row)) return;
  const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
  LVITEMA item = {};
  item.stateMask = state;
  item.state = state;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The entry the star goes to: the one a play would start, none when PlayNo is outside the list.
int MarkedEntry() { return EntryToPlay(); }

void AddColumn(HWND list, int index, const char* header, int width, int format) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
  column.fmt = format;
  column.pszText = const_cast<char*>(header);
  // Written at 100 %; the system scales the dialog but not the columns.
  column.cx = ScaleForWindow(list, width);
  column.iSubItem = index;
  SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void Refill(HWND dialog) {
  HWND list = ListView(dialog);
  const DWORD started = GetTickCount();
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  starredRow = -1;
  SendMessageA(list, LVM_SETITEMCOUNT, EntryCount, 0);
  // Widths are measured in the list's own font, which is what its cells are drawn in.
  HDC dc = GetDC(list);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  int numberWidth = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));
  int nameWidth = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0));
  bool autosizeName = false;
  PathParts parts;
  for (int i = 0; i < EntryCount; ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<char*>(kBlank);
    const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) continue;
    char number[16];
    snprintf(number, sizeof number, "%d", i + 1);
    SetCell(list, row, 1, number);
    const char* name = SplitPath(PlayPaths[i], &parts) ? parts.name : PlayPaths[i];
    SetCell(list, row, 2, name);
    SIZE extent;
    if (GetTextExtentPoint32A(dc, number, static_cast<int>(strlen(number)), &extent) &&
        numberWidth < extent.cx) {
      numberWidth = extent.cx;
      SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, numberWidth);
    }
    if (GetTextExtentPoint32A(dc, name, static_cast<int>(strlen(name)), &extent) &&
        nameWidth < extent.cx) {
      nameWidth = extent.cx;
      autosizeName = true;
    }
  }
  SelectObject(dc, oldFont);
  ReleaseDC(list, dc);
  // Sized to its widest name once at the end rather than once per widening row. Not with
  // LVSCW_AUTOSIZE_USEHEADER: on the last column that only fills the list's remaining width,
  // which cuts off exactly the long names this is for.
  if (autosizeName) SendMessageA(list, LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  SendMessageA(dialog, LIST_MARK, static_cast<WPARAM>(NowPlaying), static_cast<LPARAM>(MarkedEntry()));
  TraceEvent("list refilled %d rows in %lu ms", EntryCount,
             static_cast<unsigned long>(GetTickCount() - started));
}

void Mark(HWND dialog, int unmark, int mark) {
  HWND list = ListView(dialog);
  if (IsRow(list, mark)) SendMessageA(list, LVM_ENSUREVISIBLE, mark, TRUE);
  if (IsRow(list, unmark)) SetCell(list, unmark, 0, kBlank);
  if (IsRow(list, starredRow) && starredRow != mark) SetCell(list, starredRow, 0, kBlank);
  starredRow = -1;
  if (IsRow(list, mark)) {
    SetCell(list, mark, 0, kStar);
    SelectRow(list, mark);
    starredRow = mark;
  }
}

void PlayRow(HWND dialog) {
  HWND list = ListView(dialog);
  const int row = SelectedRow(list);
  if (row < 0 || row >= EntryCount) {
    const int current = MarkedEntry();
    SelectRow(list, current);
    SetFocus(list);
    return;
  }
  PlayNo = OrderPositionOf(row);
  TraceEvent("list play row %d", row);
  PlayChosenEntry();
}

void DeleteRow(HWND dialog) {
  HWND list = ListView(dialog);
  const int row = SelectedRow(list);
  if (row < 0 || row >= EntryCount) return;
  if (!DeleteEntryAt(row)) return;
  SendMessageA(list, LVM_DELETEITEM, row, 0);
  if (starredRow == row) {
    starredRow = -1;
  } else if (starredRow > row) {
    --starredRow;
  }
  for (int i = row; i < RowCount(list); ++i) SetNumber(list, i);
  ShowListOnPanel();
  TraceEvent("list deleted row %d playno=%d nowplaying=%d", row, PlayNo, NowPlaying);
}

// The row under a screen point, -1 for none. Outside the list's client area, level with it,
// the list scrolls one step towards the point, at most one step per kAutoScrollMs.
int HitTest(HWND dialog, POINT screen) {
  HWND list = ListView(dialog);
  POINT at = screen;
  ScreenToClient(list, &at);
  RECT client;
  GetClientRect(list, &client);
  if (PtInRect(&client, at)) {
    const int count = RowCount(list);
    for (int row = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)); row < count; ++row) {
      RECT rect = {};
      rect.left = LVIR_BOUNDS;
      if (!SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect))) break;
      if (PtInRect(&rect, at)) return row;
      if (rect.top > client.bottom) break;
    }
    return -1;
  }
  if (at.x >= client.left && at.x <= client.right) {
    const DWORD now = GetTickCount();
    if (now - LastAutoScroll >= kAutoScrollMs) {
      LastAutoScroll = now;
      SendMessageA(list, LVM_SCROLL, 0, at.y < client.top ? -kAutoScrollPixels : kAutoScrollPixels);
      InvalidateRect(list, nullptr, TRUE);
    }
  }
  return -1;
}

void EndDragImage(HWND dialog) {
  KillTimer(dialog, kDragTimerId);
  if (DragImage == nullptr) return;
  ImageList_DragLeave(dialog);
  ImageList_EndDrag();
  ImageList_Destroy(DragImage);
  DragImage = nullptr;
}

void BeginDrag(HWND dialog, const NMLISTVIEW* info) {
  HWND list = ListView(dialog);
  const int row = info->iItem;
  if (row < 0 || row >= EntryCount) return;
  DragSource = row;
  if (DragImage != nullptr) EndDragImage(dialog);
  POINT corner = {};
  DragImage = reinterpret_cast<HIMAGELIST>(
      SendMessageA(list, LVM_CREATEDRAGIMAGE, row, reinterpret_cast<LPARAM>(&corner)));
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(list, &cursor);
  if (DragImage != nullptr) {
    ImageList_BeginDrag(DragImage, 0, cursor.x - corner.x, cursor.y - corner.y);
    ImageList_DragEnter(dialog, 0, 0);
  }
  SetCapture(dialog);
  SetTimer(dialog, kDragTimerId, kDragTimerMs, nullptr);
  TraceEvent("list drag from row %d", row);
}

void DragMove(HWND dialog) {
  POINT cursor;
  GetCursorPos(&cursor);
  RECT window;
  GetWindowRect(dialog, &window);
  if (DragImage != nullptr) ImageList_DragMove(cursor.x - window.left, cursor.y - window.top);
  HitTest(dialog, cursor);
}

// Moves the rows' mark and name texts the way the entries move, so the star goes with its file.
void MoveRows(HWND list, int from, int to) {
  char mark[kCellCapacity];
  char name[kCellCapacity];
  GetCell(list, from, 0, mark, sizeof mark);
  GetCell(list, from, 2, name, sizeof name);
  const int step = from > to ? -1 : 1;
  for (int i = from; i != to; i += step) {
    char cell[kCellCapacity];
    GetCell(list, i + step, 0, cell, sizeof cell);
    SetCell(list, i, 0, cell);
    GetCell(list, i + step, 2, cell, sizeof cell);
    SetCell(list, i, 2, cell);
    SetNumber(list, i);
  }
  SetCell(list, to, 0, mark);
  SetCell(list, to, 2, name);
  SetNumber(list, to);
  SelectRow(list, to);
}

void Drop(HWND dialog) {
  const int source = DragSource;
  DragSource = -1;
  EndDragImage(dialog);
  ReleaseCapture();
  POINT cursor;
  GetCursorPos(&cursor);
  const int target = HitTest(dialog, cursor);
  HWND list = ListView(dialog);
  if (target < 0 || source < 0 || !IsRow(list, source) || !IsRow(list, target)) return;
  if (!MoveEntry(source, target)) return;
  MoveRows(list, source, target);
  if (starredRow >= 0) starredRow = MovedIndex(starredRow, source, target);
  TraceEvent("list moved row %d to %d playno=%d nowplaying=%d", source, target, PlayNo, NowPlaying);
}

void CancelDrag(HWND dialog) {
  if (DragSource < 0 && DragImage == nullptr) return;
  DragSource = -1;
  EndDragImage(dialog);
}

void WarnSaveFailed(unsigned long error) {
  char text[256];
  snprintf(text, sizeof text, "プレイリストを保存できませんでした。\n%s", SaveFailureReason(error));
  ShowMessageBox(ClockWindow, text, AppTitle, MB_ICONWARNING);
}

void Save() {
  if (FileDialogBusy != 0) return;
  FileDialogBusy = 1;
  if (ChooseFile(ListName, "lst", "Save Play List", kListFilter, true)) {
    unsigned long error = 0;
    const bool saved = SavePlayList(ListName, &error);
    TraceEvent("list saved %d", saved ? 1 : 0);
    if (!saved) WarnSaveFailed(error);
  }
  FileDialogBusy = 0;
}

void Load(HWND dialog) {
  if (FileDialogBusy != 0) return;
  FileDialogBusy = 2;
  if (ChooseFile(ListName, "lst", "Load Play List", kListFilter, false)) {
    LoadPlayList(ListName);
    BuildOrder();
    // The file names its current entry; a shuffled order plays it at its own position.
    PlayNo = OrderPositionOf(PlayNo);
    TraceEvent("list loaded %d entries playno=%d", EntryCount, PlayNo);
    SendMessageA(dialog, LIST_REFILL, 0, 0);
    SendMessageA(dialog, LIST_MARK, static_cast<WPARAM>(-1), static_cast<LPARAM>(MarkedEntry()));
    PlayChosenEntry();
  }
  FileDialogBusy = 0;
}

void DropFiles(HWND dialog, HDROP drop) {
  const bool wasEmpty = BeforeAppend();
  AddDroppedFiles(drop);
  AfterAppend(wasEmpty);
  ShowListOnPanel();
  SendMessageA(dialog, LIST_REFILL, 0, 0);
  SendMessageA(dialog, LIST_MARK, static_cast<WPARAM>(-1), static_cast<LPARAM>(MarkedEntry()));
}

void Close(HWND dialog) {
  CancelDrag(dialog);
  if (GetCapture() == dialog) ReleaseCapture();
  ListWindow = nullptr;
  RECT place;
  if (GetWindowRect(dialog, &place)) {
    SndLLEFT = place.left;
    SndLTOP = place.top;
  }
  TraceEvent("list closed at %d,%d", SndLLEFT.load(), SndLTOP.load());
  EndDialog(dialog, 0);
}

BOOL Init(HWND dialog) {
  ListWindow = dialog;
  if (SndLLEFT != -1 || SndLTOP != -1) {
    SetWindowPos(dialog, nullptr, SndLLEFT, SndLTOP, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (PanelWindow != nullptr) {
    // The first time, beside the panel: at the panel's own place it would hide it.
    PlaceBeside(dialog, PanelWindow);
  } else {
    SetWindowPos(dialog, nullptr, SndDLEFT, SndDTOP, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT opened;
  GetWindowRect(dialog, &opened);
  SndLLEFT = opened.left;
  SndLTOP = opened.top;
  HWND list = ListView(dialog);
  AddColumn(list, 0, kBlank, 18, LVCFMT_LEFT);
  AddColumn(list, 1, "No", 30, LVCFMT_RIGHT);
  AddColumn(list, 2, "ファイル名", 215, LVCFMT_LEFT);
  const DWORD extra = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extra, extra);
  SendMessageA(dialog, LIST_REFILL, 0, 0);
  char title[kTitleCapacity + 16];
  snprintf(title, sizeof title, "%s play list", AppTitle);
  SetWindowTextA(dialog, title);
  NowPlaying = MarkedEntry();
  DragImage = nullptr;
  DragSource = -1;
  TraceEvent("list open at %d,%d", SndLLEFT.load(), SndLTOP.load());
  return TRUE;
}

LRESULT Notify(HWND dialog, const NMHDR* header) {
  if (header->idFrom != IDC_PLAYLIST_VIEW) return 0;
  switch (header->code) {
    case NM_DBLCLK:
      PlayRow(dialog);
      break;
    case LVN_KEYDOWN: {
      const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey;
      if (key == VK_RETURN) PlayRow(dialog);
      if (key == VK_DELETE) DeleteRow(dialog);
      break;
    }
    case LVN_BEGINDRAG:
      BeginDrag(dialog, reinterpret_cast<const NMLISTVIEW*>(header));
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace

INT_PTR CALLBACK PlayListWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return Init(dialog);
    case WM_NCHITTEST:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, HTCAPTION);
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, Notify(dialog, reinterpret_cast<const NMHDR*>(lParam)));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_PLAYLIST_SAVE:
          Save();
          break;
        case IDC_PLAYLIST_LOAD:
          Load(dialog);
          break;
        case IDOK:
          // Enter in the list reaches the dialog as its default command, not the list.
          if (GetFocus() == ListView(dialog)) PlayRow(dialog);
          break;
        case IDCANCEL:
          Close(dialog);
          break;
        default:
          break;
      }
      return TRUE;
    case WM_DROPFILES:
      DropFiles(dialog, reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case WM_TIMER:
      if (wParam == kDragTimerId && DragSource >= 0) {
        POINT cursor;
        GetCursorPos(&cursor);
        HitTest(dialog, cursor);
      }
      return TRUE;
    case WM_MOUSEMOVE:
      if (GetCapture() == dialog && DragSource >= 0) DragMove(dialog);
      return TRUE;
    case WM_LBUTTONUP:
      if (GetCapture() == dialog && DragSource >= 0) Drop(dialog);
      return TRUE;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-drag (another window, a message box): the drag ends where it is.
      if (DragSource >= 0 && reinterpret_cast<HWND>(lParam) != dialog) CancelDrag(dialog);
      return TRUE;
    case WM_CLOSE:
      Close(dialog);
      return TRUE;
    case LIST_REFILL:
      Refill(dialog);
      return TRUE;
    case LIST_MARK:
      Mark(dialog, static_cast<int>(wParam), static_cast<int>(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}
