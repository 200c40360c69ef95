// The player panel and play-list window as the resources make them (ids, classes, styles,
// texts, size), the list window's columns, rows, marks and refill time, a list saved over a
// file that cannot be replaced, and the running panel: a list that starts on an unplayable file,
// an empty drop, and a play asked for while another is opening.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <wmsdk.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../shared/temp_folder_win32.h"
#include "../shared/test_media_win32.h"
#include "base/messages.h"
#include "base/resource_ids.h"
#include "base/window_handles_win32.h"
#include "player/media_engine_win32.h"
#include "player/panel_win32.h"
#include "player/playlist.h"
#include "player/playlist_win32.h"
#include "settings/settings.h"

// IID_IWMHeaderInfo, which no import library of ours carries.
const IID kHeaderInfoIid = {0x96406bda, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};

// A metadata editor that answers "Title" and "Author" with fixed texts (either may be absent).
// Declared outside an anonymous namespace: GCC would otherwise prove its methods unreachable.
struct PanelTagEditor : public IWMMetadataEditor, public IWMHeaderInfo {
  const wchar_t* title = nullptr;
  const wchar_t* author = nullptr;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, kHeaderInfoIid)) {
      *out = static_cast<IWMHeaderInfo*>(this);
    } else {
      // The editor and its second version share the methods the engine calls.
      *out = static_cast<IWMMetadataEditor*>(this);
    }
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Open(const WCHAR*) override { return S_OK; }
  virtual HRESULT STDMETHODCALLTYPE OpenEx(const WCHAR*, DWORD, DWORD) { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Flush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetAttributeCount(WORD, WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributeByIndex(WORD, WORD*, WCHAR*, WORD*, WMT_ATTR_DATATYPE*,
                                                BYTE*, WORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD*, LPCWSTR name, WMT_ATTR_DATATYPE* type,
                                               BYTE* value, WORD* length) override {
    const wchar_t* text = wcscmp(name, L"Title") == 0    ? title
                          : wcscmp(name, L"Author") == 0 ? author
                                                         : nullptr;
    if (text == nullptr) return E_FAIL;
    const WORD bytes = static_cast<WORD>((wcslen(text) + 1) * sizeof(wchar_t));
    if (bytes > *length) return E_FAIL;
    memcpy(value, text, bytes);
    *length = bytes;
    *type = WMT_TYPE_STRING;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAttribute(WORD, LPCWSTR, WMT_ATTR_DATATYPE, const BYTE*, WORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetMarkerCount(WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMarker(WORD, WCHAR*, WORD*, QWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddMarker(LPCWSTR, QWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveMarker(WORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetScriptCount(WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetScript(WORD, WCHAR*, WORD*, WCHAR*, WORD*, QWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE AddScript(LPCWSTR, LPCWSTR, QWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveScript(WORD) override { return E_NOTIMPL; }
};

PanelTagEditor panelTags;

HRESULT STDMETHODCALLTYPE CreatePanelTagEditor(IUnknown** editor) {
  *editor = static_cast<IWMMetadataEditor*>(&panelTags);
  return S_OK;
}

// Tags are read inside the open: the first time, this asks the panel for another play from
// there, as a message sent by another thread would while the open waits. No editor is made.
int reenteringOpens = 0;
HRESULT STDMETHODCALLTYPE CreateReenteringEditor(IUnknown**) {
  if (reenteringOpens++ == 0) SendMessageA(PanelWindow, PLAYER_PLAY, 0, 0);
  return E_FAIL;
}

namespace {

INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Texts in the ANSI code page, as this file's literals are.
std::string Text(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string Cell(HWND list, int row, int column) {
  char text[512] = {};
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

class PlayerWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    EntryCount = 0;
    PlayNo = 0;
    NowPlaying = -1;
    ShuffFlag = false;
    SndLLEFT = SndLTOP = SndDLEFT = SndDTOP = -1;
    snprintf(AppTitle, kTitleCapacity, "%s", "TarvoClock");
  }
  void TearDown() override {
    if (ListWindow != nullptr) DestroyWindow(ListWindow);
    ListWindow = nullptr;
    EntryCount = 0;
    PlayNo = 0;
    NowPlaying = -1;
  }

  // The dialog's client area in pixels as its template's dialog units make it.
  static void ExpectSize(HWND dialog, int width, int height) {
    RECT units = {0, 0, width, height};
    MapDialogRect(dialog, &units);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
  }

  static void Fill(int count) {
    EntryCount = 0;
    for (int i = 0; i < count; ++i) {
      char path[64];
      snprintf(path, sizeof path, "C:\\music\\track%05d.mp3", i);
      ASSERT_TRUE(AppendEntry(path));
    }
    BuildOrder();
  }
};

TEST_F(PlayerWindowsTest, PanelTemplateHoldsItsThirteenControls) {
  HWND panel = CreateDialogParamA(AppInstance, "SNDP", nullptr, Plain, 0);
  ASSERT_NE(panel, nullptr);
  const LONG style = GetWindowLongA(panel, GWL_STYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | DS_MODALFRAME), WS_POPUP | DS_MODALFRAME);
  const LONG exStyle = GetWindowLongA(panel, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES), WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES);
  ExpectSize(panel, 178, 82);
  struct Expected {
    int id;
    const char* cls;
    const char* text;
    RECT units;  // x, y, width, height
  };
  const Expected controls[] = {
      {IDC_PANEL_TITLE, "Edit", "", {7, 13, 149, 14}},
      {IDC_PANEL_POSITION, "msctls_trackbar32", "", {6, 24, 153, 18}},
      {IDC_PANEL_VOLUME, "msctls_trackbar32", "", {148, 48, 18, 30}},
      {IDC_PANEL_PLAY, "Button", "PLAY", {36, 60, 30, 14}},
      {IDC_PANEL_NEXT, "Button", "NEXT", {66, 60, 30, 14}},
      {IDC_PANEL_BACK, "Button", "BACK", {6, 60, 30, 14}},
      {IDC_PANEL_LOOP, "Button", "LOOP", {12, 48, 34, 10}},
      {IDC_PANEL_SHUFFLE, "Button", "SHUFFLE", {48, 48, 45, 10}},
      {IDC_PANEL_LIST, "Button", "LIST", {106, 60, 31, 14}},
      {IDCANCEL, "Button", "×", {163, 0, 14, 12}},
      {IDC_PANEL_TIME, "Edit", "", {96, 46, 40, 12}},
      {IDC_PANEL_HIDE, "Button", "＿", {148, 0, 14, 12}},
  };
  int found = 0;
  for (HWND child = GetWindow(panel, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    ++found;
  }
  EXPECT_EQ(found, 13);
  for (const Expected& e : controls) {
    HWND control = GetDlgItem(panel, e.id);
    ASSERT_NE(control, nullptr) << e.id;
    EXPECT_EQ(ClassOf(control), e.cls) << e.id;
    EXPECT_EQ(Text(control), e.text) << e.id;
    RECT units = {e.units.left, e.units.top, e.units.left + e.units.right, e.units.top + e.units.bottom};
    MapDialogRect(panel, &units);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
    // Dialog units round per edge: a pixel either way.
    EXPECT_NEAR(r.left, units.left, 1) << e.id;
    EXPECT_NEAR(r.top, units.top, 1) << e.id;
    EXPECT_NEAR(r.right, units.right, 1) << e.id;
    EXPECT_NEAR(r.bottom, units.bottom, 1) << e.id;
  }
  const LONG title = GetWindowLongA(GetDlgItem(panel, IDC_PANEL_TITLE), GWL_STYLE);
  EXPECT_EQ(title & (ES_READONLY | ES_AUTOHSCROLL), ES_READONLY | ES_AUTOHSCROLL);
  const LONG time = GetWindowLongA(GetDlgItem(panel, IDC_PANEL_TIME), GWL_STYLE);
  EXPECT_EQ(time & (ES_READONLY | ES_CENTER), ES_READONLY | ES_CENTER);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(panel, IDC_PANEL_POSITION), GWL_STYLE) & (TBS_VERT | TBS_NOTICKS),
            TBS_NOTICKS);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(panel, IDC_PANEL_VOLUME), GWL_STYLE) & (TBS_VERT | TBS_NOTICKS),
            TBS_VERT | TBS_NOTICKS);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(panel, IDC_PANEL_LOOP), GWL_STYLE) & 0xF, BS_AUTOCHECKBOX);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(panel, IDC_PANEL_SHUFFLE), GWL_STYLE) & 0xF, BS_AUTOCHECKBOX);
  HWND group = GetDlgItem(panel, -1);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(Text(group), "Volume");
  DestroyWindow(panel);
}

TEST_F(PlayerWindowsTest, ListWindowShowsTheListWithItsColumnsAndStar) {
  HWND window = CreateDialogParamA(AppInstance, "SNDLIST", nullptr, Plain, 0);
  ASSERT_NE(window, nullptr);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_CAPTION), WS_POPUP | WS_BORDER);
  EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  ExpectSize(window, 192, 209);
  HWND view = GetDlgItem(window, IDC_PLAYLIST_VIEW);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(ClassOf(view), "SysListView32");
  const LONG viewStyle = GetWindowLongA(view, GWL_STYLE);
  const LONG wanted = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER;
  EXPECT_EQ(viewStyle & wanted, wanted);
  // The list view draws its border as a client edge.
  EXPECT_TRUE((viewStyle & WS_BORDER) != 0 ||
              (GetWindowLongA(view, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0);
  EXPECT_EQ(Text(GetDlgItem(window, IDC_PLAYLIST_SAVE)), "SAVE");
  EXPECT_EQ(Text(GetDlgItem(window, IDC_PLAYLIST_LOAD)), "LOAD");
  DestroyWindow(window);

  // The real window: its title, columns, rows and the star on the current entry.
  Fill(3);
  PlayNo = 1;
  SndDLEFT = 40;
  SndDTOP = 50;
  window = CreateDialogParamA(AppInstance, "SNDLIST", nullptr, PlayListWindowProc, 0);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ListWindow, window);
  EXPECT_EQ(Text(window), "TarvoClock play list");
  RECT place;
  GetWindowRect(window, &place);
  EXPECT_EQ(place.left, 40);
  EXPECT_EQ(place.top, 50);
  EXPECT_EQ(SndLLEFT, 40);
  view = GetDlgItem(window, IDC_PLAYLIST_VIEW);
  const DWORD extended = static_cast<DWORD>(SendMessageA(view, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  const char* headers[] = {"　", "No", "ファイル名"};
  const int widths[] = {18, 30, 215};
  const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT};
  for (int c = 0; c < 3; ++c) {
    char header[64] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = header;
    column.cchTextMax = sizeof header;
    ASSERT_TRUE(SendMessageA(view, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(header, headers[c]);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, formats[c]);
    // The name column may have been widened for its texts.
    if (c < 2) {
      EXPECT_EQ(column.cx, widths[c]) << c;
    } else {
      EXPECT_GE(column.cx, widths[c]);
    }
  }
  ASSERT_EQ(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(Cell(view, 0, 0), "　");
  EXPECT_EQ(Cell(view, 1, 0), "★");
  EXPECT_EQ(Cell(view, 2, 1), "3");
  EXPECT_EQ(Cell(view, 2, 2), "track00002");
  EXPECT_EQ(NowPlaying, 1);
  SendMessageA(window, LIST_MARK, 1, 2);
  EXPECT_EQ(Cell(view, 1, 0), "　");
  EXPECT_EQ(Cell(view, 2, 0), "★");
  EXPECT_EQ(SendMessageA(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
  // One star at most, whatever row the sender believes it starred last.
  SendMessageA(window, LIST_MARK, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(Cell(view, 2, 0), "　");
  EXPECT_EQ(Cell(view, 0, 0), "★");
  // A mark for a row that is not there leaves no row starred.
  SendMessageA(window, LIST_MARK, static_cast<WPARAM>(-1), 7);
  EXPECT_EQ(Cell(view, 0, 0), "　");
  SendMessageA(window, LIST_MARK, static_cast<WPARAM>(-1), 2);

  // A long name widens its column; the "No" column widens for five-digit numbers.
  EntryCount = 0;
  ASSERT_TRUE(AppendEntry("C:\\music\\a very long file name that needs a much wider column than "
                          "two hundred and fifteen pixels.mp3"));
  SendMessageA(window, LIST_REFILL, 0, 0);
  const int nameWidth = static_cast<int>(SendMessageA(view, LVM_GETCOLUMNWIDTH, 2, 0));
  const int textWidth = static_cast<int>(SendMessageA(
      view, LVM_GETSTRINGWIDTHA, 0,
      reinterpret_cast<LPARAM>("a very long file name that needs a much wider column than two "
                               "hundred and fifteen pixels")));
  EXPECT_GT(nameWidth, 215);
  EXPECT_GE(nameWidth, textWidth);

  // 10000 rows, timed.
  Fill(kMaxEntries);
  PlayNo = 9999;
  const DWORD start = GetTickCount();
  SendMessageA(window, LIST_REFILL, 0, 0);
  const DWORD refillMs = GetTickCount() - start;
  EXPECT_EQ(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0), kMaxEntries);
  EXPECT_EQ(Cell(view, 9999, 1), "10000");
  EXPECT_EQ(Cell(view, 9999, 0), "★");
  EXPECT_GT(SendMessageA(view, LVM_GETCOLUMNWIDTH, 1, 0), 0);
  RecordProperty("refill10000Ms", static_cast<int>(refillMs));
  printf("refill of 10000 rows: %lu ms\n", static_cast<unsigned long>(refillMs));
  EXPECT_LT(refillMs, 30000u);

  // Closing stores the window's place.
  SetWindowPos(window, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ListWindow, nullptr);
  EXPECT_EQ(SndLLEFT, 70);
  EXPECT_EQ(SndLTOP, 80);
  DestroyWindow(window);
}

TEST_F(PlayerWindowsTest, AListWithoutASavedPlaceOpensBesideThePanelNotOverIt) {
  struct Case {
    int panelTop;
    bool below;
  };
  // In the upper half of the screen the list goes below the panel, in the lower half above it.
  for (const Case& c : {Case{80, true}, Case{600, false}}) {
    HWND panel = CreateWindowExA(0, "STATIC", "panel", WS_POPUP | WS_VISIBLE, 100, c.panelTop, 300,
                                 60, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(panel, nullptr);
    PanelWindow = panel;
    SndLLEFT = SndLTOP = -1;
    HWND list = CreateDialogParamA(AppInstance, "SNDLIST", nullptr, PlayListWindowProc, 0);
    PanelWindow = nullptr;
    ASSERT_NE(list, nullptr);
    RECT l;
    GetWindowRect(list, &l);
    EXPECT_EQ(l.left, 100) << c.panelTop;
    if (c.below) {
      EXPECT_GE(l.top, c.panelTop + 60) << c.panelTop;
    } else {
      EXPECT_LE(l.bottom, c.panelTop) << c.panelTop;
    }
    EXPECT_EQ(SndLLEFT, l.left);
    EXPECT_EQ(SndLTOP, l.top);
    DestroyWindow(list);
    ListWindow = nullptr;
    DestroyWindow(panel);
  }
}

TEST_F(PlayerWindowsTest, AListThatCannotBeSavedLeavesTheFileAsItWas) {
  TempFolder folder;
  const std::string lst = folder / "kept.lst";
  const std::string old = "[PlayList]\r\nPlayNo=0\r\nFILE0000=C:\\old.mp3\r\n";
  ASSERT_TRUE(WriteBytes(lst, old));
  ASSERT_TRUE(SetFileAttributesA(lst.c_str(), FILE_ATTRIBUTE_READONLY));
  Fill(2);
  // Replacing a read-only file is refused, as Windows refuses it.
  EXPECT_FALSE(SavePlayList(lst.c_str()));
  EXPECT_EQ(ReadBytes(lst), old);
  // No stray file is left beside it.
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder / "*.tmp").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  // A folder that is not there.
  EXPECT_FALSE(SavePlayList((folder / "missing\\x.lst").c_str()));
  EXPECT_FALSE(Exists(folder / "missing"));
  // Writable again: the save replaces it whole.
  ASSERT_TRUE(SetFileAttributesA(lst.c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(SavePlayList(lst.c_str()));
  EXPECT_EQ(ReadBytes(lst),
            "[PlayList]\r\nPlayNo=0\r\nFILE0000=C:\\music\\track00000.mp3\r\n"
            "FILE0001=C:\\music\\track00001.mp3\r\n");
}

// What the open panel showed once its track played, read from inside its own modal loop.
struct PanelSeen {
  std::string title;
  std::string caption;
  std::string button;
  int volumeSlider = -1;
  bool played = false;
};
PanelSeen seen;
DWORD panelOpened = 0;

BOOL CALLBACK DismissWarning(HWND window, LPARAM) {
  if (GetWindow(window, GW_OWNER) == ClockWindow && ClassOf(window) == "#32770") {
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

void CALLBACK WatchPanel(HWND, UINT, UINT_PTR timer, DWORD) {
  const bool timedOut = GetTickCount() - panelOpened > 10000;
  // A warning that the file could not be played would wait for a user: it fails the test.
  if (timedOut) EnumThreadWindows(GetCurrentThreadId(), DismissWarning, 0);
  if (PanelWindow == nullptr) return;
  if (PanelPlayer.Playing.load() == 0 && !timedOut) return;
  seen.played = PanelPlayer.Playing.load() != 0;
  seen.title = Text(GetDlgItem(PanelWindow, IDC_PANEL_TITLE));
  seen.caption = Text(PanelWindow);
  seen.button = Text(GetDlgItem(PanelWindow, IDC_PANEL_PLAY));
  seen.volumeSlider =
      static_cast<int>(SendDlgItemMessageA(PanelWindow, IDC_PANEL_VOLUME, TBM_GETPOS, 0, 0));
  KillTimer(nullptr, timer);
  PostMessageA(PanelWindow, WM_CLOSE, 0, 0);
}

// Runs the real panel over a one-entry list that plays at once, until WatchPanel closes it.
PanelSeen RunPanelOnce(const std::string& path) {
  seen = PanelSeen();
  EntryCount = 0;
  EXPECT_TRUE(AppendEntry(path.c_str()));
  PlayNo = 0;
  AutoPlay = 1;
  panelOpened = GetTickCount();
  SetTimer(nullptr, 0, 50, WatchPanel);
  OpenPlayerPanel();
  return seen;
}

// The real panel, driven from a thread timer (which every modal loop dispatches): each step waits
// for its condition, at most 15 s, and then acts; then the panel is closed. Every warning owned
// by the clock is counted.
struct PanelStep {
  std::function<bool()> ready;
  std::function<void()> act;
};
std::vector<PanelStep> script;
size_t scriptAt = 0;
DWORD stepStarted = 0;
bool scriptTimedOut = false;
std::vector<HWND> warningsSeen;

// With `press`, the warnings are answered too.
BOOL CALLBACK NoteWarning(HWND window, LPARAM press) {
  if (GetWindow(window, GW_OWNER) != ClockWindow || !IsWindowVisible(window)) return TRUE;
  if (std::find(warningsSeen.begin(), warningsSeen.end(), window) == warningsSeen.end()) {
    warningsSeen.push_back(window);
  }
  if (press != 0) PostMessageA(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

bool WarningUp() { return !warningsSeen.empty() && IsWindowVisible(warningsSeen.back()); }

void PressWarnings() { EnumThreadWindows(GetCurrentThreadId(), NoteWarning, 1); }

void CALLBACK RunScript(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), NoteWarning, 0);
  if (scriptAt < script.size() && GetTickCount() - stepStarted > 15000) {
    scriptTimedOut = true;
    scriptAt = script.size();
  } else if (scriptAt < script.size() && script[scriptAt].ready()) {
    script[scriptAt++].act();
    stepStarted = GetTickCount();
    if (scriptAt < script.size()) return;
  } else {
    return;
  }
  PressWarnings();
  if (PanelWindow != nullptr) PostMessageA(PanelWindow, WM_CLOSE, 0, 0);
}

// Runs the panel over `paths` (played at once with `autoPlay`) through the steps, until it
// closes. False when a step waited in vain.
bool RunPanelScript(const std::vector<std::string>& paths, bool autoPlay,
                    std::vector<PanelStep> steps) {
  EntryCount = 0;
  for (const std::string& path : paths) EXPECT_TRUE(AppendEntry(path.c_str()));
  PlayNo = 0;
  AutoPlay = autoPlay ? 1 : 0;
  script = std::move(steps);
  scriptAt = 0;
  scriptTimedOut = false;
  warningsSeen.clear();
  stepStarted = GetTickCount();
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunScript);
  OpenPlayerPanel();
  KillTimer(nullptr, timer);
  return !scriptTimedOut;
}

// A drop of one file as the shell makes it: a DROPFILES block, the ANSI path and two zeros.
HDROP MakeDrop(const std::string& path) {
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + path.size() + 2);
  if (memory == nullptr) return nullptr;
  DROPFILES* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), path.c_str(), path.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class RunningPanelTest : public PlayerWindowsTest {
 protected:
  void SetUp() override {
    PlayerWindowsTest::SetUp();
    if (MediaFolder().empty()) GTEST_SKIP() << "TARVO_TEST_MEDIA is not set";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ClockWindow = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  AppInstance, nullptr);
    RepFlag = false;
    StepOntoCurrent = false;
  }
  void TearDown() override {
    SetMetadataEditorFactory(nullptr);
    if (ClockWindow != nullptr) DestroyWindow(ClockWindow);
    ClockWindow = nullptr;
    PlayerWindowsTest::TearDown();
    CoUninitialize();
  }
  static bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(PanelWindow, id)) != FALSE; }
};

// One warning for the unplayable first file; once it is closed, the panel goes on to the next
// entry, as it does after a failure during playback.
TEST_F(RunningPanelTest, AListThatStartsOnAnUnplayableFileWarnsOnceAndPlaysOn) {
  int played = -1;
  const bool done = RunPanelScript(
      {Media("noise.mp3"), Media("tone.wav")}, true,
      {{WarningUp, PressWarnings},
       {[] { return PanelPlayer.Playing.load() != 0; }, [&] { played = NowPlaying; }}});
  EXPECT_TRUE(done);
  EXPECT_EQ(played, 1);
  EXPECT_EQ(warningsSeen.size(), 1u);
}

// A drop with nothing acceptable empties the list window as well as the list, and the steps it
// disabled come back with the next list played.
TEST_F(RunningPanelTest, AnEmptyDropEmptiesTheListWindowAndALaterListEnablesTheSteps) {
  HWND list = CreateDialogParamA(AppInstance, "SNDLIST", nullptr, PlayListWindowProc, 0);
  ASSERT_NE(list, nullptr);
  HWND view = GetDlgItem(list, IDC_PLAYLIST_VIEW);
  LRESULT rowsAfterDrop = -1;
  bool stepsAfterDrop = true;
  bool stepsAfterLoad = false;
  const bool done = RunPanelScript(
      {"C:\\gone\\a.mp3", "C:\\gone\\b.mp3"}, false,
      {{[] { return PanelWindow != nullptr; },
        [&] {
          SendMessageA(PanelWindow, WM_DROPFILES,
                       reinterpret_cast<WPARAM>(MakeDrop("C:\\gone\\notes.txt")), 0);
          rowsAfterDrop = SendMessageA(view, LVM_GETITEMCOUNT, 0, 0);
          stepsAfterDrop = Enabled(IDC_PANEL_NEXT) || Enabled(IDC_PANEL_BACK);
          // What LOAD does with the file it read.
          AppendEntry("C:\\gone\\c.mp3");
          AppendEntry("C:\\gone\\d.mp3");
          BuildOrder();
          PlayChosenEntry();
          stepsAfterLoad = Enabled(IDC_PANEL_NEXT) && Enabled(IDC_PANEL_BACK);
        }}});
  DestroyWindow(list);
  EXPECT_TRUE(done);
  EXPECT_EQ(EntryCount, 2);
  EXPECT_EQ(rowsAfterDrop, 0);
  EXPECT_FALSE(stepsAfterDrop);
  EXPECT_TRUE(stepsAfterLoad);
}

// A play asked for while the panel's own play is opening its file waits for that one to finish:
// two opens on one player at once would leave the first graph sounding with nothing to stop it.
TEST_F(RunningPanelTest, APlayAskedForDuringAnOpenComesAfterIt) {
  reenteringOpens = 0;
  SetMetadataEditorFactory(CreateReenteringEditor);
  uint32_t threadsWhilePlaying = 0;
  const bool done = RunPanelScript(
      {Media("step.wav")}, true,
      {{[] { return reenteringOpens >= 2 && PanelPlayer.Playing.load() != 0; },
        [&] { threadsWhilePlaying = PlaybackThreadsRunning(); }}});
  EXPECT_TRUE(done);
  EXPECT_EQ(threadsWhilePlaying, 1u);
  EXPECT_EQ(reenteringOpens, 2);
}

TEST_F(PlayerWindowsTest, TheTitleLineShowsTheTagsOrTheFileName) {
  const std::string tone = MediaFolder().empty() ? "" : Media("tone.wav");
  if (tone.empty()) GTEST_SKIP() << "TARVO_TEST_MEDIA is not set";
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ClockWindow = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                AppInstance, nullptr);
  MasterVol = 0.75f;
  SetMetadataEditorFactory(CreatePanelTagEditor);
  panelTags.title = L"Song";
  panelTags.author = L"Band";
  PanelSeen both = RunPanelOnce(tone);
  panelTags.author = nullptr;
  PanelSeen titleOnly = RunPanelOnce(tone);
  panelTags.title = nullptr;
  panelTags.author = L"Band";
  PanelSeen authorOnly = RunPanelOnce(tone);
  SetMetadataEditorFactory(nullptr);
  DestroyWindow(ClockWindow);
  ClockWindow = nullptr;
  CoUninitialize();
  EXPECT_TRUE(both.played);
  EXPECT_EQ(both.title, "Song - Band");
  EXPECT_EQ(both.caption, "TarvoClock - tone");
  EXPECT_EQ(both.button, "PAUSE");
  EXPECT_EQ(both.volumeSlider, 4096);
  EXPECT_EQ(titleOnly.title, "Song");
  EXPECT_EQ(authorOnly.title, "tone");
  // Each closing stopped its playback and stored the panel's place.
  EXPECT_EQ(PanelWindow, nullptr);
  EXPECT_EQ(PanelPlayer.ThreadAlive.load(), 0);
  EXPECT_NE(SndDLEFT, -1);
}

}  // namespace
