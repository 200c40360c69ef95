// The portable SNTP pieces: server text, request, reply checks (one per RFC 4330 fault) and the
// conversion of NTP timestamps to UTC across both eras.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "timesvc/sntp.h"

namespace {

constexpr uint8_t kNonce[8] = {0x9A, 0x01, 0x22, 0x33, 0x44, 0x55, 0x66, 0x7F};

struct Parsed {
  bool ok;
  std::string host;
  uint16_t port;
};

Parsed Parse(const char* text, size_t capacity = kSntpHostCapacity) {
  char host[kSntpHostCapacity + 8];
  memset(host, 'x', sizeof host);
  uint16_t port = 7;
  bool ok = ParseServerText(text, host, capacity, &port);
  return {ok, ok ? std::string(host) : std::string(), port};
}

TEST(SntpServerTextTest, HostAloneTakesPort123) {
  Parsed p = Parse("ntp.nict.jp");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.host, "ntp.nict.jp");
  EXPECT_EQ(p.port, 123);
}

TEST(SntpServerTextTest, HostAndPortSplitWithoutChangingTheText) {
  char text[] = "127.0.0.1:1234";
  Parsed p = Parse(text);
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.host, "127.0.0.1");
  EXPECT_EQ(p.port, 1234);
  EXPECT_STREQ(text, "127.0.0.1:1234");
  EXPECT_EQ(Parse("h:1").port, 1);
  EXPECT_EQ(Parse("h:65535").port, 65535);
  EXPECT_EQ(Parse("h:00123").port, 123);
}

TEST(SntpServerTextTest, RefusesEmptyHostsAndPortsOutsideOneTo65535) {
  for (const char* bad : {"", ":", ":123", "h:", "h:0", "h:00000", "h:65536", "h:99999",
                          "h:4294967419" /* 123 after a 32-bit wrap */, "h:12a", "h:-1",
                          "h:+5", "h: 5", "h:5 ", "h:1:2", "h::1"}) {
    EXPECT_FALSE(Parse(bad).ok) << bad;
  }
  EXPECT_FALSE(ParseServerText(nullptr, nullptr, 0, nullptr));
  char host[4];
  uint16_t port = 0;
  EXPECT_FALSE(ParseServerText(nullptr, host, sizeof host, &port));
}

TEST(SntpServerTextTest, HostMustFitItsBuffer) {
  std::string name(255, 'a');
  EXPECT_TRUE(Parse(name.c_str()).ok);
  name += 'a';
  EXPECT_FALSE(Parse(name.c_str()).ok);
  EXPECT_TRUE(Parse("abc:9", 4).ok);
  EXPECT_FALSE(Parse("abcd:9", 4).ok);
}

TEST(SntpRequestTest, Is0x0BThenZerosWithTheNonceInTheTransmitTimestamp) {
  uint8_t request[kSntpPacketSize];
  memset(request, 0xEE, sizeof request);
  BuildSntpRequest(kNonce, request);
  EXPECT_EQ(request[0], 0x0B);
  for (size_t i = 1; i < 40; ++i) EXPECT_EQ(request[i], 0) << i;
  EXPECT_EQ(memcmp(request + 40, kNonce, 8), 0);
}

// A valid reply from a stratum 2 server: LI 0, VN 4, mode 4, originate = nonce,
// receive 3913056000.0, transmit 3913056000 + 0x80000000 (half a second later).
struct Reply {
  uint8_t b[kSntpPacketSize] = {};
  Reply() {
    b[0] = 0x24;
    b[1] = 2;
    memcpy(b + 24, kNonce, 8);
    Put(32, 3913056000u);
    Put(40, 3913056000u);
    Put(44, 0x80000000u);
  }
  void Put(size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v >> 24);
    b[at + 1] = static_cast<uint8_t>(v >> 16);
    b[at + 2] = static_cast<uint8_t>(v >> 8);
    b[at + 3] = static_cast<uint8_t>(v);
  }
  SntpFault Check(size_t size = kSntpPacketSize, SntpReply* out = nullptr) const {
    SntpReply r;
    SntpFault f = CheckSntpReply(b, size, kNonce, &r);
    if (out != nullptr) *out = r;
    return f;
  }
};

TEST(SntpReplyTest, AValidReplyGivesBothServerTimes) {
  SntpReply r;
  ASSERT_EQ(Reply().Check(kSntpPacketSize, &r), SntpFault::kNone);
  EXPECT_EQ(r.transmit.seconds, 3913056000u);
  EXPECT_EQ(r.transmit.fraction, 0x80000000u);
  EXPECT_EQ(r.receive.seconds, 3913056000u);
  EXPECT_EQ(r.stratum, 2);
  // chrony's answer to a version 1 request: VN 1, stratum 8, and any LI but 3.
  Reply chrony;
  chrony.b[0] = 0x0C;
  chrony.b[1] = 8;
  EXPECT_EQ(chrony.Check(), SntpFault::kNone);
  chrony.b[0] = 0x8C;  // LI 2: a leap second to be removed, still a time
  EXPECT_EQ(chrony.Check(), SntpFault::kNone);
  // Longer datagrams are judged on their first 48 bytes.
  uint8_t longer[100] = {};
  memcpy(longer, Reply().b, kSntpPacketSize);
  EXPECT_EQ(CheckSntpReply(longer, sizeof longer, kNonce, &r), SntpFault::kNone);
}

TEST(SntpReplyTest, ShortReply) {
  for (size_t size : {0, 1, 47}) EXPECT_EQ(Reply().Check(size), SntpFault::kShort) << size;
  SntpReply r;
  EXPECT_EQ(CheckSntpReply(nullptr, 48, kNonce, &r), SntpFault::kShort);
}

TEST(SntpReplyTest, WrongMode) {
  for (uint8_t mode : {0, 1, 2, 3, 5, 6, 7}) {
    Reply r;
    r.b[0] = static_cast<uint8_t>(0x20 | mode);
    EXPECT_EQ(r.Check(), SntpFault::kMode) << int(mode);
  }
}

TEST(SntpReplyTest, WrongOriginate) {
  for (int i = 0; i < 8; ++i) {
    Reply r;
    r.b[24 + i] ^= 1;
    EXPECT_EQ(r.Check(), SntpFault::kOriginate) << i;
  }
  Reply zero;
  memset(zero.b + 24, 0, 8);
  EXPECT_EQ(zero.Check(), SntpFault::kOriginate);
}

TEST(SntpReplyTest, KissOfDeathGivesItsCode) {
  for (const char* code : {"RATE", "DENY", "RSTR"}) {
    Reply r;
    r.b[0] = 0xE4;  // LI 3 as well, as a kiss-o'-death usually has
    r.b[1] = 0;
    memcpy(r.b + 12, code, 4);
    memset(r.b + 40, 0, 8);
    SntpReply out;
    EXPECT_EQ(r.Check(kSntpPacketSize, &out), SntpFault::kKissOfDeath);
    EXPECT_STREQ(out.kissCode, code);
    EXPECT_FALSE(SntpFaultIsForeign(SntpFault::kKissOfDeath));
  }
  Reply odd;
  odd.b[1] = 0;
  odd.b[12] = 0x01;
  odd.b[13] = 0xFF;
  SntpReply out;
  EXPECT_EQ(odd.Check(kSntpPacketSize, &out), SntpFault::kKissOfDeath);
  EXPECT_STREQ(out.kissCode, "????");  // unprintable bytes are shown as '?'
}

TEST(SntpReplyTest, LeapIndicator3) {
  Reply r;
  r.b[0] = 0xE4;
  EXPECT_EQ(r.Check(), SntpFault::kLeapAlarm);
}

TEST(SntpReplyTest, Stratum16AndAbove) {
  for (int s : {16, 17, 255}) {
    Reply r;
    r.b[1] = static_cast<uint8_t>(s);
    EXPECT_EQ(r.Check(), SntpFault::kStratum) << s;
  }
  Reply top;
  top.b[1] = 15;
  EXPECT_EQ(top.Check(), SntpFault::kNone);
  top.b[1] = 1;
  EXPECT_EQ(top.Check(), SntpFault::kNone);
}

TEST(SntpReplyTest, ZeroTransmit) {
  Reply r;
  memset(r.b + 40, 0, 8);
  EXPECT_EQ(r.Check(), SntpFault::kZeroTransmit);
  // Seconds 0 with a fraction is era 1, not zero.
  r.Put(44, 1);
  EXPECT_EQ(r.Check(), SntpFault::kNone);
}

TEST(SntpReplyTest, ForeignFaultsAreDroppedOthersEndTheExchange) {
  EXPECT_TRUE(SntpFaultIsForeign(SntpFault::kShort));
  EXPECT_TRUE(SntpFaultIsForeign(SntpFault::kMode));
  EXPECT_TRUE(SntpFaultIsForeign(SntpFault::kOriginate));
  EXPECT_FALSE(SntpFaultIsForeign(SntpFault::kLeapAlarm));
  EXPECT_FALSE(SntpFaultIsForeign(SntpFault::kStratum));
  EXPECT_FALSE(SntpFaultIsForeign(SntpFault::kZeroTransmit));
  EXPECT_FALSE(SntpFaultIsForeign(SntpFault::kNone));
  EXPECT_STREQ(SntpFaultName(SntpFault::kOriginate), "originate");
}

LocalTime Utc(uint32_t seconds, uint32_t fraction = 0) { return UtcFromNtp({seconds, fraction}); }

std::string Text(const LocalTime& t) {
  char s[64];
  snprintf(s, sizeof s, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
           t.minute, t.second, t.milliseconds);
  return s;
}

TEST(SntpConversionTest, KnownInstants) {
  EXPECT_EQ(Text(Utc(3913056000u)), "2024-01-01 00:00:00.000");
  EXPECT_EQ(Utc(3913056000u).dayOfWeek, 1);  // a Monday
  EXPECT_EQ(Text(Utc(kNtpUnixEpochOffset)), "1970-01-01 00:00:00.000");
  EXPECT_EQ(Text(Utc(4294967295u)), "2036-02-07 06:28:15.000");
  // Era 1: seconds 0 is the second after the last of era 0.
  EXPECT_EQ(Text(Utc(0, 1)), "2036-02-07 06:28:16.000");
  EXPECT_EQ(Text(Utc(2208988799u)), "2106-02-07 06:28:15.000");
  EXPECT_EQ(NtpToUnixSeconds(2208988799u), 4294967295);
  EXPECT_EQ(NtpToUnixSeconds(0), 2085978496);
}

TEST(SntpConversionTest, MillisecondsUseTheIntegerFormula) {
  EXPECT_EQ(NtpFractionToMilliseconds(0), 0);
  EXPECT_EQ(NtpFractionToMilliseconds(0x80000000u), 500);
  EXPECT_EQ(NtpFractionToMilliseconds(0xFFFFFFFFu), 999);
  // Single precision rounds these up to 1.0 and so to 1000.
  EXPECT_EQ(NtpFractionToMilliseconds(0xFFFFFF80u), 999);
  EXPECT_EQ(NtpFractionToMilliseconds(0xFFFFFFC0u), 999);
  EXPECT_EQ(Utc(3913056000u, 0x80000000u).milliseconds, 500);
  // Every value stays below 1000 and the formula is monotonic.
  int last = 0;
  for (uint64_t f = 0; f <= 0xFFFFFFFFu; f += 0x10001) {
    int ms = NtpFractionToMilliseconds(static_cast<uint32_t>(f));
    EXPECT_GE(ms, last);
    EXPECT_LT(ms, 1000);
    last = ms;
  }
  // Exact: 1 ms starts at ceil(2^32 / 1000).
  EXPECT_EQ(NtpFractionToMilliseconds(4294967u), 0);
  EXPECT_EQ(NtpFractionToMilliseconds(4294968u), 1);
}

// Every day from 1970-01-01 to 2106-02-07, at 06:00, against a calendar walked day by day.
TEST(SntpConversionTest, EveryDayAgainstADayCountReference) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 1970, month = 1, day = 1, weekday = 4;  // a Thursday
  for (uint64_t n = 0;; ++n) {
    const uint64_t unix = n * 86400 + 6 * 3600;
    if (unix > 4294967295u) break;
    const uint32_t ntp = static_cast<uint32_t>(unix + kNtpUnixEpochOffset);  // wraps in 2036
    LocalTime t = Utc(ntp);
    ASSERT_EQ(t.year, year) << n;
    ASSERT_EQ(t.month, month) << n;
    ASSERT_EQ(t.day, day) << n;
    ASSERT_EQ(t.dayOfWeek, weekday) << n;
    ASSERT_EQ(t.hour, 6) << n;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length = month == 2 && leap ? 29 : kDays[month - 1];
    weekday = (weekday + 1) % 7;
    if (++day > length) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  EXPECT_EQ(year, 2106);
  EXPECT_EQ(month, 2);
  EXPECT_EQ(day, 8);  // 06:00 on 2106-02-07 was the last day converted
}

SntpReply Times(uint32_t t2s, uint32_t t2f, uint32_t t3s, uint32_t t3f) {
  SntpReply r = {};
  r.receive = {t2s, t2f};
  r.transmit = {t3s, t3f};
  return r;
}

TEST(SntpOffsetTest, AddsHalfTheRoundTripLessTheServerTime) {
  // 10 ms round trip, server held it 0: +5 ms.
  NtpTimestamp t = AddHalfRoundTrip(Times(100, 0, 100, 0), 10000);
  EXPECT_EQ(t.seconds, 100u);
  EXPECT_EQ(NtpFractionToMilliseconds(t.fraction), 4);  // 5 ms less a rounding unit
  EXPECT_NEAR(t.fraction, 0x147AE14u, 2);
  // 10 ms round trip, server held it 4 ms: +3 ms.
  const uint32_t fourMs = 17179869;
  t = AddHalfRoundTrip(Times(100, 0, 100, fourMs), 10000);
  EXPECT_NEAR(static_cast<double>(t.fraction - fourMs), 3 * 4294967.296, 2);
  // The server's hold longer than the round trip (clocks disagree): half the round trip.
  t = AddHalfRoundTrip(Times(100, 0, 101, 0), 10000);
  EXPECT_EQ(t.seconds, 101u);
  EXPECT_NEAR(t.fraction, 0x147AE14u, 2);
  // T2 after T3: likewise.
  t = AddHalfRoundTrip(Times(101, 0, 100, 0), 0);
  EXPECT_EQ(t.seconds, 100u);
  EXPECT_EQ(t.fraction, 0u);
  // Carries out of era 0 into era 1.
  t = AddHalfRoundTrip(Times(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), 2000000);
  EXPECT_EQ(t.seconds, 0u);
  EXPECT_EQ(Text(UtcFromNtp(t)), "2036-02-07 06:28:16.999");
  // An absurd wait is bounded to a minute: at most 30 s added.
  t = AddHalfRoundTrip(Times(100, 0, 100, 0), UINT64_MAX);
  EXPECT_EQ(t.seconds, 130u);
}

TEST(SntpOffsetTest, AddMicrosecondsCarriesIntoSecondsAndEra1) {
  NtpTimestamp t = AddMicroseconds({100, 0xFFFFFFFFu}, 1);
  EXPECT_EQ(t.seconds, 101u);
  EXPECT_NEAR(t.fraction, 4294u, 1);
  t = AddMicroseconds({0xFFFFFFFFu, 0}, 1500000);
  EXPECT_EQ(t.seconds, 0u);
  EXPECT_EQ(t.fraction, 0x80000000u);
  t = AddMicroseconds({100, 0}, UINT64_MAX);
  EXPECT_EQ(t.seconds, 160u);
}

}  // namespace
