// Settings-backed process-wide state, one global per key of "<program name>.cfg".
#pragma once

#include <cstdint>

constexpr int kPathCapacity = 260;
constexpr int kTitleCapacity = 80;
constexpr int kOldTimeCapacity = 20;

// Read from the file but never written back: edited in the file only.
extern char AppTitle[kTitleCapacity];
extern char AppCaption[kTitleCapacity];
extern int WinFlame;
extern int ShowWin;
extern char URL[kPathCapacity];
// Our own key, read like URL: host name of the server the news feeds come from.
extern char FeedServer[kPathCapacity];

extern int LEFT;
extern int TOP;
extern int8_t Zadd;
extern int8_t CHARA;
extern int8_t BRAND;
extern uint8_t ALPHA;
extern int8_t AlphaUse;
extern int8_t Clock24;
extern int8_t Clock12;
extern uint8_t HourCycle;
extern int SndDLEFT;
extern int SndDTOP;
extern int SndLLEFT;
extern int SndLTOP;
extern float MasterVol;
extern bool RepFlag;
extern bool SPFlag;
extern bool ShuffFlag;
extern int8_t AlarmFlag;
extern int8_t resemble;
extern int8_t TimeSignal;
extern int8_t BootSignal;
extern char TimeSetting[kPathCapacity];
extern char TimeServer[kPathCapacity];
extern int8_t SntpUse;
// Seconds since 1970-01-01 00:00 UTC, both loaded from the OldTime key.
extern int64_t OldTime;         // the news list's reference time; set to the exit time on save
extern int64_t LastFeedUpdate;  // the time of the last announced feed update
extern int8_t FullScreenFlag;
extern int MoviePosX;
extern int MoviePosY;
extern uint8_t ViewBrand;
extern int NewDays;
extern int NewFlag;
extern int8_t ClickMode;
extern int8_t CheckTime;
extern int RssScrollTime;
extern bool FitFlag;
extern char ListName[kPathCapacity];
extern char SkinPath[kPathCapacity];

// Voice digits of the current character, taken from and stored back into TimeSetting.
extern int SignalVoice;
extern int BootVoice;
extern int SpareVoice;

// "<program name>.cfg" beside the program, and the program's folder without a trailing
// backslash (a drive root keeps its own: "C:\").
extern char SettingsPath[kPathCapacity];
extern char ExeFolder[kPathCapacity];
