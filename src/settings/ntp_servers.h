// The built-in list of public NTP servers offered by the time-server dialog.
#pragma once

constexpr int kNtpServerCount = 20;

// kNtpServerCount host names in the order the dialog lists them, then an empty string. The first
// is the default of the TimeServer setting. Constant, so the settings table can name it.
// Japanese public servers first, then global pools and providers.
inline constexpr const char* NtpServerList[kNtpServerCount + 1] = {
    "ntp.nict.jp",
    "ntp.jst.mfeed.ad.jp",
    "jp.pool.ntp.org",
    "0.jp.pool.ntp.org",
    "1.jp.pool.ntp.org",
    "2.jp.pool.ntp.org",
    "3.jp.pool.ntp.org",
    "asia.pool.ntp.org",
    "pool.ntp.org",
    "time.google.com",
    "time1.google.com",
    "time2.google.com",
    "time3.google.com",
    "time4.google.com",
    "time.cloudflare.com",
    "time.windows.com",
    "time.apple.com",
    "time.aws.com",
    "time.nist.gov",
    "ntp.ubuntu.com",
    "",
};
