// SyncClock under Wine against a responder thread on 127.0.0.1: a valid reply reaches the
// clock-setting seam (the test build's shifted clock), every bad reply, silence and a closed
// port give -1 within the three seconds, a refused set is told apart, and nothing waits longer,
// a stalled name lookup included.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/clock_source_win32.h"
#include "base/test_hooks_win32.h"
#include "timesvc/sntp.h"
#include "timesvc/sntp_win32.h"

namespace {

// 2024-01-01 00:00:00.5 UTC.
constexpr uint32_t kServerSeconds = 3913056000u;
constexpr int64_t kServerUnix = 1704067200;

enum class Answer {
  kValid,
  kShort,
  kMode,
  kKissOfDeath,
  kStratum16,
  kLeap3,
  kZeroTransmit,
  kWrongOriginate,
  kOtherPort,          // a valid reply, but from another port
  kOtherPortThenValid,
  kSpoofThenValid,     // a wrong originate first, then the real reply
  kLong,               // 1000 bytes, valid in its first 48
  kLongThenValid,
  kSilent,
  kEra1,
};

void Put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

std::vector<uint8_t> Reply(const uint8_t* request, uint32_t seconds = kServerSeconds) {
  std::vector<uint8_t> r(48, 0);
  r[0] = 0x0C;  // as chrony answers a version 1 request
  r[1] = 8;
  memcpy(&r[24], request + 40, 8);
  Put32(&r[32], seconds);
  Put32(&r[40], seconds);
  Put32(&r[44], 0x80000000u);
  return r;
}

struct Responder {
  SOCKET socket = INVALID_SOCKET;
  SOCKET other = INVALID_SOCKET;
  uint16_t port = 0;
  Answer answer = Answer::kValid;
  HANDLE thread = nullptr;
  int requests = 0;
  uint8_t request[48] = {};
  int requestSize = 0;

  static DWORD WINAPI Run(LPVOID self) {
    static_cast<Responder*>(self)->Serve();
    return 0;
  }

  void Serve() {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait = {6, 0};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1) return;
    sockaddr_in client = {};
    int clientSize = sizeof client;
    char buffer[512];
    requestSize = recvfrom(socket, buffer, sizeof buffer, 0,
                           reinterpret_cast<sockaddr*>(&client), &clientSize);
    if (requestSize <= 0) return;
    ++requests;
    memcpy(request, buffer, requestSize < 48 ? requestSize : 48);
    std::vector<uint8_t> r = Reply(request);
    auto sendFrom = [&](SOCKET s, const std::vector<uint8_t>& bytes) {
      sendto(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
             reinterpret_cast<sockaddr*>(&client), clientSize);
    };
    std::vector<uint8_t> bad = r;
    switch (answer) {
      case Answer::kValid:
        sendFrom(socket, r);
        break;
      case Answer::kEra1:
        sendFrom(socket, Reply(request, 100));
        break;
      case Answer::kShort:
        bad.resize(47);
        sendFrom(socket, bad);
        break;
      case Answer::kMode:
        bad[0] = 0x0B;
        sendFrom(socket, bad);
        break;
      case Answer::kKissOfDeath:
        bad[0] = 0xCC;
        bad[1] = 0;
        memcpy(&bad[12], "RATE", 4);
        sendFrom(socket, bad);
        break;
      case Answer::kStratum16:
        bad[1] = 16;
        sendFrom(socket, bad);
        break;
      case Answer::kLeap3:
        bad[0] = 0xCC;
        sendFrom(socket, bad);
        break;
      case Answer::kZeroTransmit:
        memset(&bad[40], 0, 8);
        sendFrom(socket, bad);
        break;
      case Answer::kWrongOriginate:
        bad[31] ^= 0x55;
        sendFrom(socket, bad);
        break;
      case Answer::kOtherPort:
        sendFrom(other, r);
        break;
      case Answer::kOtherPortThenValid:
        sendFrom(other, r);
        Sleep(50);
        sendFrom(socket, r);
        break;
      case Answer::kSpoofThenValid:
        bad[31] ^= 0x55;
        Put32(&bad[40], kServerSeconds + 86400);
        sendFrom(socket, bad);
        Sleep(50);
        sendFrom(socket, r);
        break;
      case Answer::kLong:
        bad.resize(1000, 0xAB);
        sendFrom(socket, bad);
        break;
      case Answer::kLongThenValid:
        bad.resize(1000, 0xAB);
        sendFrom(socket, bad);
        Sleep(50);
        sendFrom(socket, r);
        break;
      case Answer::kSilent:
        break;
    }
  }

  static SOCKET Bound(uint16_t* port) {
    SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int size = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    if (port != nullptr) *port = ntohs(a.sin_port);
    return s;
  }

  void Start(Answer what) {
    answer = what;
    socket = Bound(&port);
    other = Bound(nullptr);
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }

  ~Responder() {
    if (thread != nullptr) {
      WaitForSingleObject(thread, 10000);
      CloseHandle(thread);
    }
    closesocket(socket);
    closesocket(other);
  }
};

class SntpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SetEnvironmentVariableA("TARVO_TEST_CLOCK_REFUSE", nullptr);
    SetTestClockShiftSeconds(0);
  }
  void TearDown() override {
    SetEnvironmentVariableA("TARVO_TEST_CLOCK_REFUSE", nullptr);
    SetTestClockShiftSeconds(0);
    WSACleanup();
  }

  // SyncClock against a fresh responder; returns its result and how long it took (ms).
  int Sync(Answer answer, DWORD* ms, Responder* r) {
    r->Start(answer);
    char server[32];
    snprintf(server, sizeof server, "127.0.0.1:%u", r->port);
    const DWORD start = GetTickCount();
    const int result = SyncClock(server);
    *ms = GetTickCount() - start;
    return result;
  }

  void ExpectClockUntouched() { EXPECT_EQ(TestClockShiftSeconds(), 0); }

  void ExpectClockAt(int64_t unix) {
    EXPECT_LE(llabs(ReadUnixTime() - unix), 1) << ReadUnixTime();
  }
};

TEST_F(SntpTest, ValidReplySetsTheClockThroughTheSeam) {
  Responder r;
  DWORD ms = 0;
  ASSERT_EQ(Sync(Answer::kValid, &ms, &r), 0);
  EXPECT_LT(ms, 1000u);
  ExpectClockAt(kServerUnix);
  EXPECT_EQ(r.requests, 1);
  ASSERT_EQ(r.requestSize, 48);
  EXPECT_EQ(r.request[0], 0x0B);
  for (int i = 1; i < 40; ++i) EXPECT_EQ(r.request[i], 0) << i;
  bool nonceZero = true;
  for (int i = 40; i < 48; ++i) nonceZero = nonceZero && r.request[i] == 0;
  EXPECT_FALSE(nonceZero);
}

TEST_F(SntpTest, EachRequestHasItsOwnNonce) {
  uint8_t first[8], second[8];
  for (uint8_t* nonce : {first, second}) {
    Responder r;
    DWORD ms = 0;
    ASSERT_EQ(Sync(Answer::kValid, &ms, &r), 0);
    memcpy(nonce, r.request + 40, 8);
  }
  EXPECT_NE(memcmp(first, second, 8), 0);
}

TEST_F(SntpTest, Era1TimeMapsAfter2036) {
  Responder r;
  DWORD ms = 0;
  ASSERT_EQ(Sync(Answer::kEra1, &ms, &r), 0);
  ExpectClockAt(2085978496 + 100);  // 2036-02-07 06:29:56
}

TEST_F(SntpTest, AnswersWithoutATimeFailAtOnce) {
  for (Answer a : {Answer::kKissOfDeath, Answer::kStratum16, Answer::kLeap3,
                   Answer::kZeroTransmit}) {
    Responder r;
    DWORD ms = 0;
    EXPECT_EQ(Sync(a, &ms, &r), -1) << static_cast<int>(a);
    EXPECT_LT(ms, 1500u) << static_cast<int>(a);
    ExpectClockUntouched();
  }
}

TEST_F(SntpTest, ForeignDatagramsAreDroppedAndTheWaitEndsAtThreeSeconds) {
  for (Answer a : {Answer::kShort, Answer::kMode, Answer::kWrongOriginate, Answer::kOtherPort,
                   Answer::kLong, Answer::kSilent}) {
    Responder r;
    DWORD ms = 0;
    EXPECT_EQ(Sync(a, &ms, &r), -1) << static_cast<int>(a);
    EXPECT_GE(ms, 2900u) << static_cast<int>(a);
    EXPECT_LT(ms, 3800u) << static_cast<int>(a);
    ExpectClockUntouched();
  }
}

TEST_F(SntpTest, TheRealReplyAfterDroppedOnesIsTaken) {
  for (Answer a : {Answer::kOtherPortThenValid, Answer::kSpoofThenValid, Answer::kLongThenValid}) {
    SetTestClockShiftSeconds(0);
    Responder r;
    DWORD ms = 0;
    EXPECT_EQ(Sync(a, &ms, &r), 0) << static_cast<int>(a);
    EXPECT_LT(ms, 1500u);
    ExpectClockAt(kServerUnix);
  }
}

TEST_F(SntpTest, AClosedPortFailsWithoutHanging) {
  uint16_t port = 0;
  closesocket(Responder::Bound(&port));
  char server[32];
  snprintf(server, sizeof server, "127.0.0.1:%u", port);
  const DWORD start = GetTickCount();
  EXPECT_EQ(SyncClock(server), -1);
  EXPECT_LT(GetTickCount() - start, 3800u);
  ExpectClockUntouched();
}

TEST_F(SntpTest, BadServerTextsFailBeforeAnyTraffic) {
  Responder r;
  r.Start(Answer::kValid);
  char text[64];
  snprintf(text, sizeof text, "127.0.0.1:%u", r.port + 65536u);  // wraps to the port in 16 bits
  for (const char* bad : {"", ":", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:99999",
                          static_cast<const char*>(text)}) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(SyncClock(bad), -1) << bad;
    EXPECT_LT(GetTickCount() - start, 500u) << bad;
  }
  EXPECT_EQ(r.requests, 0);
  // Unblock the responder with the real thing.
  char good[32];
  snprintf(good, sizeof good, "127.0.0.1:%u", r.port);
  EXPECT_EQ(SyncClock(good), 0);
  EXPECT_EQ(r.requests, 1);
}

TEST_F(SntpTest, TheServerTextIsLeftAsItWas) {
  Responder r;
  r.Start(Answer::kValid);
  char server[32];
  snprintf(server, sizeof server, "localhost:%u", r.port);
  char copy[32];
  memcpy(copy, server, sizeof copy);
  EXPECT_EQ(SyncClock(server), 0);
  EXPECT_STREQ(server, copy);
}

// A user without the right to change the clock is told so, not sent to another server.
TEST_F(SntpTest, ARefusedSetIsToldApartFromAServerWithoutTime) {
  SetEnvironmentVariableA("TARVO_TEST_CLOCK_REFUSE", "1");
  Responder r;
  DWORD ms = 0;
  EXPECT_EQ(Sync(Answer::kValid, &ms, &r), kSyncRefused);
  ExpectClockUntouched();
  EXPECT_STRNE(SyncFailureText(kSyncRefused), SyncFailureText(kSyncNoTime));
}

// Stands for a resolver that does not answer: this program's import of the lookup, which the
// client code calls, sleeps before it looks the name up.
using HostLookup = hostent*(WSAAPI*)(const char*);
HostLookup realLookup = nullptr;
constexpr DWORD kResolverStallMs = 6000;

hostent* WSAAPI StalledLookup(const char* name) {
  Sleep(kResolverStallMs);
  return realLookup(name);
}

// Points this program's import of `target` from `dll` at `replacement`; false when not found.
bool PatchImport(const char* dll, void* target, void* replacement) {
  uint8_t* base = reinterpret_cast<uint8_t*>(GetModuleHandleA(nullptr));
  const IMAGE_NT_HEADERS* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
    for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function != 0; ++t) {
      if (reinterpret_cast<void*>(t->u1.Function) != target) continue;
      DWORD was = 0;
      if (!VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &was)) return false;
      t->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&t->u1.Function, sizeof t->u1.Function, was, &was);
      return true;
    }
  }
  return false;
}

TEST_F(SntpTest, AStalledNameLookupIsGivenUpAtItsLimit) {
  realLookup = reinterpret_cast<HostLookup>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ws2_32.dll"), "gethostbyname")));
  ASSERT_NE(realLookup, nullptr);
  ASSERT_TRUE(PatchImport("ws2_32.dll", reinterpret_cast<void*>(realLookup),
                          reinterpret_cast<void*>(StalledLookup)));
  Responder r;
  r.Start(Answer::kValid);
  char server[32];
  snprintf(server, sizeof server, "localhost:%u", r.port);
  const DWORD start = GetTickCount();
  const int result = SyncClock(server);
  const DWORD ms = GetTickCount() - start;
  PatchImport("ws2_32.dll", reinterpret_cast<void*>(StalledLookup), reinterpret_cast<void*>(realLookup));
  EXPECT_EQ(result, kSyncNoTime);
  EXPECT_GE(ms, kSntpLookupMs - 100);
  EXPECT_LT(ms, kSntpLookupMs + 1000);
  EXPECT_EQ(r.requests, 0);
  ExpectClockUntouched();
}

}  // namespace
