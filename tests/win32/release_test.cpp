// What a Windows user meets of the release: the manifest's common controls, the version resource
// that Explorer shows, and the "start with Windows" value.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

#include "app/autostart_win32.h"
#include "version.h"

namespace {

std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

TEST(ReleaseTest, ManifestGivesCommonControlsSixAndPerMonitorDpiAwareness) {
  // This program embeds the product's resource script, manifest included.
  HMODULE comctl = GetModuleHandleA("comctl32.dll");
  if (comctl == nullptr) comctl = LoadLibraryA("comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  // The version-6 library comes from the side-by-side store, on Windows as under Wine (whose
  // DllGetVersion answers 5.81 for both copies, so the path is what tells them apart).
  char path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(comctl, path, MAX_PATH), 0u);
  std::string lower(path);
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(lower.find("\\winsxs\\"), std::string::npos) << path;
  EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0"), std::string::npos) << path;

  HMODULE product = LoadLibraryExA(BesideThisProgram("TarvoClock.exe").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(product, nullptr);
  HRSRC found = FindResourceA(product, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(product, found)));
  const std::string manifest(text, SizeofResource(product, found));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"), std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
  FreeLibrary(product);
}

TEST(ReleaseTest, VersionResourceReadsBackAsExplorerShowsIt) {
  const std::wstring path = [] {
    const std::string narrow = BesideThisProgram("TarvoClock.exe");
    return std::wstring(narrow.begin(), narrow.end());
  }();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, &block[0]));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(TARVO_VERSION_MAJOR << 16 | TARVO_VERSION_MINOR));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(TARVO_VERSION_PATCH << 16));

  const std::string version = TARVO_VERSION_TEXT;
  const struct {
    const wchar_t* key;
    std::wstring expected;
  } fields[] = {
      {L"ProductName", L"TarvoClock"},
      {L"FileVersion", std::wstring(version.begin(), version.end())},
      {L"ProductVersion", std::wstring(version.begin(), version.end())},
      {L"FileDescription", L"\u30c7\u30b9\u30af\u30c8\u30c3\u30d7\u306e\u30de\u30b9\u30b3\u30c3\u30c8\u6642\u8a08"},
  };
  for (const auto& field : fields) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + field.key;
    wchar_t* value = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << static_cast<int>(query.size());
    EXPECT_EQ(std::wstring(value), field.expected);
  }
}

std::string RunValue(const char* name) {
  char value[MAX_PATH + 3] = {};
  DWORD size = sizeof value - 1;
  if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", name,
                   RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return "(none)";
  }
  return value;
}

TEST(ReleaseTest, StartWithWindowsWritesTheQuotedPathAndAMovedProgramReadsOff) {
  const char* name = "TarvoClockReleaseTest";
  const char* here = "C:\\Tools\\Tarvo Clock\\TarvoClock.exe";
  const char* moved = "D:\\New place\\TarvoClock.exe";
  ASSERT_TRUE(SetStartWithWindows(name, here, false));
  EXPECT_FALSE(StartsWithWindows(name, here));

  ASSERT_TRUE(SetStartWithWindows(name, here, true));
  EXPECT_EQ(RunValue(name), "\"C:\\Tools\\Tarvo Clock\\TarvoClock.exe\"");
  EXPECT_TRUE(StartsWithWindows(name, here));
  EXPECT_TRUE(StartsWithWindows(name, "c:\\tools\\tarvo clock\\tarvoclock.exe"));
  // The value names the old place: off for the moved program, until it is ticked again there.
  EXPECT_FALSE(StartsWithWindows(name, moved));
  ASSERT_TRUE(SetStartWithWindows(name, moved, true));
  EXPECT_TRUE(StartsWithWindows(name, moved));
  EXPECT_FALSE(StartsWithWindows(name, here));
  // Another title is another clock with a value of its own.
  EXPECT_FALSE(StartsWithWindows("TarvoClockReleaseTest2", moved));

  ASSERT_TRUE(SetStartWithWindows(name, moved, false));
  EXPECT_EQ(RunValue(name), "(none)");
  EXPECT_TRUE(SetStartWithWindows(name, moved, false));
}

// Task Manager's Startup tab switches an entry off in a record of its own and leaves the Run
// value: the menu reads off, and ticking it makes the entry start again.
TEST(ReleaseTest, AnEntrySwitchedOffInTaskManagerReadsOffUntilTickedAgain) {
  const char* name = "TarvoClockReleaseTest";
  const char* here = "C:\\Tools\\Tarvo Clock\\TarvoClock.exe";
  const char* records = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
  ASSERT_TRUE(SetStartWithWindows(name, here, true));
  // Off, with the time it was switched off.
  const BYTE off[12] = {0x03, 0, 0, 0, 0x17, 0x79, 0xBD, 0x01, 0x17, 0xD9, 0xD1, 0x01};
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, records, name, REG_BINARY, off, sizeof off),
            ERROR_SUCCESS);
  EXPECT_FALSE(StartsWithWindows(name, here));

  ASSERT_TRUE(SetStartWithWindows(name, here, true));
  EXPECT_TRUE(StartsWithWindows(name, here));
  EXPECT_EQ(RunValue(name), "\"C:\\Tools\\Tarvo Clock\\TarvoClock.exe\"");
  BYTE record[32] = {};
  DWORD size = sizeof record;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, records, name, RRF_RT_REG_BINARY, nullptr, record, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::vector<BYTE>(record, record + size),
            std::vector<BYTE>({0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  ASSERT_TRUE(SetStartWithWindows(name, here, false));
  RegDeleteKeyValueA(HKEY_CURRENT_USER, records, name);
}

}  // namespace
