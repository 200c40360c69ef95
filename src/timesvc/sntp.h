// The portable half of the SNTP client (RFC 4330): the server text, the request, the reply
// checks and the conversion of an NTP timestamp to UTC. No sockets here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/local_time.h"

constexpr size_t kSntpPacketSize = 48;
constexpr uint16_t kSntpDefaultPort = 123;
// Longest host name kept from the server text (a DNS name is at most 253 characters).
constexpr size_t kSntpHostCapacity = 256;
// Seconds from 1900-01-01 (the NTP epoch) to 1970-01-01 (the Unix epoch).
constexpr uint32_t kNtpUnixEpochOffset = 2208988800u;

// Splits "host" or "host:port" (decimal port 1-65535, digits only) into `host` (terminated,
// at most hostCapacity - 1 characters) and `port` (123 when none is written). The text is not
// changed. False for an empty host, a colon without digits, anything after the digits, a port
// of 0 or above 65535, a host that does not fit, or a null text; the outputs are then unset.
bool ParseServerText(const char* text, char* host, size_t hostCapacity, uint16_t* port);

// The 48-byte client request: LI 0, VN 1, mode 3 (0x0B) and the 8-byte nonce in the transmit
// timestamp (bytes 40-47), which the server must echo as the originate timestamp.
void BuildSntpRequest(const uint8_t nonce[8], uint8_t request[kSntpPacketSize]);

// An NTP timestamp: seconds since 1900 (modulo 2^32, so era 1 starts in 2036) and 2^-32 parts.
struct NtpTimestamp {
  uint32_t seconds;
  uint32_t fraction;
};

// What is wrong with a datagram that claims to be the reply (RFC 4330 sections 5 and 8).
enum class SntpFault {
  kNone,
  kShort,           // fewer than 48 bytes
  kMode,            // not mode 4 (server)
  kOriginate,       // the originate timestamp is not our nonce: not an answer to our request
  kKissOfDeath,     // stratum 0: a kiss-o'-death ("RATE", "DENY", ...)
  kLeapAlarm,       // LI 3: the server's clock is not synchronised
  kStratum,         // stratum 16 or more: unsynchronised
  kZeroTransmit,    // no transmit time
};

// A short English name of the fault for diagnostics ("ok", "short", "mode", ...).
const char* SntpFaultName(SntpFault fault);

// True for faults that mean "this datagram is not the answer to our request" (so the client
// drops it and keeps waiting), false for a genuine answer that carries no usable time.
bool SntpFaultIsForeign(SntpFault fault);

struct SntpReply {
  NtpTimestamp receive;   // T2: when the request reached the server
  NtpTimestamp transmit;  // T3: when the reply left the server
  int stratum;
  char kissCode[5];       // the reference identifier as text when the stratum is 0, else ""
};

// Checks `size` bytes of a datagram against the request's nonce, in the order of SntpFault.
// Only on kNone is *reply fully filled; on kKissOfDeath its stratum and kissCode are set.
SntpFault CheckSntpReply(const uint8_t* data, size_t size, const uint8_t nonce[8],
                         SntpReply* reply);

// RFC 4330's clock offset for a client that does not put its own time in the request: the
// server's transmit time plus half the round trip delay, which is the local time between send
// and receive (`elapsedMicroseconds`) less the time the server held the request (T3 - T2,
// ignored when it is negative or longer than the round trip). Wraps from era 0 into era 1.
NtpTimestamp AddHalfRoundTrip(const SntpReply& reply, uint64_t elapsedMicroseconds);

// `time` plus whole microseconds (at most a minute is added), wrapping into era 1.
NtpTimestamp AddMicroseconds(const NtpTimestamp& time, uint64_t microseconds);

// Seconds since 1970 of an NTP time: (seconds - 2208988800) modulo 2^32, so era 0 and era 1
// map onto 1970-01-01 .. 2106-02-07 06:28:15 UTC.
int64_t NtpToUnixSeconds(uint32_t ntpSeconds);

// The whole milliseconds of an NTP fraction: (fraction * 1000) >> 32, always 0-999.
int NtpFractionToMilliseconds(uint32_t fraction);

// The broken-down UTC time (day of the week included) of an NTP timestamp.
LocalTime UtcFromNtp(const NtpTimestamp& time);
