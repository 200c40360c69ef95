// Alarm stop windows on their own threads: the hand-over is bounded whatever the window does,
// a file that cannot play blocks its alarm without holding the clock thread, each window stops
// only its own alarm, stray start messages change nothing, and the sound-choice names are the
// exact Shift-JIS texts. Effects ring without holding the clock thread, and relative files are
// found beside the program.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/app_state.h"
#include "base/messages.h"
#include "base/window_handles_win32.h"
#include "../shared/test_media_win32.h"
#include "player/media_engine_win32.h"
#include "settings/settings.h"
#include "timesvc/alarms_win32.h"
#include "timesvc/clip_player_win32.h"
#include "timesvc/voice_sets_win32.h"

namespace {

template <typename Done>
long PumpUntil(Done done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (done()) return static_cast<long>(GetTickCount() - start);
    if (GetTickCount() - start >= timeoutMs) return -1;
    Sleep(5);
  }
}

struct Found {
  const char* text;  // a window text to look for, or null for stop windows
  std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  Found* found = reinterpret_cast<Found*>(param);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (found->text == nullptr) {
    if (GetPropA(window, "TarvoAlarmStop") != nullptr) found->windows.push_back(window);
  } else {
    HWND child = FindWindowExA(window, nullptr, "Static", found->text);
    if (child != nullptr) found->windows.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> StopWindows() {
  Found found = {nullptr, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

// The clock window lives on a thread of its own that answers messages, as the program's UI
// thread does while the clock thread hands alarms over: the stop windows it owns send to it.
struct ClockThreadWindow {
  HWND window = nullptr;
  DWORD threadId = 0;
  HANDLE thread = nullptr;
  HANDLE ready = nullptr;
};

DWORD WINAPI RunClockWindow(void* parameter) {
  ClockThreadWindow* clock = static_cast<ClockThreadWindow*>(parameter);
  clock->window = CreateWindowA("AlarmTestClock", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                AppInstance, nullptr);
  SetEvent(clock->ready);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DestroyWindow(clock->window);
  return 0;
}

class AlarmStopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (MediaFolder().empty()) GTEST_SKIP() << "TARVO_TEST_MEDIA is not set";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AppInstance = GetModuleHandleA(nullptr);
    MasterVol = 1.0f;
    snprintf(AppTitle, sizeof AppTitle, "TarvoClock");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = AppInstance;
    wc.lpszClassName = "AlarmTestClock";
    RegisterClassA(&wc);
    owner.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    owner.thread = CreateThread(nullptr, 0, RunClockWindow, &owner, 0, &owner.threadId);
    WaitForSingleObject(owner.ready, 5000);
    clock = owner.window;
    ClockWindow = clock;
    ResetAlarmRuns();
  }
  void TearDown() override {
    if (MediaFolder().empty()) return;
    EXPECT_TRUE(StopAlarmWindows(8000));
    EXPECT_EQ(StopThreadsRunning(), 0);
    SetStopDialogTemplate("ALARMSTOP");
    ClockWindow = nullptr;
    PostThreadMessageA(owner.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(owner.thread, 5000);
    CloseHandle(owner.thread);
    CloseHandle(owner.ready);
    ResetAlarmRuns();
    CoUninitialize();
  }
  ClockThreadWindow owner;
  HWND clock = nullptr;
};

TEST(SoundChoiceNames, AreTheShiftJisTexts) {
  const char* const expected[kSoundChoiceNameCount] = {
      "\x95\x57\x8f\x80 1",  // 標準 1
      "\x95\x57\x8f\x80 2",
      "\x83\x5e\x83\x8b\x83\x7b\x82\x50",  // タルボ１
      "\x83\x5e\x83\x8b\x83\x7b\x82\x51",  // タルボ２
      "\x83\x79\x83\x8a\x83\x93\x82\x50",  // ペリン１
      "\x83\x79\x83\x8a\x83\x93\x82\x51",
      "\x83\x4e\x83\x49\x83\x89\x82\x50",  // クオラ１
      "\x83\x4e\x83\x49\x83\x89\x82\x51",
      "\x83\x72\x83\x80\x83\x57\x81\x5b\x82\x50",  // ビムジー１
      "\x83\x72\x83\x80\x83\x57\x81\x5b\x82\x51",
  };
  for (int kind = 0; kind < kSoundChoiceNameCount; ++kind) {
    EXPECT_STREQ(kSoundChoiceNames[kind], expected[kind]) << kind;
  }
  for (int set = 0; set < kVoiceSetCount; ++set) {
    const size_t length = strlen(kVoiceSetNames[set]);
    EXPECT_EQ(strncmp(kSoundChoiceNames[2 + 2 * set], kVoiceSetNames[set], length), 0);
    EXPECT_EQ(strlen(kSoundChoiceNames[2 + 2 * set]), length + 2);
  }
}

AlarmRecord patterns[2][kAlarmCount];
std::atomic<bool> writesDone{false};

DWORD WINAPI WriteTables(void*) {
  for (int round = 0; round < 20000; ++round) StoreAlarmTable(patterns[round % 2]);
  writesDone = true;
  return 0;
}

// The list's OK writes the whole table while the clock thread copies it: every copy holds
// whole records, each from one write or the other, never a mixture.
TEST(AlarmTableCopies, NeverTearARecord) {
  for (int p = 0; p < 2; ++p) {
    for (int i = 0; i < kAlarmCount; ++i) {
      AlarmRecord& r = patterns[p][i];
      r.AlarmNo = static_cast<int8_t>(p == 0 ? i + 1 : 0);
      r.AlarmWave = static_cast<int8_t>(p == 0 ? -1 : 1);
      r.AlarmHour = static_cast<uint16_t>(p == 0 ? 7 : 23);
      r.AlarmMinite = static_cast<uint16_t>(p == 0 ? 30 : 59);
      memset(r.AlarmName, p == 0 ? 'a' : 'b', sizeof r.AlarmName - 1);
      r.AlarmName[sizeof r.AlarmName - 1] = '\0';
    }
  }
  StoreAlarmTable(patterns[0]);
  writesDone = false;
  HANDLE writer = CreateThread(nullptr, 0, WriteTables, nullptr, 0, nullptr);
  ASSERT_NE(writer, nullptr);
  int copies = 0;
  int torn = 0;
  AlarmRecord copy[kAlarmCount];
  while (!writesDone.load() || copies < 100) {
    CopyAlarmTable(copy);
    ++copies;
    const int p = copy[0].AlarmName[0] == 'a' ? 0 : 1;
    if (memcmp(copy, patterns[p], sizeof copy) != 0) ++torn;
  }
  WaitForSingleObject(writer, 10000);
  CloseHandle(writer);
  EXPECT_EQ(torn, 0) << "of " << copies;
  AlarmRecord cleared[kAlarmCount] = {};
  StoreAlarmTable(cleared);
}

// A relative alarm file is taken in the program's folder, joined by one backslash: a folder
// whose last character is a double-byte one with the trail byte 0x5C ("表", "ソ") still needs it.
TEST(AlarmFiles, RelativeNamesJoinTheProgramFolderOnce) {
  char saved[sizeof ExeFolder];
  memcpy(saved, ExeFolder, sizeof saved);
  const struct {
    const char* folder;
    const char* name;
    const char* path;
  } cases[] = {
      {"C:\\", "wake.mp3", "C:\\wake.mp3"},
      {"C:\\\x95\x5C", "wake.mp3", "C:\\\x95\x5C\\wake.mp3"},
      {"C:\\x\\\x83\x5C", "a\\b.wav", "C:\\x\\\x83\x5C\\a\\b.wav"},
  };
  for (const auto& c : cases) {
    snprintf(ExeFolder, sizeof ExeFolder, "%s", c.folder);
    char path[kAlarmNameCapacity] = {};
    ASSERT_TRUE(AlarmFilePath(c.name, path)) << c.folder;
    EXPECT_STREQ(path, c.path) << c.folder;
  }
  memcpy(ExeFolder, saved, sizeof saved);
}

// An effect alarm rings its three plays as one sound that goes on after the check has returned,
// so the clock thread is back at once; a stop at exit ends it.
TEST(EffectAlarms, RingWithoutHoldingTheClockThread) {
  StopClip();
  PlayClip(1, "se09");
  const uint32_t once = ClipPlaysForMs();
  StopClip();
  ASSERT_GT(once, 1000u);
  AlarmRecord table[kAlarmCount] = {{1, 0, "", 7, 30}};
  StoreAlarmTable(table);
  LastHour = 7;
  LastMinute = 30;
  BRAND = 0;
  StopRequested = 0;
  const DWORD start = GetTickCount();
  CheckAlarms();
  const DWORD held = GetTickCount() - start;
  const uint32_t left = ClipPlaysForMs();
  printf("the effect alarm held the check %lu ms; %u ms of the three plays (one %u ms) left\n",
         static_cast<unsigned long>(held), static_cast<unsigned>(left), static_cast<unsigned>(once));
  EXPECT_LT(held, 300u);
  EXPECT_GT(left + held + 50, 3 * once);
  StopClip();
  EXPECT_EQ(ClipPlaysForMs(), 0u);
  AlarmRecord cleared[kAlarmCount] = {};
  StoreAlarmTable(cleared);
}

TEST_F(AlarmStopTest, AHandOverThatCannotStartGivesUpWithinItsLimit) {
  SetStopDialogTemplate("NO_SUCH_DIALOG");
  DWORD start = GetTickCount();
  EXPECT_FALSE(HandOverAlarmFile(1, Media("tone.wav").c_str()));
  EXPECT_LE(GetTickCount() - start, kHandOverWaitMs + 500);
  EXPECT_FALSE(AlarmFileRinging(1));
  EXPECT_GE(PumpUntil([] { return StopThreadsRunning() == 0; }, 2000), 0);
  // Alarm numbers outside 1-8 start nothing.
  SetStopDialogTemplate("ALARMSTOP");
  for (int n : {0, 9, -1}) EXPECT_FALSE(HandOverAlarmFile(n, Media("tone.wav").c_str()));
  EXPECT_EQ(StopThreadsRunning(), 0);
}

TEST_F(AlarmStopTest, AWindowThatComesTooLateIsGivenUpAndEndsItself) {
  TestStallStopThreadMs = kHandOverWaitMs + 1000;
  const DWORD start = GetTickCount();
  EXPECT_FALSE(HandOverAlarmFile(6, Media("tone.wav").c_str()));
  const DWORD waited = GetTickCount() - start;
  TestStallStopThreadMs = 0;
  EXPECT_GE(waited, kHandOverWaitMs - 20);
  EXPECT_LE(waited, kHandOverWaitMs + 500);
  // The late window comes up, is never handed its alarm, and ends by itself.
  EXPECT_GE(PumpUntil([] { return StopWindows().size() == 1; }, 3000), 0);
  EXPECT_FALSE(AlarmFileRinging(6));
  EXPECT_GE(PumpUntil([] { return StopThreadsRunning() == 0; }, kStopWindowIdleMs + 3000), 0);
  EXPECT_TRUE(StopWindows().empty());
}

TEST_F(AlarmStopTest, AnUnplayableFileBlocksItsAlarmWithoutHoldingTheHandOver) {
  const DWORD start = GetTickCount();
  ASSERT_TRUE(HandOverAlarmFile(4, Media("noise.avi").c_str()));
  // The open and its failure box come after the hand-over has returned.
  EXPECT_LT(GetTickCount() - start, 1500u);
  Found box = {"未対応の形式です。", {}};
  ASSERT_GE(PumpUntil([&] {
              box.windows.clear();
              EnumWindows(Collect, reinterpret_cast<LPARAM>(&box));
              return !box.windows.empty();
            }, 15000), 0);
  // Owned by its own stop window on its own thread, never by the clock on another thread.
  const HWND boxOwner = GetWindow(box.windows[0], GW_OWNER);
  EXPECT_NE(boxOwner, clock);
  EXPECT_EQ(GetWindowThreadProcessId(boxOwner, nullptr),
            GetWindowThreadProcessId(box.windows[0], nullptr));
  // Blocked by its own mark, not by the handle of a window that is going away.
  EXPECT_TRUE(AlarmFileBlocked(4));
  EXPECT_FALSE(AlarmFileRinging(4));
  PostMessageA(box.windows[0], WM_COMMAND, IDOK, 0);
  EXPECT_GE(PumpUntil([] { return StopThreadsRunning() == 0; }, 5000), 0);
  EXPECT_TRUE(AlarmFileBlocked(4));
}

TEST_F(AlarmStopTest, EachWindowStopsItsOwnAlarmAndIgnoresStrayStarts) {
  // Two copies of a long tone, named after their alarms so their windows tell them apart.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string two = std::string(temp) + "alarm2.mp3";
  const std::string five = std::string(temp) + "alarm5.mp3";
  ASSERT_TRUE(CopyFileA(Media("long.mp3").c_str(), two.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(Media("long.mp3").c_str(), five.c_str(), FALSE));
  const uint32_t idle = PlaybackThreadsRunning();
  ASSERT_TRUE(HandOverAlarmFile(2, two.c_str()));
  ASSERT_TRUE(HandOverAlarmFile(5, five.c_str()));
  EXPECT_TRUE(AlarmFileRinging(2));
  EXPECT_TRUE(AlarmFileRinging(5));
  // Titled with the files' names once they play; neither is owned by the clock, whose thread
  // Windows would otherwise tie to theirs.
  HWND windowOf2 = nullptr;
  HWND windowOf5 = nullptr;
  ASSERT_GE(PumpUntil([&] {
              for (HWND w : StopWindows()) {
                char title[64] = {};
                GetWindowTextA(w, title, sizeof title);
                if (strcmp(title, "alarm2") == 0) windowOf2 = w;
                if (strcmp(title, "alarm5") == 0) windowOf5 = w;
              }
              return windowOf2 != nullptr && windowOf5 != nullptr;
            }, 10000), 0);
  EXPECT_EQ(GetWindow(windowOf2, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindow(windowOf5, GW_OWNER), nullptr);
  EXPECT_EQ(PlaybackThreadsRunning(), idle + 2);

  // Start messages from anywhere: out of range, for another alarm, or again for its own.
  for (HWND w : {windowOf2, windowOf5}) {
    for (WPARAM n : {0u, 9u, 0x10000u, 3u, 2u, 5u}) {
      DWORD_PTR result = 0;
      EXPECT_TRUE(SendMessageTimeoutA(w, MSG_ALARM_START, n, 0, SMTO_NORMAL, 2000, &result));
      EXPECT_EQ(result, 0u) << n;
    }
  }
  EXPECT_FALSE(AlarmFileRinging(3));
  EXPECT_TRUE(AlarmFileRinging(2));
  EXPECT_TRUE(AlarmFileRinging(5));

  // Alarm 2's stop button leaves alarm 5 playing.
  DWORD_PTR ignored = 0;
  EXPECT_TRUE(SendMessageTimeoutA(windowOf2, WM_COMMAND, IDOK, 0, SMTO_NORMAL, 5000, &ignored));
  EXPECT_FALSE(AlarmFileRinging(2));
  EXPECT_TRUE(AlarmFileRinging(5));
  EXPECT_GE(PumpUntil([&] { return PlaybackThreadsRunning() == idle + 1; }, 5000), 0);
  EXPECT_GE(PumpUntil([] { return StopWindows().size() == 1 && StopThreadsRunning() == 1; }, 5000), 0);
  EXPECT_FALSE(AlarmFileBlocked(2));
  // The close stops the other one and ends its thread.
  EXPECT_TRUE(StopAlarmWindows(8000));
  EXPECT_FALSE(AlarmFileRinging(5));
  EXPECT_EQ(PlaybackThreadsRunning(), idle);
  DeleteFileA(two.c_str());
  DeleteFileA(five.c_str());
}

TEST_F(AlarmStopTest, AFileRingsAgainEachTimeItEndsUntilStopped) {
  ASSERT_TRUE(HandOverAlarmFile(3, Media("blip.wav").c_str()));
  // A quarter-second file: it has ended and started again twice well within the limit.
  EXPECT_GE(PumpUntil([] { return AlarmFilePlays(3) >= 3; }, 15000), 0) << AlarmFilePlays(3);
  EXPECT_TRUE(AlarmFileRinging(3));
  EXPECT_TRUE(StopAlarmWindows(8000));
  EXPECT_FALSE(AlarmFileRinging(3));
}

}  // namespace
