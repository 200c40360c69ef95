// Every window message number of our own, in one place so no two can be mixed up. Each number is
// private to the window that receives it, so the same value can mean different things to
// different windows; the comment names the receiver.
#pragma once

// The platform's bases (WM_USER and WM_APP), spelt out so portable code can use the numbers.
constexpr unsigned kUserMessageBase = 0x0400;
constexpr unsigned kAppMessageBase = 0x8000;

// To ClockWindow.
constexpr unsigned MSG_SYNC_TIME = kUserMessageBase + 1;           // 1025: set the clock by SNTP
constexpr unsigned MSG_NEWS_UPDATED = kUserMessageBase + 2;        // 1026: new items arrived
constexpr unsigned MSG_SKIN_UPDATE_RESULT = kUserMessageBase + 3;  // 1027: a skin download ended
constexpr unsigned MSG_NEWS_ICON = kUserMessageBase + 4;           // 1028: tray icon, wParam 1 news
constexpr unsigned MSG_SKIN_DOWNLOADED = kUserMessageBase + 5;     // 1029: worker done, wParam saved
constexpr unsigned MSG_ALARM_FILE_MISSING = kUserMessageBase + 6;  // 1030: wParam the alarm (1-8)
constexpr unsigned MSG_TRAY = kAppMessageBase + 100;               // 32868: tray icon callback

// The system's, to ClockWindow: its monitor's DPI changed (wParam the new DPI in both words,
// lParam the rectangle suggested for it). Our headers, which target Windows Vista, leave it out.
constexpr unsigned kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED

// To the video window: wParam is the MediaPlayer it shows.
constexpr unsigned MSG_VIDEO_PLAYER = kUserMessageBase;  // 1024

// To the player panel.
constexpr unsigned PLAYER_PLAY = kUserMessageBase + 1;     // 1025: play the entry at PlayNo
constexpr unsigned PLAYER_STOP = kUserMessageBase + 2;     // 1026: stop, show the idle state
constexpr unsigned PLAYER_STARTED = kUserMessageBase + 3;  // 1027: a track started or the panel
                                                           // was shown again: restart auto-hide

// To the play-list window.
constexpr unsigned LIST_REFILL = kUserMessageBase + 1;  // 1025: refill the rows
constexpr unsigned LIST_MARK = kUserMessageBase + 2;    // 1026: wParam row to unmark (-1 none),
                                                        // lParam row to mark

// To an alarm stop window: start the alarm's media file. Inside a dialog this number is also
// DM_REPOSITION, which always comes with wParam 0: only wParam 1-8 starts an alarm.
constexpr unsigned MSG_ALARM_START = kUserMessageBase + 2;  // 1026, wParam the alarm (1-8)
// An alarm stop window to itself: open the file now that the hand-over has returned.
constexpr unsigned MSG_ALARM_OPEN = kAppMessageBase + 1;

// To the news list: the background fetch it asked for has ended; refill the rows. In the
// application range, clear of the dialog messages.
constexpr unsigned MSG_NEWS_FETCHED = kAppMessageBase + 2;

// To the alarm list: fill the rows again from the edits. Inside a dialog this number is also
// DM_SETDEFID, which names a control: only wParam 0 with lParam 0 refills.
constexpr unsigned MSG_ALARM_REFRESH = kUserMessageBase + 1;  // 1025

// Registered messages (RegisterWindowMessage): the same number in every process that registers
// the name, so they can come from outside.
// From the shell to every top-level window: the taskbar was made again (Explorer restarted, or
// rebuilt it on a display change), and every tray icon has to be added again.
constexpr char kTaskbarCreatedName[] = "TaskbarCreated";
// To a running clock from a second launch: come back from the tray and to the front.
constexpr char kShowClockName[] = "TarvoClock.ShowClock";
