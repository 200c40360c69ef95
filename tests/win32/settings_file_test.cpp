// The settings file through the real profile calls: defaults, round trips, hostile files, the
// program folder and the skin folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../shared/memory_profile.h"
#include "../shared/settings_samples.h"
#include "../shared/settings_snapshot.h"
#include "../shared/temp_folder_win32.h"
#include "app/app_win32.h"
#include "app/settings_win32.h"
#include "player/playlist.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace {

std::vector<std::string> warnings;
void RecordWarning(const char* text) { warnings.push_back(text); }

std::string CurrentDirectory() {
  char here[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, here);
  return here;
}

class SettingsFileTest : public testing::Test {
 protected:
  void SetUp() override {
    warnings.clear();
    ResetSettings();
    EntryCount = 0;
    program_ = folder_ / "Clock.exe";
    cfg_ = folder_ / "Clock.cfg";
  }
  void TearDown() override {
    ResetSettings();
    EntryCount = 0;
    SettingsPath[0] = '\0';
    DefaultListPath[0] = '\0';
  }

  // What ReadSettings makes of the same bytes through the private-profile calls, which read the
  // settings file before the program had a reader of its own: a hand-edited file must read as
  // it always did.
  static std::string ExpectedFrom(const std::string& bytes) {
    TempFolder scratch;
    std::string path = scratch / "profile.ini";
    if (!WriteBytes(path, bytes)) return "unwritten";
    ResetSettings();
    ReadSettings(ProfileAccess{&path, ReadThroughProfileCalls, nullptr});
    return DescribeSettings();
  }

  // GetPrivateProfileStringA, cut after whole characters as the program cuts: Wine reports a
  // buffer that ends inside a double-byte character as full with its last byte unwritten.
  static int ReadThroughProfileCalls(void* context, const char* section, const char* key,
                                     const char* fallback, char* out, int capacity) {
    if (capacity <= 0) return 0;
    std::vector<char> room(static_cast<size_t>(capacity) + 2, '\0');
    GetPrivateProfileStringA(section, key, fallback, room.data(), static_cast<DWORD>(room.size()),
                             static_cast<std::string*>(context)->c_str());
    int length = static_cast<int>(strnlen(room.data(), room.size() - 1));
    if (length > capacity - 1) {
      int whole = 0;
      for (int step = 1; whole < capacity - 1; whole += step) {
        step = IsDBCSLeadByte(static_cast<BYTE>(room[static_cast<size_t>(whole)])) ? 2 : 1;
        if (whole + step > capacity - 1) break;
      }
      length = whole;
    }
    memcpy(out, room.data(), static_cast<size_t>(length));
    out[length] = '\0';
    return length;
  }

  TempFolder folder_;
  std::string program_;
  std::string cfg_;
};

TEST_F(SettingsFileTest, NoFileGivesTheDefaultsTheSkinFolderAndTheDefaultList) {
  const std::string defaults = DescribeSettings();
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  EXPECT_EQ(WithoutLines(DescribeSettings(), {"ListName"}), WithoutLines(defaults, {"ListName"}));
  EXPECT_EQ(std::string(SettingsPath), cfg_);
  EXPECT_EQ(std::string(ExeFolder), folder_.Path());
  EXPECT_EQ(std::string(DataFolder), folder_.Path());
  EXPECT_EQ(CurrentDirectory(), folder_.Path());
  EXPECT_EQ(std::string(DefaultListPath), folder_ / "Clock.lst");
  EXPECT_EQ(std::string(ListName), folder_ / "Clock.lst");
  EXPECT_TRUE(IsFolder(folder_ / "skin"));
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(EntryCount, 0);
  // Loading writes nothing.
  EXPECT_FALSE(Exists(cfg_));
  EXPECT_FALSE(Exists(folder_ / "Clock.lst"));

  // A program without an extension gets one appended.
  std::string bare = folder_ / "Clock";
  ASSERT_TRUE(LoadSettingsFor(bare.c_str(), RecordWarning));
  EXPECT_EQ(std::string(SettingsPath), cfg_);
  // A path that is not a full one names no file: defaults, and nothing touched.
  EXPECT_FALSE(LoadSettingsFor("Clock.exe", RecordWarning));
  EXPECT_FALSE(LoadSettingsFor("", RecordWarning));
  EXPECT_STREQ(SettingsPath, "");
  EXPECT_FALSE(SaveSettingsAt(0));
}

TEST_F(SettingsFileTest, EveryKeyRoundTripsThroughTheFileAndOnlyOldTimeChanges) {
  const std::string expected = ExpectedFrom(kEveryKeySet);
  ASSERT_TRUE(WriteBytes(cfg_, kEveryKeySet));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  EXPECT_EQ(DescribeSettings(), expected);
  // A save that changes nothing may leave the file as it was (Wine does); a later time makes
  // both saves below rewrite it.
  ASSERT_TRUE(SaveSettingsAt(1700000001));

  const std::string first = ReadBytes(cfg_);
  MemoryProfile input(kEveryKeySet);
  MemoryProfile saved(first);
  for (const std::string& key : kWriteOrder) {
    if (key == "OldTime") continue;
    EXPECT_EQ(saved.Value("TarvoClock", key), input.Value("TarvoClock", key)) << key;
  }
  EXPECT_EQ(saved.Value("TarvoClock", "OldTime"), "1700000001");
  // The keys that are never written keep what the user put there.
  for (const char* key : {"AppTitle", "WinFlame", "ShowWin", "URL", "FeedServer"}) {
    EXPECT_EQ(saved.Value("TarvoClock", key), input.Value("TarvoClock", key)) << key;
  }
  EXPECT_TRUE(Exists(folder_ / "Clock.lst"));

  ASSERT_TRUE(SaveSettingsAt(1800000000));
  std::string second = ReadBytes(cfg_);
  size_t at = first.find("OldTime=1700000001");
  ASSERT_NE(at, std::string::npos);
  std::string changed = first;
  changed.replace(at, strlen("OldTime=1700000001"), "OldTime=1800000000");
  EXPECT_EQ(second, changed);
}

TEST_F(SettingsFileTest, HostileValuesReadAsTheInMemoryRulesSay) {
  const std::string big(3000, 'x');
  std::string japanese;
  for (int i = 0; i < 100; ++i) japanese += "表";
  const std::vector<std::string> files = {
      "[TarvoClock]\nLEFT=abc\nTOP=12x\nZadd=-\nCHARA=\nBRAND=99999999999\nALPHA=-1\n"
      "MasterVol=4294967295\nSndDLEFT=4294967296\nSndDTOP=-2147483649\nSndLLEFT=  +42\n"
      "SndLTOP=\t-7 \nNewDays=0x10\nNewFlag=" + std::string(80, '0') + "5\n"
      "RssScrollTime=" + std::string(200, '9') + "\nAlarmHour03=65536\n",
      "[TarvoClock]\r\nAppTitle=" + big + "\r\nURL=" + big + "\r\nTimeSetting=" + big +
          "\r\nSkinPath=" + big + "\r\nOldTime=" + big + "\r\nAlarmName05=" + big + "\r\n",
      // Cut after whole characters: the cut inside one is tested on its own below.
      "[TarvoClock]\nAppTitle=a" + japanese + "\nTimeServer=a" + japanese + japanese + "\n",
      "[tarvoclock]\n  LEFT  =  5  \nleft=6\nSkinPath=\"quoted skins\"\nURL='x'\n"
      "AppTitle=\"\nCHARA=2\nTimeSetting=00123456789\n",
      "LEFT=9\n[Other]\nTOP=9\n[TarvoClock]\nTOP=8\n[TarvoClock]\nTOP=7\nLEFT=1\n",
  };
  for (size_t i = 0; i < files.size(); ++i) {
    warnings.clear();
    std::string expected = ExpectedFrom(files[i]);
    ASSERT_TRUE(WriteBytes(cfg_, files[i]));
    ResetSettings();
    ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
    EXPECT_EQ(WithoutLines(DescribeSettings(), {"ListName"}),
              WithoutLines(expected, {"ListName"}))
        << "file " << i;
    // The second file's skin folder, 259 "x", is a name no file system takes.
    EXPECT_EQ(warnings.size(), i == 1 ? 1u : 0u) << "file " << i;
  }
}

TEST_F(SettingsFileTest, ValuesCutInsideADoubleByteCharacterLoseTheHalf) {
  std::string japanese;
  for (int i = 0; i < 100; ++i) japanese += "表";
  ASSERT_TRUE(WriteBytes(cfg_, "[TarvoClock]\nAppTitle=a" + japanese + "\n"));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  // "a" and 39 two-byte characters fill 79 bytes exactly; with 38 and a half the half goes.
  EXPECT_EQ(strlen(AppTitle), 79u);
  ASSERT_TRUE(WriteBytes(cfg_, "[TarvoClock]\nAppTitle=" + japanese + "\n"));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  EXPECT_EQ(strlen(AppTitle), 78u);
  EXPECT_EQ(std::string(AppTitle), japanese.substr(0, 78));
}

TEST_F(SettingsFileTest, ASettingsFileOfSeveralMegabytesStillReads) {
  std::string bytes = "[Junk]\n";
  while (bytes.size() < 6 * 1024 * 1024) {
    bytes += "junk" + std::to_string(bytes.size()) + "=" + std::string(100, 'j') + "\n";
  }
  bytes += "[TarvoClock]\nLEFT=11\nTOP=22\nURL=" + std::string(100000, 'u') + "\n";
  ASSERT_TRUE(WriteBytes(cfg_, bytes));
  DWORD start = GetTickCount();
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  EXPECT_EQ(LEFT, 11);
  EXPECT_EQ(TOP, 22);
  EXPECT_EQ(strlen(URL), 259u);
  EXPECT_LT(GetTickCount() - start, 30000u);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(SettingsFileTest, AnUnwritableFileOrAVanishedFolderFailsTheSaveAndChangesNothing) {
  ASSERT_TRUE(WriteBytes(cfg_, "[TarvoClock]\nLEFT=5\n"));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  // Held open without sharing by someone else. (The read-only attribute would do on Windows,
  // but Wine keeps it as the file's Unix permissions, which do not stop a test run as root.)
  HANDLE lock = CreateFileA(cfg_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  LEFT = 99;
  EXPECT_FALSE(SaveSettingsAt(1700000000));
  CloseHandle(lock);
  EXPECT_EQ(ReadBytes(cfg_), "[TarvoClock]\nLEFT=5\n");

  // The program's folder gone by exit time: nothing can be written, nothing crashes.
  TempFolder other;
  std::string gone = other / "sub";
  ASSERT_TRUE(CreateDirectoryA(gone.c_str(), nullptr));
  std::string program = gone + "\\Clock.exe";
  ASSERT_TRUE(LoadSettingsFor(program.c_str(), RecordWarning));
  SetCurrentDirectoryA(folder_.Path().c_str());
  RemoveTree(gone);
  ASSERT_FALSE(Exists(gone));
  EXPECT_FALSE(SaveSettingsAt(1700000000));
  EXPECT_FALSE(Exists(gone));
}

// The small disk the test fixture mounts beside this program (build/<preset>/full-disk), when it
// could: empty when it is not a disk of its own.
std::string SmallDisk() {
  char program[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder(program, length);
  folder = folder.substr(0, folder.find_last_of('\\')) + "\\full-disk";
  ULARGE_INTEGER total;
  if (!GetDiskFreeSpaceExA(folder.c_str(), nullptr, &total, nullptr)) return "";
  return total.QuadPart < 4u * 1024 * 1024 ? folder : "";
}

// Fills the disk that holds `folder` up to its last byte.
void FillDisk(const std::string& folder) {
  HANDLE filler = CreateFileA((folder + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(filler, INVALID_HANDLE_VALUE);
  const std::string chunk(4096, 'f');
  DWORD written = 0;
  while (WriteFile(filler, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) &&
         written == chunk.size()) {
  }
  // Down to the byte: a write of one more is refused.
  while (WriteFile(filler, "f", 1, &written, nullptr) && written == 1) {
  }
  CloseHandle(filler);
}

// A save that fails, on a full disk or stopped between writing the new copy and putting it in
// place (as a power cut would), leaves the settings and the play list byte for byte as they were
// and says once what could not be saved and why.
TEST_F(SettingsFileTest, AFailedSaveLeavesBothFilesAsTheyWereAndSaysWhy) {
  const std::string disk = SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small disk mounted beside the program (mounting needs root)";
  const std::string folder = disk + "\\save";
  RemoveTree(folder);
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string program = folder + "\\Clock.exe";
  const std::string cfg = folder + "\\Clock.cfg";
  const std::string lst = folder + "\\Clock.lst";
  std::string list = "[PlayList]\r\nPlayNo=0\r\n";
  for (int i = 0; i < 300; ++i) {
    char line[64];
    snprintf(line, sizeof line, "FILE%04d=C:\\m\\%d.mp3\r\n", i, i);
    list += line;
  }
  ASSERT_TRUE(WriteBytes(cfg, kEveryKeySet));
  ASSERT_TRUE(WriteBytes(lst, list));
  ASSERT_TRUE(LoadSettingsFor(program.c_str(), RecordWarning));
  LEFT = 4321;
  AppendEntry("C:\\m\\added.mp3");

  struct Case {
    const char* name;
    bool fullDisk;
    const char* reason;
  };
  for (const Case& c : {Case{"stopped before the replace", false, nullptr},
                        Case{"full disk", true, "ディスクの空き容量が足りません。"}}) {
    warnings.clear();
    if (c.fullDisk) FillDisk(folder);
    if (!c.fullDisk) SetEnvironmentVariableA("TARVO_TEST_SAVE_STOP", "1");
    EXPECT_FALSE(SaveSettingsAt(1700000000, RecordWarning)) << c.name;
    SetEnvironmentVariableA("TARVO_TEST_SAVE_STOP", nullptr);
    EXPECT_EQ(ReadBytes(cfg), kEveryKeySet) << c.name;
    EXPECT_EQ(ReadBytes(lst), list) << c.name;
    ASSERT_EQ(warnings.size(), 1u) << c.name;
    EXPECT_EQ(warnings[0].rfind("設定とプレイリストを保存できませんでした。", 0), 0u) << warnings[0];
    if (c.reason != nullptr) {
      EXPECT_NE(warnings[0].find(c.reason), std::string::npos) << warnings[0];
    }
  }
  // With room again, the same save goes through.
  ASSERT_TRUE(DeleteFileA((folder + "\\filler").c_str()));
  EXPECT_TRUE(SaveSettingsAt(1700000000, RecordWarning));
  EXPECT_EQ(MemoryProfile(ReadBytes(cfg)).Value("TarvoClock", "LEFT"), "4321");
  EXPECT_NE(ReadBytes(lst).find("added.mp3"), std::string::npos);
  SetCurrentDirectoryA(folder_.Path().c_str());
  RemoveTree(folder);
}

// Two clocks starting together each probe the folder with a file of their own: one that holds
// its probe open does not send the other to the application data folder.
TEST_F(SettingsFileTest, AProbeHeldOpenByAnotherClockStillFindsTheFolderWritable) {
  HANDLE other = CreateFileA((folder_ / "~TarvoClock-write-probe.tmp").c_str(), GENERIC_WRITE, 0,
                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                             nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  CloseHandle(other);
  EXPECT_EQ(std::string(DataFolder), folder_.Path());
  EXPECT_TRUE(warnings.empty());
}

TEST_F(SettingsFileTest, SkinFolderThatCannotBeMadeIsReportedOnce) {
  const char kFailure[] = "スキンフォルダーの作成に失敗しました。";
  ASSERT_TRUE(WriteBytes(cfg_, "[TarvoClock]\nSkinPath=.\\missing\\skin\n"));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], kFailure);
  EXPECT_FALSE(Exists(folder_ / "missing"));

  // A file where the folder should be.
  warnings.clear();
  ASSERT_TRUE(WriteBytes(folder_ / "skinfile", "x"));
  ASSERT_TRUE(WriteBytes(cfg_, "[TarvoClock]\nSkinPath=skinfile\n"));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], kFailure);

  // An absolute folder elsewhere that exists is used as it is; an empty value is ".\skin".
  warnings.clear();
  TempFolder skins;
  ASSERT_TRUE(WriteBytes(cfg_, "[TarvoClock]\nSkinPath=" + skins.Path() + "\n"));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  EXPECT_TRUE(warnings.empty());
  EXPECT_FALSE(Exists(folder_ / "skin"));
  ASSERT_TRUE(WriteBytes(cfg_, "[TarvoClock]\nSkinPath=\n"));
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  EXPECT_TRUE(IsFolder(folder_ / "skin"));
  ASSERT_TRUE(SaveSettingsAt(0));
  EXPECT_EQ(MemoryProfile(ReadBytes(cfg_)).Value("TarvoClock", "SkinPath"), ".\\skin");
}

TEST_F(SettingsFileTest, AProgramInADoubleByteFolderFindsItsFiles) {
  // The second byte of "表" is the backslash byte.
  std::string japaneseFolder = folder_ / "表示";
  ASSERT_TRUE(CreateDirectoryA(japaneseFolder.c_str(), nullptr));
  std::string program = japaneseFolder + "\\時計.exe";
  ASSERT_TRUE(WriteBytes(japaneseFolder + "\\時計.cfg", "[TarvoClock]\nLEFT=-3\n"));
  ASSERT_TRUE(LoadSettingsFor(program.c_str(), RecordWarning));
  EXPECT_EQ(LEFT, -3);
  EXPECT_EQ(std::string(ExeFolder), japaneseFolder);
  EXPECT_EQ(CurrentDirectory(), japaneseFolder);
  EXPECT_EQ(std::string(ListName), japaneseFolder + "\\時計.lst");
  EXPECT_TRUE(IsFolder(japaneseFolder + "\\skin"));
}

TEST_F(SettingsFileTest, SaveTakesTheClockWindowsPlace) {
  ASSERT_TRUE(LoadSettingsFor(program_.c_str(), RecordWarning));
  HWND window = CreateWindowExA(0, "STATIC", "place", WS_POPUP, 123, 45, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  HWND saved = ClockWindow;
  ClockWindow = window;
  bool ok = SaveSettingsAt(0);
  ClockWindow = saved;
  DestroyWindow(window);
  ASSERT_TRUE(ok);
  MemoryProfile file(ReadBytes(cfg_));
  EXPECT_EQ(file.Value("TarvoClock", "LEFT"), "123");
  EXPECT_EQ(file.Value("TarvoClock", "TOP"), "45");
}

}  // namespace
