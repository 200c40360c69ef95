// Setting the PC clock from an NTP server.
#pragma once

// What SyncClock gives.
constexpr int kSyncDone = 0;
constexpr int kSyncNoTime = -1;   // no valid time from the server (text, network, reply)
constexpr int kSyncRefused = -2;  // a valid time came, but the system refused to set the clock

// What the user is told of each failure.
constexpr char kSyncNoTimeText[] = "時刻合わせに失敗しました。\n他のサーバーを指定してみてください。";
constexpr char kSyncRefusedText[] = "時計を変更できませんでした。\n時刻の変更には管理者の権限が必要です。";

// One checked SNTP exchange with `server` ("host" or "host:port", port 1-65535, default 123)
// and, on a valid reply, the clock set through SetClockUtc. kSyncDone when the clock was set;
// kSyncNoTime on a bad server text, a network failure, a name not found within
// kSntpLookupMs, no valid reply within kSntpWaitMs, or a reply that says the server has no
// usable time; kSyncRefused when the time came but the clock could not be set (a user
// without the right to change it). `server` is never changed. Blocks the calling thread for
// at most the two limits. Diagnostic lines (Shift-JIS) go to the standard output and error.
int SyncClock(const char* server);

// The message for a SyncClock result, or null for kSyncDone.
const char* SyncFailureText(int result);

// Longest wait for a valid reply, in milliseconds.
constexpr unsigned kSntpWaitMs = 3000;
// Longest wait for the server's name to be looked up, in milliseconds.
constexpr unsigned kSntpLookupMs = 3000;
