// SNTP client pieces without sockets: server text, request, reply checks, time conversion.
#include "timesvc/sntp.h"

#include <cstring>

namespace {

uint32_t ReadBigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

NtpTimestamp ReadTimestamp(const uint8_t* p) {
  return {ReadBigEndian32(p), ReadBigEndian32(p + 4)};
}

uint64_t Wide(const NtpTimestamp& t) { return static_cast<uint64_t>(t.seconds) << 32 | t.fraction; }

constexpr size_t kOriginateOffset = 24;
constexpr size_t kReceiveOffset = 32;
constexpr size_t kTransmitOffset = 40;

}  // namespace

bool ParseServerText(const char* text, char* host, size_t hostCapacity, uint16_t* port) {
  if (text == nullptr || host == nullptr || port == nullptr || hostCapacity == 0) return false;
  const char* colon = strchr(text, ':');
  const size_t hostLength = colon != nullptr ? static_cast<size_t>(colon - text) : strlen(text);
  if (hostLength == 0 || hostLength >= hostCapacity) return false;
  uint32_t value = kSntpDefaultPort;
  if (colon != nullptr) {
    const char* p = colon + 1;
    if (*p == '\0') return false;
    value = 0;
    for (; *p != '\0'; ++p) {
      if (*p < '0' || *p > '9') return false;
      value = value * 10 + static_cast<uint32_t>(*p - '0');
      if (value > 65535) return false;
    }
    if (value == 0) return false;
  }
  memcpy(host, text, hostLength);
  host[hostLength] = '\0';
  *port = static_cast<uint16_t>(value);
  return true;
}

void BuildSntpRequest(const uint8_t nonce[8], uint8_t request[kSntpPacketSize]) {
  memset(request, 0, kSntpPacketSize);
  request[0] = 0x0B;
  memcpy(request + kTransmitOffset, nonce, 8);
}

const char* SntpFaultName(SntpFault fault) {
  switch (fault) {
    case SntpFault::kNone:
      return "ok";
    case SntpFault::kShort:
      return "short";
    case SntpFault::kMode:
      return "mode";
    case SntpFault::kOriginate:
      return "originate";
    case SntpFault::kKissOfDeath:
      return "kiss-o'-death";
    case SntpFault::kLeapAlarm:
      return "leap indicator 3";
    case SntpFault::kStratum:
      return "stratum";
    case SntpFault::kZeroTransmit:
      return "zero transmit";
  }
  return "?";
}

bool SntpFaultIsForeign(SntpFault fault) {
  return fault == SntpFault::kShort || fault == SntpFault::kMode ||
         fault == SntpFault::kOriginate;
}

SntpFault CheckSntpReply(const uint8_t* data, size_t size, const uint8_t nonce[8],
                         SntpReply* reply) {
  *reply = SntpReply{};
  if (data == nullptr || size < kSntpPacketSize) return SntpFault::kShort;
  if ((data[0] & 0x07) != 4) return SntpFault::kMode;
  if (memcmp(data + kOriginateOffset, nonce, 8) != 0) return SntpFault::kOriginate;
  reply->stratum = data[1];
  if (reply->stratum == 0) {
    for (int i = 0; i < 4; ++i) {
      const uint8_t c = data[12 + i];
      reply->kissCode[i] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    reply->kissCode[4] = '\0';
    return SntpFault::kKissOfDeath;
  }
  if ((data[0] >> 6) == 3) return SntpFault::kLeapAlarm;
  if (reply->stratum > 15) return SntpFault::kStratum;
  reply->receive = ReadTimestamp(data + kReceiveOffset);
  reply->transmit = ReadTimestamp(data + kTransmitOffset);
  if (reply->transmit.seconds == 0 && reply->transmit.fraction == 0) {
    return SntpFault::kZeroTransmit;
  }
  return SntpFault::kNone;
}

NtpTimestamp AddHalfRoundTrip(const SntpReply& reply, uint64_t elapsedMicroseconds) {
  // Microseconds in 2^-32 second units. The client waits seconds; a minute bounds the shift.
  constexpr uint64_t kLongestMicroseconds = 60'000'000;
  if (elapsedMicroseconds > kLongestMicroseconds) elapsedMicroseconds = kLongestMicroseconds;
  const uint64_t elapsed = (elapsedMicroseconds << 32) / 1000000u;
  const uint64_t transmit = Wide(reply.transmit);
  // Both server times in the same era or across one wrap: the modular difference is right.
  const uint64_t held = transmit - Wide(reply.receive);
  const uint64_t delay = held <= elapsed ? elapsed - held : elapsed;
  const uint64_t corrected = transmit + delay / 2;
  return {static_cast<uint32_t>(corrected >> 32), static_cast<uint32_t>(corrected)};
}

NtpTimestamp AddMicroseconds(const NtpTimestamp& time, uint64_t microseconds) {
  constexpr uint64_t kLongestMicroseconds = 60'000'000;
  if (microseconds > kLongestMicroseconds) microseconds = kLongestMicroseconds;
  const uint64_t sum = Wide(time) + (microseconds << 32) / 1000000u;
  return {static_cast<uint32_t>(sum >> 32), static_cast<uint32_t>(sum)};
}

int64_t NtpToUnixSeconds(uint32_t ntpSeconds) {
  return static_cast<int64_t>(static_cast<uint32_t>(ntpSeconds - kNtpUnixEpochOffset));
}

int NtpFractionToMilliseconds(uint32_t fraction) {
  return static_cast<int>((static_cast<uint64_t>(fraction) * 1000u) >> 32);
}

LocalTime UtcFromNtp(const NtpTimestamp& time) {
  return WallTimeFromSeconds(NtpToUnixSeconds(time.seconds),
                             NtpFractionToMilliseconds(time.fraction));
}
