// The news list and settings dialogs, the chimes of the new-item notice, and bar clicks.
#include "news/news_dialogs_win32.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/clock_source_win32.h"
#include "base/dialog_win32.h"
#include "base/message_box_win32.h"
#include "base/messages.h"
#include "base/resource_ids.h"
#include "base/test_hooks_win32.h"
#include "base/window_handles_win32.h"
#include "news/feeds_win32.h"
#include "news/news_list.h"
#include "news/ticker.h"
#include "news/ticker_win32.h"
#include "render/face_win32.h"
#include "settings/settings.h"
#include "skin/skin_update_win32.h"

namespace {

// The list's own copy of the feeds, so a fetch that publishes meanwhile cannot change the texts
// the rows point at.
FeedRecord listFeeds[kFeedCount];
FeedStatus listStatuses[kFeedCount];
NewsRow rows[kNewsRowsMax];
int rowCount = 0;
// The feeds' brand names, the template's captions of their check boxes, taken before the
// boxes show channel titles.
char brandNames[kFeedCount][64];
const char* const brandNameTexts[kFeedCount] = {brandNames[0], brandNames[1], brandNames[2],
                                                brandNames[3]};

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kYellow = 0x00FFFF;
constexpr COLORREF kSilver = 0xC0C0C0;

bool LocalOf(int64_t seconds, int* year, int* month, int* day, int* hour, int* minute,
             int* second) {
  const __time64_t t = seconds;
  struct tm out;
  if (_localtime64_s(&out, &t) != 0) return false;
  *year = out.tm_year + 1900;
  *month = out.tm_mon + 1;
  *day = out.tm_mday;
  *hour = out.tm_hour;
  *minute = out.tm_min;
  *second = out.tm_sec;
  return true;
}

void SetCell(HWND list, int row, int column, const char* text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void SetUtf8Text(HWND control, const char* text) {
  wchar_t wide[256];
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 256) <= 0) wide[0] = L'\0';
  SetWindowTextW(control, wide);
}

void ShowFeedStatuses(HWND dialog) {
  for (int i = 0; i < kFeedCount; ++i) {
    char line[160];
    FeedStatusLine(listStatuses[i], LocalOf, line, sizeof line);
    SetUtf8Text(GetDlgItem(dialog, IDC_NEWS_FEED_STATUS0 + i), line);
  }
}

void FillNewsList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_NEWS_LIST);
  LockNews();
  memcpy(listFeeds, Feeds, sizeof listFeeds);
  memcpy(listStatuses, FeedStatuses, sizeof listStatuses);
  UnlockNews();
  ShowFeedStatuses(dialog);
  rowCount = BuildNewsRows(listFeeds, brandNameTexts, ViewBrand, ReadUnixTime(), NewDays, OldTime,
                           LocalOf, rows, kNewsRowsMax);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  for (int r = 0; r < rowCount; ++r) {
    const NewsRow& row = rows[r];
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<char*>(row.mark);
    const int at = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) continue;
    const char kind[2] = {row.kind, '\0'};
    SetCell(list, at, 1, row.text);
    SetCell(list, at, 2, row.link);
    SetCell(list, at, 3, kind);
    SetCell(list, at, 4, row.description);
    SetCell(list, at, 5, row.extend);
    // Filling only ever ticks boxes: a feed the user just ticked stays ticked even when its
    // fetch brought nothing.
    if (row.kind == kRowFeed) CheckDlgButton(dialog, IDC_NEWS_FEED0 + row.feed, BST_CHECKED);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  // Sized once the rows are in, so the client width is the one left beside the scroll bar.
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
  RECT client;
  GetClientRect(list, &client);
  int rest = client.right - static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
  const LRESULT perPage = SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
  if ((GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL) == 0 && rowCount > perPage) {
    rest -= GetSystemMetrics(SM_CXVSCROLL);
  }
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, rest > 0 ? rest : 0);
  InvalidateRect(list, nullptr, TRUE);
  TraceEvent("news list filled %d rows", rowCount);
}

// A channel title is the feed's own text: shown as written, and when its box cannot hold it, cut
// with the whole title as the box's tip.
void LabelFeedBoxes(HWND dialog) {
  wchar_t titles[kFeedCount][sizeof(FeedRecord::channel_title)] = {};
  LockNews();
  for (int i = 0; i < kFeedCount; ++i) {
    if (MultiByteToWideChar(CP_ACP, 0, Feeds[i].channel_title, -1, titles[i],
                            sizeof(FeedRecord::channel_title)) <= 0) {
      titles[i][0] = L'\0';
    }
  }
  UnlockNews();
  // The box and the gap before the text, in the dialog's own units so it grows with the font.
  RECT box = {0, 0, 14, 0};
  MapDialogRect(dialog, &box);
  HWND tips = nullptr;
  for (int i = 0; i < kFeedCount; ++i) {
    if (titles[i][0] == L'\0') continue;
    HWND control = GetDlgItem(dialog, IDC_NEWS_FEED0 + i);
    if (!SetOutsideLabel(control, titles[i], box.right)) continue;
    if (tips == nullptr) {
      tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, AppInstance, nullptr);
      if (tips == nullptr) return;
      RECT client;
      GetClientRect(dialog, &client);
      SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, client.right);
    }
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = titles[i];
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    TraceEvent("news list feed %d title cut, whole as its tip", i);
  }
}

void InitNewsList(HWND dialog) {
  for (int i = 0; i < kFeedCount; ++i) {
    GetDlgItemTextA(dialog, IDC_NEWS_FEED0 + i, brandNames[i], sizeof brandNames[i]);
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  LabelFeedBoxes(dialog);
  HWND list = GetDlgItem(dialog, IDC_NEWS_LIST);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SendMessageA(list, LVM_SETBKCOLOR, 0, kBlack);
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, kBlack);
  SendMessageA(list, LVM_SETTEXTCOLOR, 0, kWhite);
  static const char* const kHeaders[kNewsListColumns] = {"   ", "ブランド", "URL", " ", " ", " "};
  for (int c = 0; c < kNewsListColumns; ++c) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kHeaders[c]);
    column.cx = 0;
    column.iSubItem = c;
    SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
  }
  FillNewsList(dialog);
}

void FeedTicked(HWND dialog, int feed) {
  const uint8_t bit = static_cast<uint8_t>(1 << feed);
  const bool on = IsDlgButtonChecked(dialog, IDC_NEWS_FEED0 + feed) == BST_CHECKED;
  const int brands = on ? (ViewBrand | bit) : (ViewBrand & ~bit);
  ViewBrand = static_cast<uint8_t>(brands);
  TraceEvent("news list feed %d %s, ViewBrand %d", feed, on ? "on" : "off", brands);
  // Fetched off this thread, after a check that is running; the rows follow when it is done.
  if (on) StartNewsListFetch(dialog);
  FillNewsList(dialog);
}

void ShowDescription(HWND dialog, int row) {
  if (row < 0 || row >= rowCount) return;
  char text[kDescriptionShown + 1];
  snprintf(text, sizeof text, "%s", rows[row].description);
  // Cut on a character boundary: a lead byte left alone would swallow the terminator.
  const size_t kept = CharacterPrefix(text, strlen(text), kDescriptionShown);
  text[kept] = '\0';
  SetDlgItemTextA(dialog, IDC_NEWS_DESCRIPTION, text);
}

void RowActivated(int row) {
  if (row < 0 || row >= rowCount) return;
  TraceEvent("news list open row %d", row);
  OpenNewsItem(rows[row].link, rows[row].extend);
}

LRESULT CustomDraw(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const int r = static_cast<int>(draw->nmcd.dwItemSpec);
      draw->clrText = kWhite;
      draw->clrTextBk = kBlack;
      if (r < 0 || r >= rowCount) return CDRF_NEWFONT;
      const NewsRow& row = rows[r];
      if (draw->iSubItem == 0) {
        if (strcmp(row.mark, "NEW") == 0) draw->clrText = kRed;
        if (strcmp(row.mark, "New") == 0) draw->clrText = kYellow;
        if (row.kind == kRowFeed) draw->clrTextBk = kWhite;
      } else if (draw->iSubItem == 1) {
        switch (row.kind) {
          case kRowFeed:
            draw->clrText = kBlack;
            draw->clrTextBk = kWhite;
            break;
          case kRowDate:
            draw->clrText = kSilver;
            break;
          case kRowOffer:
          case kRowSpecial:
            draw->clrText = kYellow;
            break;
          default:
            break;
        }
      }
      return CDRF_NEWFONT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

INT_PTR CALLBACK NewsListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitNewsList(dialog);
      return TRUE;
    case MSG_NEWS_FETCHED:
      FillNewsList(dialog);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= IDC_NEWS_FEED0 && id < IDC_NEWS_FEED0 + kFeedCount && HIWORD(wParam) == BN_CLICKED) {
        FeedTicked(dialog, id - IDC_NEWS_FEED0);
        return TRUE;
      }
      if (id == IDOK || id == IDCANCEL) {
        EndDialog(dialog, id);
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != IDC_NEWS_LIST) return FALSE;
      if (header->code == NM_CUSTOMDRAW) {
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam)));
        return TRUE;
      }
      if (header->code == LVN_ITEMCHANGED) {
        const NMLISTVIEW* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        if ((change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0) {
          ShowDescription(dialog, change->iItem);
        }
        return TRUE;
      }
      if (header->code == NM_CLICK) {
        ShowDescription(dialog, reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem);
        return TRUE;
      }
      if (header->code == NM_DBLCLK) {
        RowActivated(reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

int scrollTimeBefore = 40;

void FillCombo(HWND dialog, int id, int count, const char* unit, int selection) {
  for (int n = 1; n <= count; ++n) {
    char digits[32];
    char text[48];
    if (!FullWidthNumber(n, digits, sizeof digits)) continue;
    snprintf(text, sizeof text, "%s%s", digits, unit);
    SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, selection, 0);
}

void InitNewsSettings(HWND dialog) {
  scrollTimeBefore = RssScrollTime;
  FillCombo(dialog, IDC_NEWS_INTERVAL, 24, " 時間", IntervalSelection(CheckTime));
  FillCombo(dialog, IDC_NEWS_RECENT, 7, " 日", RecentSelection(NewDays));
  CheckDlgButton(dialog, IDC_NEWS_SOUND, NoticePlaysSound(NewFlag) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_NEWS_MESSAGE, NoticeShowsMessage(NewFlag) ? BST_CHECKED : BST_UNCHECKED);
  const int clickMode = ClickMode;
  const int mode = clickMode < 0 || clickMode > 2 ? 0 : clickMode;
  CheckRadioButton(dialog, IDC_NEWS_DOUBLE_CLICK, IDC_NEWS_NO_CLICK, IDC_NEWS_DOUBLE_CLICK + mode);
  HWND track = GetDlgItem(dialog, IDC_NEWS_SPEED);
  SendMessageA(track, TBM_SETRANGE, TRUE, MAKELPARAM(5, 100));
  SendMessageA(track, TBM_SETPOS, TRUE, ClampScrollTime(RssScrollTime));
  for (int i = 0; i < kFeedCount; ++i) {
    // As long as the key holds: a longer paste is cut to a text that is still refused.
    SendDlgItemMessageA(dialog, IDC_NEWS_ADDRESS0 + i, EM_LIMITTEXT, kPathCapacity - 1, 0);
    SetDlgItemTextA(dialog, IDC_NEWS_ADDRESS0 + i, FeedAddressKeys[i]);
  }
}

// Blanks around a pasted address are dropped rather than refused.
void TrimBlanks(char* text) {
  size_t length = strlen(text);
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
  text[length] = '\0';
  size_t start = 0;
  while (text[start] == ' ' || text[start] == '\t') ++start;
  memmove(text, text + start, length - start + 1);
}

// The four addresses as typed into `addresses`. At the first one the feed check would refuse:
// a warning naming it, the focus on its field (its text selected), and false.
bool ReadFeedAddresses(HWND dialog, char (*addresses)[kPathCapacity]) {
  for (int i = 0; i < kFeedCount; ++i) {
    GetDlgItemTextA(dialog, IDC_NEWS_ADDRESS0 + i, addresses[i], kPathCapacity);
    TrimBlanks(addresses[i]);
    if (ClassifyFeedAddress(addresses[i]) != FeedAddressKind::kRefused) continue;
    TraceEvent("news settings address %d refused: %s", i, addresses[i]);
    char brand[64] = "";
    GetDlgItemTextA(dialog, IDC_NEWS_ADDRESS_LABEL0 + i, brand, sizeof brand);
    char text[kPathCapacity + 256];
    snprintf(text, sizeof text,
             "%sのアドレス「%s」は使えません。\n"
             "http:// か https:// で始まる、空白のない 255 文字までのアドレスを入れてください。",
             brand, addresses[i]);
    ShowMessageBox(dialog, text, AppCaption, MB_ICONWARNING);
    SendMessageA(dialog, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_NEWS_ADDRESS0 + i)), TRUE);
    return false;
  }
  return true;
}

// Stores the addresses that differ from the keys; true when any did.
bool StoreFeedAddresses(const char (*addresses)[kPathCapacity]) {
  bool changed = false;
  for (int i = 0; i < kFeedCount; ++i) {
    if (strcmp(FeedAddressKeys[i], addresses[i]) == 0) continue;
    snprintf(FeedAddressKeys[i], kPathCapacity, "%s", addresses[i]);
    TraceEvent("news settings FeedUrl%d=%s", i, FeedAddressKeys[i]);
    changed = true;
  }
  return changed;
}

int TrackPosition(HWND dialog) {
  return ClampScrollTime(static_cast<int>(SendDlgItemMessageA(dialog, IDC_NEWS_SPEED, TBM_GETPOS, 0, 0)));
}

// False, with nothing changed, while an address is refused.
bool ConfirmNewsSettings(HWND dialog) {
  char addresses[kFeedCount][kPathCapacity];
  if (!ReadFeedAddresses(dialog, addresses)) return false;
  if (IsDlgButtonChecked(dialog, IDC_NEWS_SINGLE_CLICK) == BST_CHECKED) {
    ClickMode = 1;
  } else if (IsDlgButtonChecked(dialog, IDC_NEWS_NO_CLICK) == BST_CHECKED) {
    ClickMode = 2;
  } else {
    ClickMode = 0;
  }
  const int interval = IntervalFromSelection(
      static_cast<long>(SendDlgItemMessageA(dialog, IDC_NEWS_INTERVAL, CB_GETCURSEL, 0, 0)), CheckTime);
  NewDays = RecentFromSelection(
      static_cast<long>(SendDlgItemMessageA(dialog, IDC_NEWS_RECENT, CB_GETCURSEL, 0, 0)), NewDays);
  RssScrollTime = TrackPosition(dialog);
  NewFlag = MakeNewFlag(IsDlgButtonChecked(dialog, IDC_NEWS_SOUND) == BST_CHECKED,
                        IsDlgButtonChecked(dialog, IDC_NEWS_MESSAGE) == BST_CHECKED);
  // The interval the dialog showed: an out-of-range stored value shows as its nearest entry.
  const int shown = ClampCheckTime(CheckTime);
  TraceEvent("news settings ok CheckTime %d->%d NewDays %d NewFlag %d ClickMode %d RssScrollTime %d",
             shown, interval, NewDays.load(), NewFlag.load(), ClickMode.load(), RssScrollTime.load());
  CheckTime = static_cast<int8_t>(interval);
  const bool addressesChanged = StoreFeedAddresses(addresses);
  if (addressesChanged) PublishFeedAddresses();
  // Checks (and reschedules) off this thread, so the dialog closes at once: a new interval, or
  // new addresses, whose new items are announced as any check's are.
  if (interval != shown || addressesChanged) StartFeedCheck();
  return true;
}

INT_PTR CALLBACK NewsSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitNewsSettings(dialog);
      return TRUE;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_NEWS_SPEED)) {
        RssScrollTime = TrackPosition(dialog);
        TraceEvent("news settings speed %d", RssScrollTime.load());
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (ConfirmNewsSettings(dialog)) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          RssScrollTime = scrollTimeBefore;
          TraceEvent("news settings cancel RssScrollTime %d", RssScrollTime.load());
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

void ShowNewsList(HWND owner) {
  RunDialog("RSS", owner, NewsListProc, 0, DialogPlace::kBesideClock);
  TraceEvent("news list closed ViewBrand %d", ViewBrand.load());
}

void ShowNewsSettings(HWND owner) {
  RunDialog("RSS_SET", owner, NewsSettingsProc, 0, DialogPlace::kBesideClock);
  TraceEvent("news settings closed");
}

bool FullWidthNumber(int n, char* out, size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  char digits[16];
  const int length = snprintf(digits, sizeof digits, "%d", n);
  if (length <= 0) return false;
  const int made = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_FULLWIDTH, digits, length, out,
                                static_cast<int>(capacity - 1));
  if (made <= 0) {
    out[0] = '\0';
    return false;
  }
  out[made] = '\0';
  return true;
}

void PlayNewsChimes() {
  // No alias or file flag: the platform looks the name up as a registered sound first, then as
  // a file along its search path, and SND_NODEFAULT keeps a missing sound silent.
  TraceEvent("chimes");
  PlaySoundA("chimes", nullptr, SND_ASYNC | SND_NODEFAULT);
}

void ClickNewsBar(int x) {
  TickerSlot slots[kTickerSlots];
  TickerSlotsNow(slots);
  const int left = TickerWindowBox(BarOffset.load(), ScaleFromUnits(ShownScaleUnits.load())).x;
  const int k = HitTickerSlot(slots, x, left);
  TraceEvent("ClickNewsBar %d slot %d", x, k);
  if (k < 0) return;
  OpenNewsItem(slots[k].link, slots[k].extend);
}
