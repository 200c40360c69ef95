// Skin downloads through the real worker against an in-test loopback server: every hostile
// answer posts result 2 and keeps the old file, a package is saved whole and rebuilds the
// catalogue; full-width numbers for the settings' combo boxes.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "../shared/temp_folder_win32.h"
#include "base/app_state.h"
#include "base/http_win32.h"
#include "base/messages.h"
#include "base/window_handles_win32.h"
#include "base/worker_win32.h"
#include "news/news_dialogs_win32.h"
#include "settings/settings.h"
#include "skin/catalogue.h"
#include "skin/catalogue_win32.h"
#include "skin/package.h"
#include "skin/skin_update_win32.h"

namespace {

TEST(FullWidthNumber, EachDigitBecomesItsDoubleByteForm) {
  char out[32];
  ASSERT_TRUE(FullWidthNumber(1, out, sizeof out));
  EXPECT_STREQ(out, "１");
  ASSERT_TRUE(FullWidthNumber(24, out, sizeof out));
  EXPECT_STREQ(out, "２４");
  ASSERT_TRUE(FullWidthNumber(1234567890, out, sizeof out));
  EXPECT_STREQ(out, "１２３４５６７８９０");
  EXPECT_EQ(strlen(out), 20u);
  EXPECT_FALSE(FullWidthNumber(123, out, 4));  // six bytes do not fit
}

// One answer per connection: `answer`, then a close or a reset.
struct Server {
  SOCKET listener = INVALID_SOCKET;
  std::string answer;
  bool reset = false;
  HANDLE hold = nullptr;  // when set, the connection stays open until it is signalled
  HANDLE thread = nullptr;
};

DWORD WINAPI Serve(LPVOID parameter) {
  Server* server = static_cast<Server*>(parameter);
  SOCKET s = accept(server->listener, nullptr, nullptr);
  if (s == INVALID_SOCKET) return 0;
  std::string request;
  char buffer[512];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const int n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<size_t>(n));
  }
  size_t at = 0;
  while (at < server->answer.size()) {
    const int n = send(s, server->answer.data() + at, static_cast<int>(server->answer.size() - at), 0);
    if (n <= 0) break;
    at += static_cast<size_t>(n);
  }
  if (server->hold != nullptr) WaitForSingleObject(server->hold, 10000);
  if (server->reset) {
    linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&hard), sizeof hard);
  }
  closesocket(s);
  return 0;
}

std::string Package(int code, const std::string& skin) {
  const std::string doc = "<brand><title>Downloaded</title><code>" + std::to_string(code) +
                          "</code><skin><name>" + skin + "</name><file>p</file><rss>p</rss>"
                          "<moji>p</moji></skin></brand>";
  const uint8_t image[] = {1, 2, 3, 4};
  const PackageInput members[] = {{"b.xml", reinterpret_cast<const uint8_t*>(doc.data()),
                                   static_cast<uint32_t>(doc.size())},
                                  {"p.kpz", image, sizeof image}};
  uint8_t* bytes = nullptr;
  size_t size = 0;
  if (!MakePackage(members, 2, 3, &bytes, &size)) return "";
  std::string out(reinterpret_cast<char*>(bytes), size);
  free(bytes);
  return out;
}

std::string Ok(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class SkinDownloadTest : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    StopRequested = 0;
    server_.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(0x7F000001);
    ASSERT_EQ(bind(server_.listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(listen(server_.listener, 4), 0);
    int length = sizeof at;
    getsockname(server_.listener, reinterpret_cast<sockaddr*>(&at), &length);
    HttpPort = ntohs(at.sin_port);
    // Results come to a window of this thread, as they come to the clock window.
    window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    savedClock_ = ClockWindow;
    ClockWindow = window_;
    skins_ = folder_ / "skins";
    CreateDirectoryA(skins_.c_str(), nullptr);
    // A relative skin folder, taken from the data folder whatever the current directory
    // is: here the skin folder itself.
    strcpy(SkinPath, "skins");
    strcpy(DataFolder, folder_.Path().c_str());
    SetCurrentDirectoryA(skins_.c_str());
    ASSERT_TRUE(ResolveSkinFolder(SkinPath, DataFolder));
  }
  void TearDown() override {
    StopWorker(&BackgroundWorker, 5000);
    SetCurrentDirectoryA(folder_.Path().c_str());
    closesocket(server_.listener);
    if (server_.thread != nullptr) {
      WaitForSingleObject(server_.thread, 5000);
      CloseHandle(server_.thread);
    }
    ClockWindow = savedClock_;
    DestroyWindow(window_);
    HttpPort = 80;
    strcpy(SkinPath, ".\\skin");
    DataFolder[0] = '\0';
    ResolveSkinFolder(SkinPath, DataFolder);
    ResetCatalogue();
    WSACleanup();
  }

  // Runs one download and returns the MSG_SKIN_UPDATE_RESULT code (-1 for none in 20 s).
  int Download(const std::string& answer, bool reset, const char* url, const char* name) {
    server_.answer = answer;
    server_.reset = reset;
    if (server_.thread != nullptr) {
      WaitForSingleObject(server_.thread, 5000);
      CloseHandle(server_.thread);
    }
    server_.thread = CreateThread(nullptr, 0, Serve, &server_, 0, nullptr);
    return Result(url, name);
  }

  // Starts a download and pumps this thread's messages until its result arrives.
  int Result(const char* url, const char* name) {
    DownloadSkin(url, name);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
      MSG msg;
      while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) {
        if (msg.message == MSG_SKIN_DOWNLOADED) FinishSkinDownload(msg.wParam);
        if (msg.message == MSG_SKIN_UPDATE_RESULT) return static_cast<int>(msg.wParam);
      }
      Sleep(10);
    }
    return -1;
  }

  std::vector<std::string> SkinFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((skins_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }

  TempFolder folder_;
  std::string skins_;
  Server server_;
  HWND window_ = nullptr;
  HWND savedClock_ = nullptr;
};

TEST_F(SkinDownloadTest, HostileAnswersPostFailureAndKeepTheOldFile) {
  const std::string package = Package(2, "New");
  const std::string target = skins_ + "\\a.skn";
  ASSERT_TRUE(WriteBytes(target, "old bytes"));
  struct Case {
    const char* name;
    std::string answer;
    bool reset;
  };
  const Case cases[] = {
      {"404", "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\nnope", false},
      {"short", Ok(package).substr(0, Ok(package).size() - 10), false},
      {"long", Ok(package) + "more", false},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nabcd\r\n0\r\n\r\n", false},
      {"empty", "", false},
      {"reset", Ok(package).substr(0, 40), true},
      {"not a package", Ok("plain text, no directory"), false},
      {"text/plain guess", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Download(c.answer, c.reset, "http://127.0.0.1/skins/a.skn", "a.skn"), 2) << c.name;
    EXPECT_EQ(ReadBytes(target), "old bytes") << c.name;
    EXPECT_EQ(SkinFiles(), std::vector<std::string>{"a.skn"}) << c.name;
  }
  // Names and links refused before any request: result 2, nothing written.
  for (const char* name : {"..\\a.skn", "a.skn:s", "CON.skn", "a.skn.", "a.txt", ""}) {
    EXPECT_EQ(Result("http://127.0.0.1/skins/a.skn", name), 2) << name;
  }
  EXPECT_EQ(Result("file:///C:/a.skn", "b.skn"), 2);
  EXPECT_EQ(Result("https://127.0.0.1/a.skn", "b.skn"), 2);
  EXPECT_EQ(SkinFiles(), std::vector<std::string>{"a.skn"});
  EXPECT_FALSE(Exists(folder_ / "a.skn"));
}

TEST_F(SkinDownloadTest, APackageReplacesTheOldFileAndJoinsTheCatalogue) {
  const std::string package = Package(2, "Fresh skin");
  ASSERT_TRUE(WriteBytes(skins_ + "\\\x83\x5C.skn", "old"));
  EXPECT_EQ(Download(Ok(package), false, "http://127.0.0.1/skins/x.skn", "\x83\x5C.skn"), 0);
  EXPECT_EQ(ReadBytes(skins_ + "\\\x83\x5C.skn"), package);
  EXPECT_EQ(SkinFiles(), std::vector<std::string>{"\x83\x5C.skn"});
  const BrandRecord& brand = BrandTable[1];
  ASSERT_GT(brand.skinCount, 0);
  EXPECT_STREQ(brand.skins[brand.skinCount - 1].name, "Fresh skin");
  EXPECT_STREQ(brand.title, "Downloaded");
}

TEST_F(SkinDownloadTest, AStopEndsAStalledDownloadWithinASecondAndRemovesItsFile) {
  // A server that sends the header and part of the body, then nothing.
  server_.answer = "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nab";
  server_.hold = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  server_.thread = CreateThread(nullptr, 0, Serve, &server_, 0, nullptr);
  DownloadSkin("http://127.0.0.1/skins/s.skn", "s.skn");
  Sleep(1000);
  EXPECT_EQ(SkinFiles().size(), 1u);  // the temporary file, while it runs
  StopRequested = 1;
  const DWORD start = GetTickCount();
  StopWorker(&BackgroundWorker, 1000);
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_TRUE(SkinFiles().empty());
  SetEvent(server_.hold);
  WaitForSingleObject(server_.thread, 5000);
  CloseHandle(server_.hold);
  server_.hold = nullptr;
  StopRequested = 0;
}

}  // namespace
