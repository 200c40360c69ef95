// Setting the PC clock from an NTP server.
#pragma once

// 0 when the clock was set from `server`, -1 on any failure.
int SyncClock(const char* server);
