// The built-in list of public NTP servers offered by the time-server dialog.
#pragma once

constexpr int kNtpServerCount = 20;

// kNtpServerCount host names in the order the dialog lists them, then an empty string. The first
// is the default of the TimeServer setting.
extern const char* const NtpServerList[kNtpServerCount + 1];
