// The media engine on the platform's DirectShow, with media made by scripts/make-test-media.sh:
// every kind plays to its end through its open path, bad input is refused at once, pauses and
// seeks act, stops racing the end on two threads leak nothing, and tags stay bounded.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#include <wmsdkidl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../shared/temp_folder_win32.h"
#include "../shared/test_media_win32.h"
#include "player/media_engine_win32.h"
#include "player/video_window_win32.h"
#include "settings/settings.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    Pump();
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

// Pumps until `done` or the time is up; returns the milliseconds it took, or -1.
template <typename Done>
long PumpUntil(Done done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    Pump();
    if (done()) return static_cast<long>(GetTickCount() - start);
    if (GetTickCount() - start >= timeoutMs) return -1;
    Sleep(5);
  }
}

bool Idle(const MediaPlayer& p) {
  return p.Graph == nullptr && p.Control == nullptr && p.Events == nullptr &&
         p.Seeking == nullptr && p.Audio == nullptr && p.VideoWin == nullptr && p.Playing == 0 &&
         p.ThreadAlive == 0 && p.Path[0] == '\0';
}

std::vector<DWORD> ThreadIds() {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.push_back(entry.th32ThreadID);
  }
  CloseHandle(snapshot);
  return ids;
}

DWORD ThreadCount() { return static_cast<DWORD>(ThreadIds().size()); }

// This process's open handles, from the system's handle list (Wine does not implement the
// per-process count).
DWORD HandleCount() {
  struct Entry {
    ULONG process;
    UCHAR type;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  const Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  std::vector<char> buffer(1 << 22);
  ULONG length = 0;
  constexpr int kSystemHandleInformation = 16;
  if (query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length) !=
      0) {
    return 0;
  }
  ULONG entries = 0;
  memcpy(&entries, buffer.data(), sizeof entries);
  const Entry* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
  const size_t room = (buffer.size() - sizeof(ULONG_PTR)) / sizeof(Entry);
  DWORD count = 0;
  for (ULONG i = 0; i < entries && i < room; ++i) {
    if (entry[i].process == GetCurrentProcessId()) ++count;
  }
  return count;
}

class MediaEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (MediaFolder().empty()) GTEST_SKIP() << "TARVO_TEST_MEDIA is not set";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    MasterVol = 1.0f;
    FullScreenFlag = 0;
    MoviePosX = 40;
    MoviePosY = 40;
    CurrentPlayer = &player;
  }
  void TearDown() override {
    StopPlayback(&player);
    Pump();
    CurrentPlayer = nullptr;
    CoUninitialize();
  }
  MediaPlayer player;
};

TEST_F(MediaEngineTest, EveryKindPlaysToItsEndThroughItsPath) {
  struct Case {
    const char* name;
    int kind;
    OpenedBy opener;
    bool picture;
    int64_t lengthMs;
  } const cases[] = {
      {"tone.wav", 2, OpenedBy::kRenderFile, false, 2000},
      {"tone.mp3", 0, OpenedBy::kAsfReader, false, 2000},
      {"tone.wma", 1, OpenedBy::kAsfReader, false, 2000},
      {"tone.ogg", 999, OpenedBy::kAsfReader, false, 2000},
      {"clip.avi", 100, OpenedBy::kRenderFile, true, 2000},
      // The reader wedges on files with picture and sound under Wine: RenderFile takes over.
      {"clip.wmv", 101, OpenedBy::kRenderFile, true, 2000},
      {"clip.mpg", 102, OpenedBy::kRenderFile, true, 2000},
      {"clip.mp4", 999, OpenedBy::kRenderFile, true, 2000},
      // No sound: setting the volume fails, and it plays all the same.
      {"quiet.avi", 100, OpenedBy::kRenderFile, true, 2000},
      // Cut in half: it plays what it holds.
      {"half.wav", 2, OpenedBy::kRenderFile, false, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(OpenAndPlay(&player, Media(c.name).c_str())) << std::hex << player.Hr;
    const DWORD opened = GetTickCount();
    EXPECT_EQ(player.MediaKind, c.kind);
    EXPECT_EQ(player.Opener, c.opener);
    EXPECT_EQ(player.Playing, 1);
    EXPECT_EQ(player.ThreadAlive, 1);
    EXPECT_NEAR(static_cast<double>(GetDurationMs()), static_cast<double>(c.lengthMs), 50.0);
    HWND window = player.VideoWindow;
    if (c.picture) {
      EXPECT_EQ(player.AspectX, 4);
      EXPECT_EQ(player.AspectY, 3);
      ASSERT_NE(window, nullptr);
      EXPECT_TRUE(IsWindowVisible(window));
    } else {
      EXPECT_EQ(player.AspectX, 0);
      EXPECT_EQ(window, nullptr);
    }
    // Playing falls first, then ThreadAlive, both within the length and a second.
    DWORD playingFell = 0;
    const long took = PumpUntil(
        [&] {
          if (playingFell == 0 && player.Playing == 0) playingFell = GetTickCount();
          return player.ThreadAlive == 0;
        },
        static_cast<DWORD>(c.lengthMs + 1000));
    ASSERT_GE(took, 0) << "still playing after the length and a second";
    ASSERT_NE(playingFell, 0u);
    EXPECT_LE(playingFell - opened, static_cast<DWORD>(took) + 1);
    EXPECT_EQ(player.EventCode, 1);  // EC_COMPLETE
    EXPECT_TRUE(Idle(player));
    if (window != nullptr) {
      EXPECT_GE(PumpUntil([&] { return !IsWindow(window); }, 1000), 0);
    }
  }
}

TEST_F(MediaEngineTest, PauseHoldsThePositionAndSeekingEndsEarly) {
  ASSERT_TRUE(OpenAndPlay(&player, Media("step.wav").c_str()));
  PumpFor(300);
  ASSERT_TRUE(PausePlayback(&player));
  PumpFor(50);
  const int64_t held = GetPositionMs(&player);
  PumpFor(1000);
  EXPECT_NEAR(static_cast<double>(GetPositionMs(&player)), static_cast<double>(held), 30.0);
  EXPECT_GE(held, 250);
  EXPECT_EQ(player.Playing, 1);
  ASSERT_TRUE(ResumePlayback(&player));
  // 3 s of sound: from 2.7 s on, it ends within half a second of the seek.
  SeekMs(2700);
  EXPECT_GE(GetPositionMs(&player), 2690);
  const long took = PumpUntil([&] { return player.ThreadAlive == 0; }, 2000);
  EXPECT_GE(took, 0);
  EXPECT_LT(took, 800);
  EXPECT_EQ(player.EventCode, 1);
}

TEST_F(MediaEngineTest, BadInputIsRefusedAtOnceAndLeavesThePlayerIdle) {
  std::string tooLong = MediaFolder() + "\\" + std::string(300, 'a') + ".mp3";
  const std::string inputs[] = {
      Media("missing.mp3"), Media("empty.mp3"), Media("noise.avi"), Media("noise.mp3"),
      Media("folder.mp3"),  "http://127.0.0.1:9/song.mp3",         tooLong,
      "",
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(OpenAndPlay(&player, input.c_str()));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(Idle(player));
    EXPECT_EQ(player.VideoWindow, nullptr);
    EXPECT_EQ(FindWindowA(kVideoWindowClass, nullptr), nullptr);
  }
}

TEST_F(MediaEngineTest, LongestAndShiftJisPathsPlay) {
  TempFolder folder;
  // "表" (95 5C) ends in a backslash byte; the name must survive as one character.
  const std::string japanese = folder.Path() + "\\\x83\x65\x83\x58\x83\x67\x95\x5c.wav";
  ASSERT_TRUE(CopyFileA(Media("blip.wav").c_str(), japanese.c_str(), FALSE));
  std::string longest = folder.Path() + "\\";
  longest += std::string(259 - longest.size() - 4, 'b') + ".wav";
  ASSERT_EQ(longest.size(), 259u);
  if (!CopyFileA(Media("blip.wav").c_str(), longest.c_str(), FALSE)) {
    GTEST_SKIP() << "the file system refuses a 259-character path";
  }
  for (const std::string& path : {japanese, longest}) {
    ASSERT_TRUE(OpenAndPlay(&player, path.c_str())) << path << " " << std::hex << player.Hr;
    EXPECT_STREQ(player.Path, path.c_str());
    EXPECT_GE(PumpUntil([&] { return player.ThreadAlive == 0; }, 2000), 0);
  }
}

// A playback ending while its opener does not look at its messages: the graph's release sends
// to the opener's video window, so only a wait that dispatches lets it finish.
TEST_F(MediaEngineTest, AnEndWhileTheOpenerSleepsIsFinishedByTheWait) {
  ASSERT_TRUE(OpenAndPlay(&player, Media("blip.avi").c_str()));
  Sleep(1500);
  const DWORD start = GetTickCount();
  EXPECT_TRUE(WaitPlayerIdle(&player, 5000));
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_TRUE(Idle(player));
}

// A graph that does not let go when stopped (by the program, or by the user closing its window):
// the stop gives its thread up after its bound, the player is free at once for the next file,
// and the thread later ends without touching it. The picture stays a child of its window until
// the graph lets go: the window is only hidden until then, and closed after.
TEST_F(MediaEngineTest, AStopThatNeverFinishesGivesTheThreadUp) {
  for (const bool byWindow : {false, true}) {
    SCOPED_TRACE(byWindow ? "window closed" : "stopped");
    ASSERT_TRUE(OpenAndPlay(&player, Media("clip.avi").c_str()));
    HWND window = player.VideoWindow;
    ASSERT_NE(window, nullptr);
    PumpFor(100);
    TestStallReleaseMs = 4500;
    DWORD start = GetTickCount();
    if (byWindow) {
      SendMessageA(window, WM_CLOSE, 0, 0);
    } else {
      EXPECT_FALSE(StopPlayback(&player));
    }
    const DWORD took = GetTickCount() - start;
    TestStallReleaseMs = 0;
    EXPECT_GE(took, kStopWaitMs - 50);
    EXPECT_LT(took, kStopWaitMs + 500);
    EXPECT_TRUE(Idle(player));
    EXPECT_EQ(player.ThreadHandle, nullptr);
    EXPECT_EQ(player.VideoWindow, nullptr);
    EXPECT_EQ(PlaybackThreadsRunning(), 1u);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_NE(GetWindow(window, GW_CHILD), nullptr);
    ASSERT_TRUE(OpenAndPlay(&player, Media("tone.mp3").c_str()));
    EXPECT_EQ(PlaybackThreadsRunning(), 2u);
    // The given-up thread finishes first (4.5 s after its stop) and leaves the new playback be.
    EXPECT_GE(PumpUntil([&] { return PlaybackThreadsRunning() == 1; }, 3000), 0);
    EXPECT_GE(PumpUntil([&] { return !IsWindow(window); }, 1000), 0);
    EXPECT_EQ(player.Playing, 1);
    EXPECT_STREQ(player.Path, Media("tone.mp3").c_str());
    EXPECT_GE(PumpUntil([&] { return player.ThreadAlive == 0; }, 3000), 0);
    EXPECT_EQ(player.EventCode, 1);
    EXPECT_EQ(PlaybackThreadsRunning(), 0u);
  }
}

// The second thread plays inside a modal loop, as an alarm's stop window or the panel does.
struct ModalRun {
  MediaPlayer player;
  std::string path;
  int cycles = 0;
  int target = 0;
  DWORD until = 0;
  unsigned seed = 1;
  int refused = 0;
};

// Where the racing test's two threads are, for its watchdog: round * 10 + step (1 opening,
// 2 stopping).
std::atomic<int> racingAt{0};
std::atomic<int> modalAt{0};

#if defined(_WIN64)
// Prints where every other thread of the process is, as module+offset frames (the platform's
// DLLs carry their debug lines, so addr2line names them).
void PrintThreadStacks() {
  for (const DWORD id : ThreadIds()) {
    if (id == GetCurrentThreadId()) continue;
    HANDLE thread = OpenThread(THREAD_ALL_ACCESS, FALSE, id);
    if (thread == nullptr) continue;
    CONTEXT context = {};
    context.ContextFlags = CONTEXT_FULL;
    if (SuspendThread(thread) != static_cast<DWORD>(-1) && GetThreadContext(thread, &context)) {
      printf("thread %04lx:", id);
      for (int frame = 0; frame < 40 && context.Rip != 0; ++frame) {
        HMODULE module = nullptr;
        char name[MAX_PATH] = "?";
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<const char*>(context.Rip), &module)) {
          GetModuleFileNameA(module, name, sizeof name);
        }
        const char* base = strrchr(name, '\\');
        printf(" %s+%llx", base != nullptr ? base + 1 : name,
               static_cast<unsigned long long>(context.Rip - reinterpret_cast<DWORD64>(module)));
        DWORD64 imageBase = 0;
        RUNTIME_FUNCTION* function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (function == nullptr) {
          context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
          context.Rsp += 8;
          continue;
        }
        void* handlerData = nullptr;
        DWORD64 establisher = 0;
        RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context,
                         &handlerData, &establisher, nullptr);
      }
      printf("\n");
    }
    CloseHandle(thread);
  }
  fflush(stdout);
}
#endif

// A hang inside the platform's graph calls would otherwise end the whole suite only at the
// ctest limit, with nothing said: this says which call each thread is in and ends the process.
DWORD WINAPI RacingWatchdog(void* parameter) {
  if (WaitForSingleObject(static_cast<HANDLE>(parameter), 150000) == WAIT_OBJECT_0) return 0;
  const int mine = racingAt.load();
  const int theirs = modalAt.load();
  printf("hung: this thread in round %d step %d, the modal thread in round %d step %d "
         "(1 opening, 2 stopping)\n", mine / 10, mine % 10, theirs / 10, theirs % 10);
  fflush(stdout);
#if defined(_WIN64)
  PrintThreadStacks();
#endif
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}

unsigned NextRandom(unsigned* seed) {
  *seed = *seed * 1103515245u + 12345u;
  return (*seed >> 16) & 0x7FFF;
}

INT_PTR CALLBACK ModalCycles(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  ModalRun* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    SetTimer(dialog, 1, 10, nullptr);
    return TRUE;
  }
  if (message == WM_TIMER && run != nullptr) {
    if (run->player.Job == nullptr && run->until == 0) {
      modalAt = run->cycles * 10 + 1;
      if (!OpenAndPlay(&run->player, run->path.c_str())) ++run->refused;
      modalAt = run->cycles * 10;
      run->until = GetTickCount() + NextRandom(&run->seed) % 330;
    } else if (run->until != 0 && GetTickCount() >= run->until) {
      modalAt = run->cycles * 10 + 2;
      StopPlayback(&run->player);
      modalAt = run->cycles * 10;
      run->until = 0;
      if (++run->cycles == run->target) EndDialog(dialog, 0);
    }
    return TRUE;
  }
  return FALSE;
}

DWORD WINAPI ModalThread(void* parameter) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  struct {
    DLGTEMPLATE t;
    WORD menu, windowClass, title;
  } dialog = {};
  dialog.t.style = WS_POPUP;
  dialog.t.cx = 10;
  dialog.t.cy = 10;
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialog.t, nullptr, ModalCycles,
                          reinterpret_cast<LPARAM>(parameter));
  StopPlayback(&static_cast<ModalRun*>(parameter)->player);
  CoUninitialize();
  return 0;
}

// Handles a plain DirectShow graph leaves behind in this process once released: Wine 8 keeps
// some for good after every graph, with no engine of ours involved.
double PlatformHandlesPerGraph(const std::string& path) {
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  auto once = [&] {
    IGraphBuilder* graph = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IGraphBuilder, reinterpret_cast<void**>(&graph)))) {
      return;
    }
    IMediaControl* control = nullptr;
    if (SUCCEEDED(graph->RenderFile(wide, nullptr)) &&
        SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)))) {
      control->Run();
      PumpFor(100);
      control->Stop();
      control->Release();
    }
    graph->Release();
    PumpFor(50);
  };
  once();
  const DWORD before = HandleCount();
  constexpr int kGraphs = 10;
  for (int i = 0; i < kGraphs; ++i) once();
  return static_cast<double>(HandleCount() - before) / kGraphs;
}

TEST_F(MediaEngineTest, StopsRacingTheEndOnTwoThreadsLeakNothing) {
  const double platformLeak = PlatformHandlesPerGraph(Media("blip.wav"));
  // One round first, so the platform's own lasting threads and handles are counted as there.
  for (const char* name : {"blip.wav", "blip.avi"}) {
    ASSERT_TRUE(OpenAndPlay(&player, Media(name).c_str()));
    PumpFor(100);
    StopPlayback(&player);
  }
  PumpFor(500);
  const DWORD threadsBefore = ThreadCount();
  const DWORD handlesBefore = HandleCount();
  ASSERT_GT(handlesBefore, 0u);

  ModalRun modal;
  modal.path = Media("blip.avi");
  modal.target = 100;
  modal.seed = 7;
  // On a failure below the watchdog keeps its event and goes on watching the way out.
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE watchdog = CreateThread(nullptr, 0, RacingWatchdog, done, 0, nullptr);
  ASSERT_NE(watchdog, nullptr);
  HANDLE other = CreateThread(nullptr, 0, ModalThread, &modal, 0, nullptr);
  ASSERT_NE(other, nullptr);
  unsigned seed = 3;
  int refused = 0;
  for (int i = 0; i < 100; ++i) {
    racingAt = i * 10 + 1;
    if (!OpenAndPlay(&player, Media(i % 2 == 0 ? "blip.wav" : "blip.avi").c_str())) ++refused;
    racingAt = i * 10;
    PumpFor(NextRandom(&seed) % 330);
    racingAt = i * 10 + 2;
    StopPlayback(&player);
    racingAt = i * 10;
  }
  DWORD waited = 0;
  while (WaitForSingleObject(other, 10) == WAIT_TIMEOUT && waited < 60000) {
    Pump();
    waited += 10;
  }
  ASSERT_EQ(WaitForSingleObject(other, 0), WAIT_OBJECT_0) << "the modal thread did not finish";
  CloseHandle(other);
  SetEvent(done);
  EXPECT_EQ(WaitForSingleObject(watchdog, 5000), WAIT_OBJECT_0);
  CloseHandle(watchdog);
  CloseHandle(done);
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(modal.refused, 0);
  EXPECT_EQ(modal.cycles, 100);
  EXPECT_TRUE(Idle(player));
  EXPECT_TRUE(Idle(modal.player));
  EXPECT_EQ(PlaybackThreadsRunning(), 0u);
  // The platform ends its streaming threads a moment after the graphs are gone.
  EXPECT_GE(PumpUntil([&] { return ThreadCount() <= threadsBefore; }, 5000), 0)
      << ThreadCount() << " threads, " << threadsBefore << " before";
  // Handles: nothing beyond what the platform itself keeps per graph, and what the second
  // thread's apartment and dialog leave once (about 50); one thread handle per playback kept
  // open would add 200.
  constexpr int kPlaybacks = 200;
  const double allowed = platformLeak * kPlaybacks + 100;
  EXPECT_GE(PumpUntil([&] { return HandleCount() - handlesBefore <= allowed; }, 5000), 0)
      << HandleCount() - handlesBefore << " more handles after " << kPlaybacks
      << " playbacks; the platform keeps " << platformLeak << " per graph";
  printf("handles: %lu more after %d playbacks, platform keeps %.1f per graph\n",
         HandleCount() - handlesBefore, kPlaybacks, platformLeak);
}

// A stand-in for the platform's metadata editor, with attributes of the test's choosing.
struct Attribute {
  WMT_ATTR_DATATYPE type;
  std::basic_string<BYTE> bytes;
};

std::basic_string<BYTE> Utf16(const wchar_t* text, bool terminated = true) {
  const size_t n = wcslen(text) + (terminated ? 1 : 0);
  return std::basic_string<BYTE>(reinterpret_cast<const BYTE*>(text), n * 2);
}

struct FakeEditor;
FakeEditor* fakeEditor = nullptr;

const IID kIidEditor = {0x96406bd9, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
const IID kIidEditor2 = {0x203cffe3, 0x2e18, 0x4fdf, {0xb5, 0x9d, 0x6e, 0x71, 0x53, 0x05, 0x34, 0xcf}};
const IID kIidHeader = {0x96406bda, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
const IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct FakeHeader : public IWMHeaderInfo {
  FakeEditor* owner;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetAttributeCount(WORD, WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributeByIndex(WORD, WORD*, WCHAR*, WORD*, WMT_ATTR_DATATYPE*,
                                                BYTE*, WORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD* stream, LPCWSTR name,
                                               WMT_ATTR_DATATYPE* type, BYTE* value,
                                               WORD* length) override;
  HRESULT STDMETHODCALLTYPE SetAttribute(WORD, LPCWSTR, WMT_ATTR_DATATYPE, const BYTE*,
                                         WORD) override {
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

struct FakeEditor : public IWMMetadataEditor {
  virtual HRESULT STDMETHODCALLTYPE OpenEx(const WCHAR* fileName, DWORD access, DWORD share) {
    opened = fileName;
    openAccess = access;
    openShare = share;
    return openResult;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, kIidUnknown) || IsEqualIID(iid, kIidEditor2) ||
        IsEqualIID(iid, kIidEditor)) {
      *out = static_cast<IWMMetadataEditor*>(this);
    } else if (IsEqualIID(iid, kIidHeader) && offerHeader) {
      *out = static_cast<IWMHeaderInfo*>(&header);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    ++references;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE Open(const WCHAR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Close() override {
    ++closes;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Flush() override { return S_OK; }

  FakeHeader header;
  std::map<std::wstring, Attribute> attributes;
  HRESULT openResult = S_OK;
  bool offerHeader = true;
  int references = 0;
  int closes = 0;
  std::wstring opened;
  DWORD openAccess = 0;
  DWORD openShare = 0;
  int lengthsNotWhole = 0;
  int calls = 0;
};

HRESULT FakeHeader::QueryInterface(REFIID iid, void** out) { return owner->QueryInterface(iid, out); }
ULONG FakeHeader::AddRef() { return owner->AddRef(); }
ULONG FakeHeader::Release() { return owner->Release(); }

HRESULT FakeHeader::GetAttributeByName(WORD* stream, LPCWSTR name, WMT_ATTR_DATATYPE* type,
                                       BYTE* value, WORD* length) {
  ++owner->calls;
  if (*length != 1024 || *stream != 0) ++owner->lengthsNotWhole;
  auto found = owner->attributes.find(name);
  if (found == owner->attributes.end()) return E_FAIL;  // ASF_E_NOTFOUND
  const Attribute& a = found->second;
  if (a.bytes.size() > *length) return E_FAIL;  // ASF_E_BUFFERTOOSMALL
  *type = a.type;
  memcpy(value, a.bytes.data(), a.bytes.size());
  *length = static_cast<WORD>(a.bytes.size());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CreateFakeEditor(IUnknown** editor) {
  fakeEditor->AddRef();
  *editor = static_cast<IWMMetadataEditor*>(fakeEditor);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CreateNoEditor(IUnknown**) { return E_NOTIMPL; }

TEST(MediaTags, ComeFromTheEditorBoundedAndWhole) {
  FakeEditor editor;
  editor.header.owner = &editor;
  fakeEditor = &editor;
  // A value of exactly 1024 bytes: 511 characters and the terminator.
  std::wstring full(511, L'x');
  // 512 "あ" fill the buffer without a terminator, and would need 1024 bytes and a terminator
  // in the ANSI code page: too long, so that tag stays empty rather than cut.
  std::wstring tooWide(512, L'\x3042');
  editor.attributes[L"Title"] = {WMT_TYPE_STRING, Utf16(L"Song")};
  editor.attributes[L"Author"] = {WMT_TYPE_STRING, Utf16(L"Band with a much longer name")};
  editor.attributes[L"Description"] = {WMT_TYPE_STRING, Utf16(full.c_str())};
  editor.attributes[L"Rating"] = {WMT_TYPE_BINARY, Utf16(L"5")};
  editor.attributes[L"Copyright"] = {WMT_TYPE_STRING, Utf16(tooWide.c_str(), false)};
  SetMetadataEditorFactory(CreateFakeEditor);

  MediaPlayer player;
  memcpy(player.TagRating, "stale", 6);
  ReadTags(&player, L"Z:\\music\\song.wma");
  EXPECT_STREQ(player.TagTitle, "Song");
  EXPECT_STREQ(player.TagAuthor, "Band with a much longer name");
  EXPECT_EQ(std::string(player.TagDescription), std::string(511, 'x'));
  EXPECT_STREQ(player.TagRating, "");
  EXPECT_STREQ(player.TagCopyright, "");
  EXPECT_EQ(editor.calls, 5);
  EXPECT_EQ(editor.lengthsNotWhole, 0);
  EXPECT_EQ(editor.opened, L"Z:\\music\\song.wma");
  EXPECT_EQ(editor.openAccess, static_cast<DWORD>(GENERIC_READ));
  EXPECT_EQ(editor.openShare, static_cast<DWORD>(FILE_SHARE_READ));
  EXPECT_EQ(editor.closes, 1);
  EXPECT_EQ(editor.references, 0);

  // A file the editor cannot open, and an editor without header access: empty tags, no leak.
  editor.openResult = E_FAIL;
  ReadTags(&player, L"Z:\\music\\song.wma");
  EXPECT_STREQ(player.TagTitle, "");
  editor.openResult = S_OK;
  editor.offerHeader = false;
  ReadTags(&player, L"Z:\\music\\song.wma");
  EXPECT_STREQ(player.TagAuthor, "");
  EXPECT_EQ(editor.references, 0);
  EXPECT_EQ(editor.calls, 5);

  SetMetadataEditorFactory(CreateNoEditor);
  memcpy(player.TagTitle, "stale", 6);
  ReadTags(&player, L"Z:\\music\\song.wma");
  EXPECT_STREQ(player.TagTitle, "");
  SetMetadataEditorFactory(nullptr);
  fakeEditor = nullptr;
}

}  // namespace

namespace {

struct PicturePlace {
  long left, top, width, height;
};

// Where the picture sits in its window's client area, as the renderer reports it. Wine 8 reports
// a child renderer's place on the screen instead, so there the client's screen origin comes off.
PicturePlace PictureOf(MediaPlayer* player) {
  PicturePlace p = {-1, -1, -1, -1};
  std::lock_guard<std::mutex> guard(player->Lock);
  if (player->VideoWin == nullptr) return p;
  player->VideoWin->get_Left(&p.left);
  player->VideoWin->get_Top(&p.top);
  player->VideoWin->get_Width(&p.width);
  player->VideoWin->get_Height(&p.height);
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr) {
    POINT origin = {0, 0};
    ClientToScreen(player->VideoWindow, &origin);
    p.left -= origin.x;
    p.top -= origin.y;
  }
  return p;
}

RECT ClientOf(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  return r;
}

TEST_F(MediaEngineTest, VideoWindowKeepsTheAspectLetterboxesAndStopsWhenClosed) {
  ASSERT_TRUE(OpenAndPlay(&player, Media("long.avi").c_str()));
  HWND window = player.VideoWindow;
  ASSERT_NE(window, nullptr);
  char text[64] = "";
  GetClassNameA(window, text, sizeof text);
  EXPECT_STREQ(text, kVideoWindowClass);
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "long");
  // Restored: the picture fills the client area, which is the picture's own size.
  RECT client = ClientOf(window);
  EXPECT_EQ(client.right, 160);
  EXPECT_EQ(client.bottom, 120);
  PicturePlace p = PictureOf(&player);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, 0);
  EXPECT_EQ(p.width, 160);
  EXPECT_EQ(p.height, 120);
  // The smallest the user may drag it to: 20 units of 4:3 inside the frame.
  MINMAXINFO limits = {};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, FrameWidth + 80);
  EXPECT_EQ(limits.ptMinTrackSize.y, FrameHeight + 60);
  // Dragging the right edge to a 400-wide client area makes it 300 high.
  RECT drag = {100, 100, 100 + FrameWidth + 400, 100 + FrameHeight + 50};
  SendMessageA(window, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&drag));
  EXPECT_EQ(drag.bottom - drag.top - FrameHeight, 300);
  RECT leftAlone = {1, 2, 3, 4};
  SendMessageA(window, WM_SIZING, 9, reinterpret_cast<LPARAM>(&leftAlone));
  EXPECT_EQ(leftAlone.right, 3);

  // Where the user puts it is remembered, but not where minimising puts it.
  SetWindowPos(window, nullptr, 70, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  EXPECT_EQ(MoviePosX, 70);
  EXPECT_EQ(MoviePosY, 90);
  ShowWindow(window, SW_MINIMIZE);
  Pump();
  EXPECT_EQ(FullScreenFlag, 0);
  EXPECT_EQ(MoviePosX, 70);

  // Maximised: the picture is the largest 4:3 that fits, centred on black.
  ShowWindow(window, SW_MAXIMIZE);
  Pump();
  EXPECT_EQ(FullScreenFlag, 1);
  client = ClientOf(window);
  p = PictureOf(&player);
  EXPECT_TRUE(p.width == client.right || p.height == client.bottom);
  EXPECT_LE(p.width, client.right);
  EXPECT_LE(p.height, client.bottom);
  EXPECT_LE(std::labs(p.width * 3 - p.height * 4), 4);
  EXPECT_LE(std::labs(client.right - p.width - 2 * p.left), 1);
  EXPECT_LE(std::labs(client.bottom - p.height - 2 * p.top), 1);
  ShowWindow(window, SW_RESTORE);
  Pump();
  EXPECT_EQ(FullScreenFlag, 0);
  client = ClientOf(window);
  p = PictureOf(&player);
  EXPECT_EQ(p.width, client.right);
  EXPECT_EQ(p.height, client.bottom);

  // Closing it stops the playback and lets the graph go.
  EXPECT_EQ(player.Playing, 1);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(Idle(player));
}

TEST_F(MediaEngineTest, VideoWindowsNamedLikeClassesAndInARowStayApart) {
  TempFolder folder;
  const std::string clock = folder / "TarvoClock.avi";
  const std::string button = folder / "Button.avi";
  ASSERT_TRUE(CopyFileA(Media("long.avi").c_str(), clock.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(Media("blip.avi").c_str(), button.c_str(), FALSE));
  // A saved place on no monitor is brought back onto one.
  MoviePosX = -32000;
  MoviePosY = -32000;
  ASSERT_TRUE(OpenAndPlay(&player, clock.c_str()));
  HWND first = player.VideoWindow;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FindWindowA("TarvoClock", nullptr), nullptr);
  EXPECT_EQ(FindWindowA(kVideoWindowClass, "TarvoClock"), first);
  RECT placed;
  GetWindowRect(first, &placed);
  EXPECT_GT(placed.left, -1000);
  EXPECT_GT(placed.top, -1000);
  StopPlayback(&player);
  Pump();

  // The short one ends by itself; its window's close is still queued when the next file opens,
  // and must not stop the next one.
  ASSERT_TRUE(OpenAndPlay(&player, button.c_str()));
  HWND second = player.VideoWindow;
  const DWORD start = GetTickCount();
  while (player.ThreadAlive != 0 && GetTickCount() - start < 3000) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    Sleep(5);
  }
  ASSERT_EQ(player.ThreadAlive, 0);
  ASSERT_TRUE(OpenAndPlay(&player, clock.c_str()));
  HWND third = player.VideoWindow;
  EXPECT_NE(third, second);
  PumpFor(300);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_TRUE(IsWindow(third));
  EXPECT_EQ(player.Playing, 1);
  EXPECT_EQ(VideoPlayer, &player);
  StopPlayback(&player);

  // The system's button class is still the system's.
  HWND check = CreateWindowA("Button", "x", WS_POPUP | BS_AUTOCHECKBOX, 0, 0, 50, 20, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(check, nullptr);
  SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  DestroyWindow(check);
}

}  // namespace
