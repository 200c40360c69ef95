// The settings keys: order, defaults, held widths, written forms and the voice digits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "../shared/memory_profile.h"
#include "../shared/settings_samples.h"
#include "../shared/settings_snapshot.h"
#include "settings/alarm_table.h"
#include "settings/ntp_servers.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace {

// Taken before any test runs: the values the globals start with.
const std::string kStartValues = DescribeSettings();

struct RecordingProfile {
  MemoryProfile* file;
  std::vector<std::string> reads;

  ProfileAccess Access() { return ProfileAccess{this, Read, Write}; }
  static int Read(void* c, const char* s, const char* k, const char* f, char* o, int n) {
    auto* self = static_cast<RecordingProfile*>(c);
    self->reads.push_back(k);
    ProfileAccess inner = self->file->Access();
    return inner.Read(inner.context, s, k, f, o, n);
  }
  static bool Write(void*, const char*, const char*, const char*) { return false; }
};

class SettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override { ResetSettings(); }
  void TearDown() override { ResetSettings(); }

  static void Load(const std::string& text) {
    MemoryProfile file(text);
    ReadSettings(file.Access());
  }
  static MemoryProfile Save(int64_t now) {
    MemoryProfile out;
    EXPECT_TRUE(WriteSettings(out.Access(), now));
    return out;
  }
};

TEST_F(SettingsStoreTest, DefaultsAreTheStartValuesAndTheTablesDefaults) {
  EXPECT_EQ(DescribeSettings(), kStartValues);
  Load("");
  EXPECT_EQ(DescribeSettings(), kStartValues);
  // A file with other sections only is no different.
  Load("[Other]\nLEFT=5\n");
  EXPECT_EQ(DescribeSettings(), kStartValues);

  EXPECT_STREQ(AppCaption, "TarvoClock");
  EXPECT_EQ(ALPHA, 255);
  EXPECT_EQ(SndDLEFT, -1);
  EXPECT_EQ(MasterVol, 1.0f);
  EXPECT_STREQ(TimeSetting, std::string(39, '0').c_str());
  EXPECT_STREQ(SkinPath, ".\\skin");
  EXPECT_STREQ(AlarmTable[7].AlarmName, "se09");
  // The server default is the first of twenty distinct hosts (no port) before the end marker.
  EXPECT_STREQ(TimeServer, NtpServerList[0]);
  std::set<std::string> hosts;
  for (int i = 0; i < kNtpServerCount; ++i) {
    EXPECT_GT(strlen(NtpServerList[i]), 3u) << i;
    EXPECT_EQ(strchr(NtpServerList[i], ':'), nullptr) << NtpServerList[i];
    hosts.insert(NtpServerList[i]);
  }
  EXPECT_EQ(hosts.size(), 20u);
  EXPECT_STREQ(NtpServerList[kNtpServerCount], "");
}

TEST_F(SettingsStoreTest, ReadsAndWritesEveryKeyInTheFilesOrder) {
  MemoryProfile file(kEveryKeySet);
  RecordingProfile recorder{&file, {}};
  ReadSettings(recorder.Access());
  EXPECT_EQ(recorder.reads, kReadOrder);

  MemoryProfile out;
  ASSERT_TRUE(WriteSettings(out.Access(), 1700000000));
  EXPECT_EQ(out.WriteLog(), kWriteOrder);
  for (const char* never : {"AppTitle", "WinFlame", "ShowWin", "URL", "FeedServer"}) {
    EXPECT_FALSE(out.Has("TarvoClock", never)) << never;
  }
}

TEST_F(SettingsStoreTest, EveryKeyRoundTripsAndTwoSavesDifferOnlyInOldTime) {
  Load(kEveryKeySet);
  EXPECT_STREQ(AppCaption, "MyClock");
  EXPECT_EQ(WinFlame, 0);
  EXPECT_EQ(ShowWin, 1);
  EXPECT_STREQ(URL, "http://home.example/");
  EXPECT_STREQ(FeedServer, "feeds.example:8080");
  EXPECT_EQ(HourCycle, 24);
  EXPECT_EQ(MasterVol, 0.75f);
  EXPECT_EQ(OldTime, 1700000000);
  EXPECT_EQ(LastFeedUpdate, 1700000000);
  EXPECT_EQ(AlarmTable[0].AlarmWave, -1);
  EXPECT_STREQ(AlarmTable[0].AlarmName, "C:\\m\\wake.mp3");
  EXPECT_STREQ(AlarmTable[1].AlarmName, "");
  // CHARA 3: positions 3, 16 and 17.
  EXPECT_EQ(SignalVoice, 3);
  EXPECT_EQ(BootVoice, 6);
  EXPECT_EQ(SpareVoice, 7);
  const std::string loaded = DescribeSettings();

  MemoryProfile input(kEveryKeySet);
  MemoryProfile first = Save(1700000000);
  for (const std::string& key : kWriteOrder) {
    EXPECT_EQ(first.Value("TarvoClock", key), input.Value("TarvoClock", key)) << key;
  }

  MemoryProfile second = Save(1800000000);
  for (const std::string& key : kWriteOrder) {
    if (key == "OldTime") continue;
    EXPECT_EQ(second.Value("TarvoClock", key), first.Value("TarvoClock", key)) << key;
  }
  EXPECT_EQ(second.Value("TarvoClock", "OldTime"), "1800000000");
  EXPECT_EQ(OldTime, 1800000000);
  // The last-update copy is the feeds' to change, not the save's.
  EXPECT_EQ(LastFeedUpdate, 1700000000);

  // What was saved loads into the same state, apart from the keys that are never written.
  ResetSettings();
  ReadSettings(first.Access());
  const std::vector<std::string> unsaved = {"AppTitle", "AppCaption", "WinFlame", "ShowWin",
                                            "URL", "FeedServer"};
  EXPECT_EQ(WithoutLines(DescribeSettings(), unsaved), WithoutLines(loaded, unsaved));
  EXPECT_STREQ(AppTitle, "TarvoClock");
}

TEST_F(SettingsStoreTest, HoldsTheLowBitsOfEachWidthAndWritesThemBackInTheirForms) {
  Load("[TarvoClock]\n"
       "CHARA=257\nZadd=384\nALPHA=-1\nBRAND=-129\nAlarmWave01=255\nAlarmWave02=-1\n"
       "AlarmHour01=65541\nAlarmMinite01=-1\nViewBrand=256\nFitFlag=7\nRepFlag=-3\n"
       "ShuffFlag=0\nClock24=256\nMasterVol=5000\nCheckTime=280\n");
  EXPECT_EQ(CHARA, 1);
  EXPECT_EQ(Zadd, -128);
  EXPECT_EQ(ALPHA, 255);
  EXPECT_EQ(BRAND, 127);
  EXPECT_EQ(AlarmTable[0].AlarmWave, -1);
  EXPECT_EQ(static_cast<uint8_t>(AlarmTable[0].AlarmWave), kAlarmWaveMediaFile);
  EXPECT_EQ(AlarmTable[1].AlarmWave, -1);
  EXPECT_EQ(AlarmTable[0].AlarmHour, 5);
  EXPECT_EQ(AlarmTable[0].AlarmMinite, 65535);
  EXPECT_EQ(ViewBrand, 0);
  EXPECT_TRUE(FitFlag);
  EXPECT_TRUE(RepFlag);
  EXPECT_FALSE(ShuffFlag);
  // Only the low byte of Clock24 is held: 256 is 0, a 12-hour clock.
  EXPECT_EQ(Clock24, 0);
  EXPECT_EQ(HourCycle, 12);
  EXPECT_EQ(MasterVol, 0.5f);
  EXPECT_EQ(CheckTime, 24);

  MemoryProfile out = Save(0);
  EXPECT_EQ(out.Value("TarvoClock", "CHARA"), "1");
  EXPECT_EQ(out.Value("TarvoClock", "Zadd"), "-128");
  EXPECT_EQ(out.Value("TarvoClock", "ALPHA"), "255");
  EXPECT_EQ(out.Value("TarvoClock", "AlarmWave01"), "-1");
  EXPECT_EQ(out.Value("TarvoClock", "AlarmWave02"), "-1");
  EXPECT_EQ(out.Value("TarvoClock", "AlarmMinite01"), "65535");
  EXPECT_EQ(out.Value("TarvoClock", "FitFlag"), "1");
  EXPECT_EQ(out.Value("TarvoClock", "RepFlag"), "1");
  EXPECT_EQ(out.Value("TarvoClock", "MasterVol"), "5000");

  MasterVol = 0.75f;
  EXPECT_EQ(Save(0).Value("TarvoClock", "MasterVol"), "7500");
}

TEST_F(SettingsStoreTest, VolumeSurvivesEveryRoundTripAndHugeValuesStayInRange) {
  for (int32_t n = 0; n <= 200000; ++n) {
    ASSERT_EQ(VolumeToSetting(VolumeFromSetting(n)), static_cast<uint32_t>(n)) << n;
  }
  // Written unsigned, a value past the signed range reads back as the same bits.
  EXPECT_EQ(VolumeFromSetting(-1), static_cast<float>(4294967295.0 / 10000.0));
  EXPECT_EQ(VolumeToSetting(1e30f), 0xFFFFFFFFu);
  EXPECT_EQ(VolumeToSetting(-0.5f), 0u);
  EXPECT_EQ(VolumeToSetting(std::nanf("")), 0u);
  EXPECT_EQ(VolumeToSetting(INFINITY), 0xFFFFFFFFu);
}

TEST_F(SettingsStoreTest, GarbageNumbersReadAsTheirDefaultsInEveryWidth) {
  Load("[TarvoClock]\nLEFT=abc\nZadd=-\nALPHA=\nMasterVol=x\nShuffFlag=?\nClock12=abc\n"
       "AlarmHour01= 7 pm\nAlarmName01=abc\nOldTime=abc\nMoviePosX=99999999999\n"
       "MoviePosY=12x\n");
  EXPECT_EQ(LEFT, 320);
  EXPECT_EQ(Zadd, 0);
  EXPECT_EQ(ALPHA, 255);
  EXPECT_EQ(MasterVol, 1.0f);
  EXPECT_FALSE(ShuffFlag);
  EXPECT_EQ(Clock12, 1);
  EXPECT_EQ(AlarmTable[0].AlarmHour, 7);
  EXPECT_STREQ(AlarmTable[0].AlarmName, "abc");
  EXPECT_EQ(OldTime, 0);
  EXPECT_EQ(MoviePosX, 0);
  EXPECT_EQ(MoviePosY, 12);
}

TEST_F(SettingsStoreTest, OverlongTextsAreCutToTheirBuffers) {
  std::string big(5000, 'x');
  Load("[TarvoClock]\nAppTitle=" + big + "\nURL=" + big + "\nTimeSetting=" + big +
       "\nAlarmName08=" + big + "\nListName=" + big + "\nSkinPath=" + big +
       "\nOldTime=" + std::string(30, '1') + "\n");
  EXPECT_EQ(strlen(AppTitle), 79u);
  EXPECT_EQ(strlen(AppCaption), 79u);
  EXPECT_EQ(strlen(URL), 259u);
  EXPECT_EQ(strlen(TimeSetting), 259u);
  EXPECT_EQ(strlen(AlarmTable[7].AlarmName), 259u);
  EXPECT_EQ(strlen(ListName), 259u);
  EXPECT_EQ(strlen(SkinPath), 259u);
  // Not digits: the voice digits read as 0 and are written back as "0".
  EXPECT_EQ(SignalVoice, 0);
  EXPECT_EQ(OldTime, 0);
  MemoryProfile out = Save(0);
  EXPECT_EQ(out.Value("TarvoClock", "TimeSetting").substr(0, 12), "0xxxxxxxxx00");
}

TEST_F(SettingsStoreTest, EmptyTitleAndSkinPathFallBackToTheirDefaults) {
  Load("[TarvoClock]\nAppTitle=\nSkinPath=\nTimeServer=\nListName=\n");
  EXPECT_STREQ(AppTitle, "TarvoClock");
  EXPECT_STREQ(AppCaption, "TarvoClock");
  EXPECT_STREQ(SkinPath, ".\\skin");
  // An empty server means "none chosen" and stays empty.
  EXPECT_STREQ(TimeServer, "");
  MemoryProfile out = Save(0);
  EXPECT_EQ(out.Value("TarvoClock", "SkinPath"), ".\\skin");
  EXPECT_TRUE(out.Has("TarvoClock", "TimeServer"));
  EXPECT_EQ(out.Value("TarvoClock", "TimeServer"), "");
}

TEST_F(SettingsStoreTest, OldTimeIsUnsignedSecondsPast2038) {
  Load("[TarvoClock]\nOldTime=3000000000\n");
  EXPECT_EQ(OldTime, 3000000000);
  Load("[TarvoClock]\nOldTime=-1\n");
  EXPECT_EQ(OldTime, 4294967295);
  EXPECT_EQ(Save(2200000000).Value("TarvoClock", "OldTime"), "2200000000");
  // Past 2106 only the low 32 bits fit the key.
  EXPECT_EQ(Save(4294967296 + 5).Value("TarvoClock", "OldTime"), "5");
}

TEST_F(SettingsStoreTest, VoiceDigitsFollowTheCharacterAndExtendAShortSetting) {
  Load("[TarvoClock]\nCHARA=0\nTimeSetting=123\n");
  EXPECT_EQ(SignalVoice, 1);
  EXPECT_EQ(BootVoice, 0);
  EXPECT_EQ(SpareVoice, 0);
  BootVoice = 5;
  EXPECT_EQ(Save(0).Value("TarvoClock", "TimeSetting"), "123000000050");

  // Character 14 reaches position 39, past the default's 39 digits.
  Load("[TarvoClock]\nCHARA=14\n");
  EXPECT_EQ(SignalVoice, 0);
  SignalVoice = 1;
  BootVoice = 2;
  SpareVoice = 3;
  std::string written = Save(0).Value("TarvoClock", "TimeSetting");
  EXPECT_EQ(written, std::string(14, '0') + "1" + std::string(23, '0') + "23");

  // From character 10 on, positions overlap those of lower characters, as stored files have them.
  Load("[TarvoClock]\nCHARA=10\nTimeSetting=0123456789abcdefghijklmnopqrstuvwxyz0123\n");
  EXPECT_EQ(SignalVoice, 0);  // 'a', not a digit
  EXPECT_EQ(BootVoice, 0);    // 'u'
  Load("[TarvoClock]\nCHARA=2\nTimeSetting=0123456789012345678901234567890123456789\n");
  EXPECT_EQ(SignalVoice, 2);
  EXPECT_EQ(BootVoice, 4);
  EXPECT_EQ(SpareVoice, 5);

  // Values a digit cannot hold are stored as 0.
  SignalVoice = 12;
  BootVoice = -1;
  EXPECT_EQ(Save(0).Value("TarvoClock", "TimeSetting").substr(0, 16),
            "0103456789012305");
}

TEST_F(SettingsStoreTest, PositionsOutsideTheBufferAreNeitherReadNorWritten) {
  const std::string digits = "[TarvoClock]\nTimeSetting=" + std::string(259, '7') + "\n";
  for (int chara : {-128, -6, -5, -1, 0, 124, 125, 127}) {
    Load(digits + "CHARA=" + std::to_string(chara) + "\n");
    ASSERT_EQ(CHARA, chara);
    // Only the bytes 0-258 of the buffer hold digits; the last is the terminator's.
    const int positions[3] = {chara, 10 + 2 * chara, 11 + 2 * chara};
    std::atomic<int>* const voices[3] = {&SignalVoice, &BootVoice, &SpareVoice};
    std::string expected(259, '7');
    for (int i = 0; i < 3; ++i) {
      bool inside = positions[i] >= 0 && positions[i] <= 258;
      EXPECT_EQ(*voices[i], inside ? 7 : 0) << chara << " position " << positions[i];
      *voices[i] = 1;
      if (inside) expected[static_cast<size_t>(positions[i])] = '1';
    }
    EXPECT_EQ(Save(0).Value("TarvoClock", "TimeSetting"), expected) << chara;
  }
}

TEST_F(SettingsStoreTest, AFailedWriteStillTriesEveryKey) {
  MemoryProfile readOnly;
  readOnly.SetReadOnly(true);
  EXPECT_FALSE(WriteSettings(readOnly.Access(), 0));
  EXPECT_EQ(readOnly.WriteLog(), kWriteOrder);
  EXPECT_TRUE(readOnly.Text().empty());
}

}  // namespace
