// The one list of the settings file's keys: each row makes the global's declaration, its
// definition and its row of the key table, so a new setting is one line here.
#pragma once

// SETTING_TEXT(name, capacity, text default, save order)
//   a char[capacity] owned by the user-interface thread; other threads read only texts that do
//   not change after start-up, or take a copy on the owner's thread before they run.
// SETTING_NUMBER(name, kind, number default, save order)
//   a std::atomic of the kind's type, so any thread may read it while the owner changes it.
// SETTING_ALARM(field, kind, number default, text default, capacity)
//   one key per alarm ("AlarmNo01".."AlarmNo08"), held in AlarmTable under its own lock.
//
// The rows are in the order the file is read; the save order places a key among the written
// ones (1 first; 0 for keys that are only read, for editing by hand). The texts' defaults name
// constants that only the key table's file needs to see.
#define TARVO_SETTINGS(SETTING_TEXT, SETTING_NUMBER, SETTING_ALARM)                      \
  SETTING_TEXT(AppTitle, kTitleCapacity, kDefaultAppTitle, 0)                            \
  SETTING_NUMBER(WinFlame, kInt, 1, 0)                                                   \
  SETTING_NUMBER(ShowWin, kInt, 0, 0)                                                    \
  SETTING_NUMBER(LEFT, kInt, 320, 5)                                                     \
  SETTING_NUMBER(TOP, kInt, 240, 6)                                                      \
  SETTING_NUMBER(Zadd, kSigned8, 0, 7)                                                   \
  SETTING_NUMBER(CHARA, kSigned8, 0, 3)                                                  \
  SETTING_NUMBER(BRAND, kSigned8, 0, 4)                                                  \
  SETTING_NUMBER(ALPHA, kUnsigned8, 255, 2)                                              \
  SETTING_NUMBER(AlphaUse, kSigned8, 0, 1)                                               \
  SETTING_NUMBER(Clock24, kSigned8, 0, 18)                                               \
  SETTING_NUMBER(Clock12, kSigned8, 1, 19)                                               \
  SETTING_NUMBER(SndDLEFT, kInt, -1, 8)                                                  \
  SETTING_NUMBER(SndDTOP, kInt, -1, 9)                                                   \
  SETTING_NUMBER(SndLLEFT, kInt, -1, 10)                                                 \
  SETTING_NUMBER(SndLTOP, kInt, -1, 11)                                                  \
  SETTING_NUMBER(MasterVol, kVolume, 10000, 12)                                          \
  SETTING_NUMBER(RepFlag, kFlag, 0, 13)                                                  \
  SETTING_NUMBER(SPFlag, kFlag, 0, 14)                                                   \
  SETTING_NUMBER(ShuffFlag, kFlag, 0, 15)                                                \
  SETTING_NUMBER(AlarmFlag, kSigned8, 0, 16)                                             \
  SETTING_ALARM(AlarmNo, kSigned8, 0, nullptr, 0)                                        \
  SETTING_ALARM(AlarmWave, kSigned8, 0, nullptr, 0)                                      \
  SETTING_ALARM(AlarmHour, kUnsigned16, 0, nullptr, 0)                                   \
  SETTING_ALARM(AlarmMinite, kUnsigned16, 0, nullptr, 0)                                 \
  SETTING_ALARM(AlarmName, kText, 0, "se09", kAlarmNameCapacity)                         \
  SETTING_NUMBER(resemble, kSigned8, 1, 24)                                              \
  SETTING_NUMBER(TimeSignal, kSigned8, 1, 22)                                            \
  SETTING_NUMBER(BootSignal, kSigned8, 1, 23)                                            \
  /* Three digits for each of the characters 0-9, plus one spare position. */            \
  SETTING_TEXT(TimeSetting, kPathCapacity, kDefaultTimeSetting, 34)                      \
  /* Our own keys: the voices of the skins of brands 1-3, two digits per skin index. */  \
  SETTING_TEXT(VoiceSet1, kPathCapacity, "", 39)                                         \
  SETTING_TEXT(VoiceSet2, kPathCapacity, "", 40)                                         \
  SETTING_TEXT(VoiceSet3, kPathCapacity, "", 41)                                         \
  SETTING_TEXT(TimeServer, kPathCapacity, NtpServerList[0], 21)                          \
  SETTING_NUMBER(SntpUse, kSigned8, 0, 20)                                               \
  SETTING_TEXT(URL, kPathCapacity, "http://www.tarvoclock.example/", 0)                  \
  /* Our own key, read like URL: host name of the server the news feeds come from. */    \
  SETTING_TEXT(FeedServer, kPathCapacity, "feeds.tarvoclock.example", 0)                 \
  /* Our own keys: a full http(s) address replacing feed 0-3 of FeedServer when not empty. */ \
  SETTING_TEXT(FeedUrl0, kPathCapacity, "", 42)                                          \
  SETTING_TEXT(FeedUrl1, kPathCapacity, "", 43)                                          \
  SETTING_TEXT(FeedUrl2, kPathCapacity, "", 44)                                          \
  SETTING_TEXT(FeedUrl3, kPathCapacity, "", 45)                                          \
  /* The news list's reference time; set to the exit time on save. */                    \
  SETTING_NUMBER(OldTime, kOldTime, 0, 25)                                               \
  SETTING_NUMBER(FullScreenFlag, kSigned8, 0, 36)                                        \
  SETTING_NUMBER(MoviePosX, kInt, 0, 37)                                                 \
  SETTING_NUMBER(MoviePosY, kInt, 0, 38)                                                 \
  SETTING_NUMBER(ViewBrand, kUnsigned8, 15, 26)                                          \
  SETTING_NUMBER(NewDays, kInt, 7, 27)                                                   \
  SETTING_NUMBER(NewFlag, kInt, 3, 28)                                                   \
  SETTING_NUMBER(ClickMode, kSigned8, 0, 29)                                             \
  SETTING_NUMBER(CheckTime, kSigned8, 24, 30)                                            \
  SETTING_NUMBER(RssScrollTime, kInt, 40, 31)                                            \
  SETTING_NUMBER(FitFlag, kFlag, 0, 32)                                                  \
  /* Our own key: the clock's size in percent of the display scale (25-400 when used). */ \
  SETTING_NUMBER(ClockScale, kInt, 100, 46)                                              \
  SETTING_TEXT(ListName, kPathCapacity, "", 33)                                          \
  SETTING_TEXT(SkinPath, kPathCapacity, kDefaultSkinPath, 35)
