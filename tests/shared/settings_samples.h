// Sample settings files and the key orders that the settings tests share.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The keys in the order they are read and written; alarm keys are expanded for n = 1-8.
inline std::vector<std::string> ExpandAlarmKeys(const std::vector<std::string>& keys) {
  std::vector<std::string> out;
  for (const std::string& k : keys) {
    if (k != "*alarms*") {
      out.push_back(k);
      continue;
    }
    for (int n = 1; n <= 8; ++n) {
      for (const char* stem : {"AlarmNo", "AlarmWave", "AlarmHour", "AlarmMinite", "AlarmName"}) {
        char key[32];
        snprintf(key, sizeof key, "%s%02d", stem, n);
        out.push_back(key);
      }
    }
  }
  return out;
}

inline const std::vector<std::string> kReadOrder = ExpandAlarmKeys(
    {"AppTitle", "WinFlame", "ShowWin", "LEFT", "TOP", "Zadd", "CHARA", "BRAND", "ALPHA",
     "AlphaUse", "Clock24", "Clock12", "SndDLEFT", "SndDTOP", "SndLLEFT", "SndLTOP", "MasterVol",
     "RepFlag", "SPFlag", "ShuffFlag", "AlarmFlag", "*alarms*", "resemble", "TimeSignal",
     "BootSignal", "TimeSetting", "VoiceSet1", "VoiceSet2", "VoiceSet3", "TimeServer", "SntpUse", "URL", "FeedServer", "FeedUrl0", "FeedUrl1", "FeedUrl2", "FeedUrl3", "OldTime",
     "FullScreenFlag", "MoviePosX", "MoviePosY", "ViewBrand", "NewDays", "NewFlag", "ClickMode",
     "CheckTime", "RssScrollTime", "FitFlag", "ClockScale", "ListName", "SkinPath"});

inline const std::vector<std::string> kWriteOrder = ExpandAlarmKeys(
    {"AlphaUse", "ALPHA", "CHARA", "BRAND", "LEFT", "TOP", "Zadd", "SndDLEFT", "SndDTOP",
     "SndLLEFT", "SndLTOP", "MasterVol", "RepFlag", "SPFlag", "ShuffFlag", "AlarmFlag", "*alarms*",
     "Clock24", "Clock12", "SntpUse", "TimeServer", "TimeSignal", "BootSignal", "resemble",
     "OldTime", "ViewBrand", "NewDays", "NewFlag", "ClickMode", "CheckTime", "RssScrollTime",
     "FitFlag", "ListName", "TimeSetting", "SkinPath", "FullScreenFlag", "MoviePosX",
     "MoviePosY", "VoiceSet1", "VoiceSet2", "VoiceSet3", "FeedUrl0", "FeedUrl1", "FeedUrl2",
     "FeedUrl3", "ClockScale"});

// Every saved key with a value other than its default, each in the form it is written in.
inline const char kEveryKeySet[] =
    "[TarvoClock]\n"
    "AppTitle=MyClock\nWinFlame=0\nShowWin=1\nLEFT=-1200\nTOP=777\nZadd=2\nCHARA=3\n"
    "BRAND=1\nALPHA=128\nAlphaUse=1\nClock24=1\nClock12=0\nSndDLEFT=10\nSndDTOP=20\n"
    "SndLLEFT=30\nSndLTOP=40\nMasterVol=7500\nRepFlag=1\nSPFlag=1\nShuffFlag=1\nAlarmFlag=1\n"
    "AlarmNo01=1\nAlarmWave01=-1\nAlarmHour01=7\nAlarmMinite01=30\nAlarmName01=C:\\m\\wake.mp3\n"
    "AlarmNo02=2\nAlarmWave02=1\nAlarmHour02=23\nAlarmMinite02=59\nAlarmName02=\n"
    "AlarmNo03=3\nAlarmWave03=2\nAlarmHour03=1\nAlarmMinite03=2\nAlarmName03=a\n"
    "AlarmNo04=4\nAlarmWave04=3\nAlarmHour04=4\nAlarmMinite04=5\nAlarmName04=b\n"
    "AlarmNo05=5\nAlarmWave05=4\nAlarmHour05=6\nAlarmMinite05=7\nAlarmName05=c\n"
    "AlarmNo06=6\nAlarmWave06=5\nAlarmHour06=8\nAlarmMinite06=9\nAlarmName06=d\n"
    "AlarmNo07=7\nAlarmWave07=8\nAlarmHour07=10\nAlarmMinite07=11\nAlarmName07=e\n"
    "AlarmNo08=8\nAlarmWave08=9\nAlarmHour08=12\nAlarmMinite08=13\nAlarmName08=f\n"
    "resemble=0\nTimeSignal=0\nBootSignal=0\n"
    "TimeSetting=012345678901234567890123456789012345678\n"
    "VoiceSet1=0123\nVoiceSet2=99\nVoiceSet3=3\n"
    "TimeServer=ntp.example.org:1234\nSntpUse=1\nURL=http://home.example/\n"
    "FeedServer=feeds.example:8080\nFeedUrl0=https://a.example/feed\nFeedUrl1=http://b.example/x.xml\n"
    "FeedUrl2=https://c.example/atom\nFeedUrl3=ftp://d.example/\nOldTime=1700000000\nFullScreenFlag=1\nMoviePosX=-5\n"
    "MoviePosY=6\nViewBrand=5\nNewDays=3\nNewFlag=1\nClickMode=2\nCheckTime=6\n"
    "RssScrollTime=20\nFitFlag=1\nClockScale=150\nListName=C:\\lists\\mine.lst\nSkinPath=D:\\skins\n";

