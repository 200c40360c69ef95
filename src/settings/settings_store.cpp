// The settings keys in the file's order, with their defaults, held widths and written forms.
#include "settings/settings_store.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "settings/settings.h"
#include "timesvc/alarm_table.h"
#include "timesvc/ntp_servers.h"

const char kSettingsSection[] = "TarvoClock";

namespace {

constexpr char kDefaultAppTitle[] = "TarvoClock";
constexpr char kDefaultUrl[] = "http://www.tarvoclock.example/";
constexpr char kDefaultFeedServer[] = "feeds.tarvoclock.example";
constexpr char kDefaultSkinPath[] = ".\\skin";
constexpr char kDefaultAlarmName[] = "se09";
// Three digits for each of the characters 0-9, plus one spare position.
constexpr char kDefaultTimeSetting[] = "000000000000000000000000000000000000000";
constexpr int kKeyNameCapacity = 32;

int32_t Int(const ProfileAccess& profile, const char* key, int32_t fallback) {
  return ReadProfileInt(profile, kSettingsSection, key, fallback);
}

// The held width of the table: the low 8 or 16 bits of the number read.
int8_t Signed8(const ProfileAccess& profile, const char* key, int32_t fallback) {
  return static_cast<int8_t>(static_cast<uint8_t>(Int(profile, key, fallback) & 0xFF));
}
uint8_t Unsigned8(const ProfileAccess& profile, const char* key, int32_t fallback) {
  return static_cast<uint8_t>(Int(profile, key, fallback) & 0xFF);
}
uint16_t Unsigned16(const ProfileAccess& profile, const char* key, int32_t fallback) {
  return static_cast<uint16_t>(Int(profile, key, fallback) & 0xFFFF);
}
bool Flag(const ProfileAccess& profile, const char* key, int32_t fallback) {
  return Int(profile, key, fallback) != 0;
}

void Text(const ProfileAccess& profile, const char* key, const char* fallback, char* out,
          int capacity) {
  ReadProfileText(profile, kSettingsSection, key, fallback, out, capacity);
}

void CopyText(char* out, int capacity, const char* text) {
  snprintf(out, static_cast<size_t>(capacity), "%s", text);
}

void AlarmKey(char* out, const char* stem, int n) {
  snprintf(out, kKeyNameCapacity, "%s%02d", stem, n);
}

void ReadAlarms(const ProfileAccess& profile) {
  char key[kKeyNameCapacity];
  for (int n = 1; n <= kAlarmCount; ++n) {
    AlarmRecord& alarm = AlarmTable[n - 1];
    alarm.StopWindow = nullptr;
    AlarmKey(key, "AlarmNo", n);
    alarm.AlarmNo = Signed8(profile, key, 0);
    AlarmKey(key, "AlarmWave", n);
    alarm.AlarmWave = Signed8(profile, key, 0);
    AlarmKey(key, "AlarmHour", n);
    alarm.AlarmHour = Unsigned16(profile, key, 0);
    AlarmKey(key, "AlarmMinite", n);
    alarm.AlarmMinite = Unsigned16(profile, key, 0);
    AlarmKey(key, "AlarmName", n);
    Text(profile, key, kDefaultAlarmName, alarm.AlarmName, kAlarmNameCapacity);
  }
}

// OldTime is kept as unsigned 32-bit seconds: a signed reading would turn every time after
// 2038-01-19 into 1901. Times before then read and write exactly as signed ones.
int64_t OldTimeFromText(const char* text) {
  int32_t number = 0;
  if (!ParseProfileInt(text, &number)) return 0;
  return static_cast<int64_t>(static_cast<uint32_t>(number));
}

// Positions of the three voice digits of a character in TimeSetting.
void VoicePositions(int chara, int positions[3]) {
  positions[0] = chara;
  positions[1] = 10 + 2 * chara;
  positions[2] = 11 + 2 * chara;
}

int DigitAt(int position) {
  if (position < 0 || position >= kPathCapacity - 1) return 0;
  size_t length = strnlen(TimeSetting, kPathCapacity);
  if (static_cast<size_t>(position) >= length) return 0;
  char c = TimeSetting[position];
  return c >= '0' && c <= '9' ? c - '0' : 0;
}

void StoreDigit(int position, int value) {
  // The last byte of the buffer is the terminator's.
  if (position < 0 || position >= kPathCapacity - 1) return;
  size_t length = strnlen(TimeSetting, kPathCapacity - 1);
  while (length < static_cast<size_t>(position)) TimeSetting[length++] = '0';
  if (length == static_cast<size_t>(position)) TimeSetting[position + 1] = '\0';
  TimeSetting[position] = static_cast<char>('0' + (value >= 0 && value <= 9 ? value : 0));
}

struct Writer {
  const ProfileAccess& profile;
  bool ok;

  void Int(const char* key, int32_t value) {
    ok = WriteProfileInt(profile, kSettingsSection, key, value) && ok;
  }
  void Unsigned(const char* key, uint32_t value) {
    ok = WriteProfileUnsigned(profile, kSettingsSection, key, value) && ok;
  }
  void Flag(const char* key, bool value) { Text(key, value ? "1" : "0"); }
  void Text(const char* key, const char* value) {
    ok = WriteProfileText(profile, kSettingsSection, key, value) && ok;
  }
};

int ReadEmpty(void*, const char*, const char*, const char* fallback, char* out, int capacity) {
  if (capacity <= 0) return 0;
  CopyText(out, capacity, fallback);
  return static_cast<int>(strlen(out));
}

bool WriteNothing(void*, const char*, const char*, const char*) { return false; }

}  // namespace

float VolumeFromSetting(int32_t number) {
  return static_cast<float>(static_cast<uint32_t>(number) / 10000.0);
}

uint32_t VolumeToSetting(float volume) {
  double scaled = static_cast<double>(volume) * 10000.0 + 0.5;
  // The negated test also catches NaN.
  if (!(scaled >= 0.0)) return 0;
  if (scaled >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(scaled);
}

void LoadVoiceDigits(int chara) {
  int positions[3];
  VoicePositions(chara, positions);
  SignalVoice = DigitAt(positions[0]);
  BootVoice = DigitAt(positions[1]);
  SpareVoice = DigitAt(positions[2]);
}

void StoreVoiceDigits(int chara) {
  int positions[3];
  VoicePositions(chara, positions);
  StoreDigit(positions[0], SignalVoice);
  StoreDigit(positions[1], BootVoice);
  StoreDigit(positions[2], SpareVoice);
}

void ReadSettings(const ProfileAccess& profile) {
  Text(profile, "AppTitle", kDefaultAppTitle, AppTitle, kTitleCapacity);
  // The title names the window class; with an empty one the program could not start at all.
  if (AppTitle[0] == '\0') CopyText(AppTitle, kTitleCapacity, kDefaultAppTitle);
  CopyText(AppCaption, kTitleCapacity, AppTitle);
  WinFlame = Int(profile, "WinFlame", 1);
  ShowWin = Int(profile, "ShowWin", 0);
  LEFT = Int(profile, "LEFT", 320);
  TOP = Int(profile, "TOP", 240);
  Zadd = Signed8(profile, "Zadd", 0);
  CHARA = Signed8(profile, "CHARA", 0);
  BRAND = Signed8(profile, "BRAND", 0);
  ALPHA = Unsigned8(profile, "ALPHA", 255);
  AlphaUse = Signed8(profile, "AlphaUse", 0);
  Clock24 = Signed8(profile, "Clock24", 0);
  Clock12 = Signed8(profile, "Clock12", 1);
  SndDLEFT = Int(profile, "SndDLEFT", -1);
  SndDTOP = Int(profile, "SndDTOP", -1);
  SndLLEFT = Int(profile, "SndLLEFT", -1);
  SndLTOP = Int(profile, "SndLTOP", -1);
  MasterVol = VolumeFromSetting(Int(profile, "MasterVol", 10000));
  RepFlag = Flag(profile, "RepFlag", 0);
  SPFlag = Flag(profile, "SPFlag", 0);
  ShuffFlag = Flag(profile, "ShuffFlag", 0);
  HourCycle = Clock24 != 0 ? 24 : 12;
  AlarmFlag = Signed8(profile, "AlarmFlag", 0);
  ReadAlarms(profile);
  resemble = Signed8(profile, "resemble", 1);
  TimeSignal = Signed8(profile, "TimeSignal", 1);
  BootSignal = Signed8(profile, "BootSignal", 1);
  Text(profile, "TimeSetting", kDefaultTimeSetting, TimeSetting, kPathCapacity);
  Text(profile, "TimeServer", NtpServerList[0], TimeServer, kPathCapacity);
  SntpUse = Signed8(profile, "SntpUse", 0);
  Text(profile, "URL", kDefaultUrl, URL, kPathCapacity);
  Text(profile, "FeedServer", kDefaultFeedServer, FeedServer, kPathCapacity);
  char oldTime[kOldTimeCapacity];
  Text(profile, "OldTime", "0", oldTime, kOldTimeCapacity);
  OldTime = OldTimeFromText(oldTime);
  LastFeedUpdate = OldTime;
  FullScreenFlag = Signed8(profile, "FullScreenFlag", 0);
  MoviePosX = Int(profile, "MoviePosX", 0);
  MoviePosY = Int(profile, "MoviePosY", 0);
  ViewBrand = Unsigned8(profile, "ViewBrand", 15);
  NewDays = Int(profile, "NewDays", 7);
  NewFlag = Int(profile, "NewFlag", 3);
  ClickMode = Signed8(profile, "ClickMode", 0);
  CheckTime = Signed8(profile, "CheckTime", 24);
  RssScrollTime = Int(profile, "RssScrollTime", 40);
  FitFlag = Flag(profile, "FitFlag", 0);
  LoadVoiceDigits(CHARA);
  Text(profile, "ListName", "", ListName, kPathCapacity);
  Text(profile, "SkinPath", kDefaultSkinPath, SkinPath, kPathCapacity);
  if (SkinPath[0] == '\0') CopyText(SkinPath, kPathCapacity, kDefaultSkinPath);
}

bool WriteSettings(const ProfileAccess& profile, int64_t now) {
  Writer w{profile, true};
  w.Int("AlphaUse", AlphaUse);
  w.Unsigned("ALPHA", ALPHA);
  w.Int("CHARA", CHARA);
  w.Int("BRAND", BRAND);
  w.Int("LEFT", LEFT);
  w.Int("TOP", TOP);
  w.Int("Zadd", Zadd);
  w.Int("SndDLEFT", SndDLEFT);
  w.Int("SndDTOP", SndDTOP);
  w.Int("SndLLEFT", SndLLEFT);
  w.Int("SndLTOP", SndLTOP);
  w.Unsigned("MasterVol", VolumeToSetting(MasterVol));
  w.Flag("RepFlag", RepFlag);
  w.Flag("SPFlag", SPFlag);
  w.Flag("ShuffFlag", ShuffFlag);
  w.Int("AlarmFlag", AlarmFlag);
  char key[kKeyNameCapacity];
  for (int n = 1; n <= kAlarmCount; ++n) {
    const AlarmRecord& alarm = AlarmTable[n - 1];
    AlarmKey(key, "AlarmNo", n);
    w.Int(key, alarm.AlarmNo);
    AlarmKey(key, "AlarmWave", n);
    w.Int(key, alarm.AlarmWave);
    AlarmKey(key, "AlarmHour", n);
    w.Unsigned(key, alarm.AlarmHour);
    AlarmKey(key, "AlarmMinite", n);
    w.Unsigned(key, alarm.AlarmMinite);
    AlarmKey(key, "AlarmName", n);
    w.Text(key, alarm.AlarmName);
  }
  w.Int("Clock24", Clock24);
  w.Int("Clock12", Clock12);
  w.Int("SntpUse", SntpUse);
  w.Text("TimeServer", TimeServer);
  w.Int("TimeSignal", TimeSignal);
  w.Int("BootSignal", BootSignal);
  w.Int("resemble", resemble);
  OldTime = now;
  w.Unsigned("OldTime", static_cast<uint32_t>(static_cast<uint64_t>(now) & 0xFFFFFFFFu));
  w.Unsigned("ViewBrand", ViewBrand);
  w.Int("NewDays", NewDays);
  w.Int("NewFlag", NewFlag);
  w.Int("ClickMode", ClickMode);
  w.Int("CheckTime", CheckTime);
  w.Int("RssScrollTime", RssScrollTime);
  w.Flag("FitFlag", FitFlag);
  w.Text("ListName", ListName);
  StoreVoiceDigits(CHARA);
  w.Text("TimeSetting", TimeSetting);
  w.Text("SkinPath", SkinPath);
  w.Int("FullScreenFlag", FullScreenFlag);
  w.Int("MoviePosX", MoviePosX);
  w.Int("MoviePosY", MoviePosY);
  return w.ok;
}

void ResetSettings() {
  const ProfileAccess empty = {nullptr, ReadEmpty, WriteNothing};
  ReadSettings(empty);
}
