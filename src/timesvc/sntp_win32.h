// Setting the PC clock from an NTP server.
#pragma once

// One checked SNTP exchange with `server` ("host" or "host:port", port 1-65535, default 123)
// and, on a valid reply, the clock set through SetClockUtc. 0 when the clock was set; -1 on
// any failure (bad server text, network, no valid reply within 3 seconds, a reply that says
// the server has no usable time, or the clock refused). `server` is never changed. Blocks
// the calling thread for at most 3 seconds plus the name lookup. Diagnostic lines (Shift-JIS)
// go to the standard output and error.
int SyncClock(const char* server);

// Longest wait for a valid reply, in milliseconds.
constexpr unsigned kSntpWaitMs = 3000;
