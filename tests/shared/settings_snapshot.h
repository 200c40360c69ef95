// Every settings global as one line of text each, so tests compare whole states and show diffs.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "settings/alarm_table.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

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

// The settings-backed state, key by key from the settings table, then the derived state; the
// file paths (SettingsPath, ExeFolder) are left out, and with `withTexts` false every string too.
inline std::string DescribeSettings(bool withTexts = true) {
  LoadDefaultSettingsOnce();
  std::string s;
  for (int i = 0; i < kSettingKeyCount; ++i) {
    const SettingKey& key = kSettingKeys[i];
    for (int alarm = 1; alarm <= (key.perAlarm ? kAlarmCount : 1); ++alarm) {
      char name[32];
      SettingKeyName(key, alarm, name);
      if (key.kind == SettingKind::kText) {
        if (withTexts) AddSettingLine(&s, name, static_cast<const char*>(SettingValue(key, alarm)));
        continue;
      }
      char value[64];
      snprintf(value, sizeof value, "%.17g", SettingNumberValue(key, alarm));
      AddSettingLine(&s, name, value);
    }
  }
  auto num = [&](const char* name, long long v) { AddSettingLine(&s, name, SettingNumber(v)); };
  if (withTexts) AddSettingLine(&s, "AppCaption", AppCaption);
  num("HourCycle", HourCycle);
  num("LastFeedUpdate", LastFeedUpdate);
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
