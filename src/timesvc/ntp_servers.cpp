// The built-in NTP server list: Japanese public servers first, then global pools and providers.
#include "timesvc/ntp_servers.h"

const char* const NtpServerList[kNtpServerCount + 1] = {
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
