// The eight alarms: the check at a minute change, the stop windows that play media-file alarms,
// and the alarm list and editor.
#pragma once

#include <windows.h>

#include "settings/alarm_table.h"

constexpr char kAlarmFileMissingText[] = "ファイルが見つかりません。";
constexpr char kAlarmUnsupportedText[] = "未対応の形式です。";

// How long the clock thread waits for a stop window to come up, and then for it to take the
// alarm; after that it gives the alarm up for this minute.
constexpr DWORD kHandOverWaitMs = 3000;
// A stop window that was never handed its alarm ends itself after this long.
constexpr UINT kStopWindowIdleMs = 10000;

// Clock thread, at a new minute: rings the alarms set for LastHour:LastMinute in number order.
// It never waits for a user: a missing file is reported by posting MSG_ALARM_FILE_MISSING to
// ClockWindow, and a media file is handed to a stop window of its own thread. Nor does it wait
// for a sound: effects play asynchronously, and an alarm that would cut off the clip playing
// (the hour's announcement, or the effect of the alarm before it) is left for ServeAlarms.
void CheckAlarms();
// Clock thread, on every tick: rings the alarms of this minute whose turn has come.
void ServeAlarms();

// The alarm table under the short lock that the check reads it under, so a commit from the list
// never tears a record the check is reading.
void CopyAlarmTable(AlarmRecord out[kAlarmCount]);
void StoreAlarmTable(const AlarmRecord in[kAlarmCount]);

// `name` as a path: a relative one is taken in ExeFolder (the current folder may be elsewhere).
// Fails, leaving `path` alone, when the result would not fit 260 bytes.
bool AlarmFilePath(const char* name, char* path);
// Whether `name`, taken as AlarmFilePath does, is an existing file (not a folder).
bool AlarmFileExists(const char* name);

// Opens a stop window for alarm `number` (1-8) on a thread of its own and hands it `path`.
// False when the window did not come up or take the alarm within kHandOverWaitMs each.
bool HandOverAlarmFile(int number, const char* path);

// Whether alarm `number` has a stop window playing its file, or is blocked for this run after
// its file could not be played.
bool AlarmFileRinging(int number);
bool AlarmFileBlocked(int number);
// How often alarm `number`'s file has started in its current stop window (it starts again each
// time it ends, until stopped).
int AlarmFilePlays(int number);
// Stop threads still running (including any window that is closing).
int StopThreadsRunning();

// UI thread, at close: asks every stop window (and any box one of them shows) to stop and end,
// and waits until their threads have ended, at most `timeoutMs`, answering messages they send
// meanwhile. True when all have ended.
bool StopAlarmWindows(DWORD timeoutMs);

// Command 40012: the alarm list, modal over `owner`.
void ShowAlarmList(HWND owner);

#if MASCOT_TEST_HOOKS
#include <atomic>
#include <cstdint>

// Holds every stop thread this long before its window is made, as a busy machine might.
extern std::atomic<uint32_t> TestStallStopThreadMs;
// The dialog template stop windows are made from ("ALARMSTOP"); a missing one makes every stop
// window fail to come up.
void SetStopDialogTemplate(const char* name);
// Forgets the blocked marks and stop windows of a run, as a restart does.
void ResetAlarmRuns();
#endif
