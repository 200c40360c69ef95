// Every settings global as one line of text each, so tests compare whole states and show diffs.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "timesvc/alarm_table.h"

inline void AddSettingLine(std::string* out, const char* name, const std::string& value) {
  *out += name;
  *out += '=';
  *out += value;
  *out += '\n';
}

inline std::string SettingNumber(long long value) {
  char text[32];
  snprintf(text, sizeof text, "%lld", value);
  return text;
}

// The settings-backed state; the file paths (SettingsPath, ExeFolder) are left out, and with
// `withTexts` false every string setting too.
inline std::string DescribeSettings(bool withTexts = true) {
  std::string s;
  auto num = [&](const char* name, long long v) { AddSettingLine(&s, name, SettingNumber(v)); };
  auto text = [&](const char* name, const char* v) {
    if (withTexts) AddSettingLine(&s, name, v);
  };
  text("AppTitle", AppTitle);
  text("AppCaption", AppCaption);
  num("WinFlame", WinFlame);
  num("ShowWin", ShowWin);
  text("URL", URL);
  text("FeedServer", FeedServer);
  num("LEFT", LEFT);
  num("TOP", TOP);
  num("Zadd", Zadd);
  num("CHARA", CHARA);
  num("BRAND", BRAND);
  num("ALPHA", ALPHA);
  num("AlphaUse", AlphaUse);
  num("Clock24", Clock24);
  num("Clock12", Clock12);
  num("HourCycle", HourCycle);
  num("SndDLEFT", SndDLEFT);
  num("SndDTOP", SndDTOP);
  num("SndLLEFT", SndLLEFT);
  num("SndLTOP", SndLTOP);
  char volume[32];
  snprintf(volume, sizeof volume, "%.9g", static_cast<double>(MasterVol));
  AddSettingLine(&s, "MasterVol", volume);
  num("RepFlag", RepFlag);
  num("SPFlag", SPFlag);
  num("ShuffFlag", ShuffFlag);
  num("AlarmFlag", AlarmFlag);
  for (int i = 0; i < kAlarmCount; ++i) {
    char name[32];
    snprintf(name, sizeof name, "Alarm%d", i + 1);
    char value[400];
    snprintf(value, sizeof value, "no=%d wave=%d hour=%u minite=%u name=%s window=%p timer=%d",
             AlarmTable[i].AlarmNo, AlarmTable[i].AlarmWave, AlarmTable[i].AlarmHour,
             AlarmTable[i].AlarmMinite, withTexts ? AlarmTable[i].AlarmName : "",
             AlarmTable[i].StopWindow, AlarmTable[i].StopTimerId);
    AddSettingLine(&s, name, value);
  }
  num("resemble", resemble);
  num("TimeSignal", TimeSignal);
  num("BootSignal", BootSignal);
  text("TimeSetting", TimeSetting);
  text("TimeServer", TimeServer);
  num("SntpUse", SntpUse);
  num("OldTime", OldTime);
  num("LastFeedUpdate", LastFeedUpdate);
  num("FullScreenFlag", FullScreenFlag);
  num("MoviePosX", MoviePosX);
  num("MoviePosY", MoviePosY);
  num("ViewBrand", ViewBrand);
  num("NewDays", NewDays);
  num("NewFlag", NewFlag);
  num("ClickMode", ClickMode);
  num("CheckTime", CheckTime);
  num("RssScrollTime", RssScrollTime);
  num("FitFlag", FitFlag);
  text("ListName", ListName);
  text("SkinPath", SkinPath);
  num("SignalVoice", SignalVoice);
  num("BootVoice", BootVoice);
  num("SpareVoice", SpareVoice);
  return s;
}

// The description with the lines of the named settings taken out.
inline std::string WithoutLines(const std::string& text, const std::vector<std::string>& names) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end - at + 1);
    at = end + 1;
    bool drop = false;
    for (const std::string& name : names) drop = drop || line.rfind(name + "=", 0) == 0;
    if (!drop) out += line;
  }
  return out;
}
