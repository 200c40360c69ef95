// The built-in clip player on the platform's PlaySound: names match without regard to case, a
// new clip cuts the old one off and frees it first, a stop frees, two threads mixing every kind
// of play free each image exactly once, and a broken clip ends the program with the decoder's
// words.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "timesvc/clip_player_win32.h"

namespace {

// A tenth of a second of silence, played with SND_NOSTOP: the player refuses it exactly when
// some other sound of this process is still playing.
bool SomethingPlays() {
  static std::vector<uint8_t> silence;
  if (silence.empty()) {
    const uint32_t dataBytes = 1600;
    silence.assign(44 + dataBytes, 0);
    uint8_t* h = silence.data();
    auto put32 = [](uint8_t* at, uint32_t v) { memcpy(at, &v, 4); };
    auto put16 = [](uint8_t* at, uint16_t v) { memcpy(at, &v, 2); };
    memcpy(h, "RIFF", 4);
    put32(h + 4, dataBytes + 36);
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, 1);
    put32(h + 24, 8000);
    put32(h + 28, 16000);
    put16(h + 32, 2);
    put16(h + 34, 16);
    memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
  }
  const bool refused = !PlaySoundA(reinterpret_cast<const char*>(silence.data()), nullptr,
                                   SND_MEMORY | SND_ASYNC | SND_NOSTOP);
  if (!refused) PlaySoundA(nullptr, nullptr, SND_ASYNC);
  return refused;
}

TEST(ClipPlayer, NamesMatchWithoutCaseAndAStopFreesTheImage) {
  StopClip();
  ASSERT_EQ(LiveClipImages(), 0);
  ASSERT_FALSE(SomethingPlays());

  for (const char* name : {"se01", "SE01", "Se01"}) {
    SCOPED_TRACE(name);
    PlayClip(1, name);
    ASSERT_NE(ClipBuffer, nullptr);
    EXPECT_EQ(memcmp(ClipBuffer, "RIFF", 4), 0);
    EXPECT_EQ(memcmp(ClipBuffer + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(LiveClipImages(), 1);
    EXPECT_TRUE(SomethingPlays());
    // The synchronous mode's stop, with no clip named, also only stops and frees.
    PlayClip(0, nullptr);
    EXPECT_EQ(ClipBuffer, nullptr);
    EXPECT_EQ(LiveClipImages(), 0);
    EXPECT_FALSE(SomethingPlays());
  }

  // A name that is not among the clips still stops and frees what played before it.
  PlayClip(1, "se09");
  EXPECT_TRUE(SomethingPlays());
  PlayClip(1, "no_such_clip");
  EXPECT_EQ(ClipBuffer, nullptr);
  EXPECT_EQ(LiveClipImages(), 0);
  EXPECT_FALSE(SomethingPlays());
}

TEST(ClipPlayer, ANewClipCutsTheOldOneOffAndFreesItFirst) {
  StopClip();
  TakePeakClipImages();
  PlayClip(1, "se09");
  uint8_t* first = ClipBuffer;
  ASSERT_NE(first, nullptr);
  PlayClip(1, "se01");
  EXPECT_NE(ClipBuffer, nullptr);
  EXPECT_EQ(LiveClipImages(), 1);
  // Never two images at once: the first was freed before the second was decoded.
  EXPECT_EQ(TakePeakClipImages(), 1);

  // A synchronous clip returns as soon as another thread's clip starts, and its image is
  // freed then. The sound device may take samples faster than real time, so the clip's own
  // length is measured first.
  StopClip();
  DWORD start = GetTickCount();
  PlayClip(0, "se09");
  const DWORD wholeMs = GetTickCount() - start;
  ASSERT_GE(wholeMs, 200u) << "se09 played too fast to cut it off";
  DWORD syncMs = 0;
  std::thread syncPlay([&syncMs] {
    const DWORD begin = GetTickCount();
    PlayClip(0, "se09");
    syncMs = GetTickCount() - begin;
  });
  Sleep(wholeMs / 4);
  PlayClip(1, "se01");
  syncPlay.join();
  EXPECT_LT(syncMs, wholeMs * 3 / 4) << "whole clip " << wholeMs << " ms";
  printf("se09 whole: %lu ms, cut off after a quarter: %lu ms\n", static_cast<unsigned long>(wholeMs),
         static_cast<unsigned long>(syncMs));
  EXPECT_EQ(LiveClipImages(), 1);
  StopClip();
  EXPECT_EQ(LiveClipImages(), 0);
  EXPECT_FALSE(SomethingPlays());
}

TEST(ClipPlayer, TwoThreadsMixingPlaysAndStopsFreeEveryImageOnce) {
  StopClip();
  ASSERT_EQ(LiveClipImages(), 0);
  constexpr int kRounds = 1000;
  auto mix = [](int offset) {
    for (int i = 0; i < kRounds; ++i) {
      switch ((i + offset) % 4) {
        case 0:
          PlayClip(0, "se01");
          break;
        case 1:
        case 2:
          PlayClip(1, (i & 1) != 0 ? "se09" : "se01");
          break;
        default:
          StopClip();
          break;
      }
    }
  };
  const DWORD start = GetTickCount();
  std::thread other(mix, 2);
  mix(0);
  other.join();
  const DWORD took = GetTickCount() - start;
  StopClip();
  EXPECT_EQ(LiveClipImages(), 0);
  EXPECT_EQ(ClipBuffer, nullptr);
  EXPECT_FALSE(SomethingPlays());
  printf("2 x %d mixed clip calls took %lu ms\n", kRounds, static_cast<unsigned long>(took));
}

TEST(ClipPlayer, ABrokenClipEndsTheProgramWithTheDecodersWords) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(length, 0u);
  std::string exe(path, length);
  exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "broken_clip.exe";
  ASSERT_NE(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES) << exe;

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process));
  CloseHandle(writeEnd);
  // Wait for the end first, then take only what is in the pipe: a helper process that Wine
  // starts could inherit the write end and keep a reading loop waiting.
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  std::string output;
  DWORD available = 0;
  if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    output.resize(available);
    DWORD got = 0;
    ReadFile(readEnd, &output[0], available, &got, nullptr);
    output.resize(got);
  }
  CloseHandle(readEnd);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(code, 1u);
  // Standard output is in text mode, as for any console program of the platform.
  EXPECT_EQ(output, "Bitstream is not Vorbis data. \r\n");
}

}  // namespace
