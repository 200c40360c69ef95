// Any datagram as an SNTP reply: the first 8 bytes are the nonce of the request, the next 8 the
// local round trip, the rest the datagram. An accepted reply meets every RFC 4330 rule, and
// its time (with half the round trip and the time since added) converts to a valid UTC
// reading between 1970 and 2106.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "timesvc/sntp.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void CheckTime(const NtpTimestamp& time) {
  LocalTime t = UtcFromNtp(time);
  Check(t.year >= 1970 && t.year <= 2106);
  Check(t.month >= 1 && t.month <= 12);
  Check(t.day >= 1 && t.day <= 31);
  Check(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59);
  Check(t.second >= 0 && t.second <= 59);
  Check(t.milliseconds >= 0 && t.milliseconds <= 999);
  Check(t.dayOfWeek >= 0 && t.dayOfWeek <= 6);
  Check(WallSeconds(t) == NtpToUnixSeconds(time.seconds));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 16) return 0;
  uint8_t nonce[8];
  memcpy(nonce, data, 8);
  uint64_t elapsed = 0;
  memcpy(&elapsed, data + 8, 8);
  const uint8_t* datagram = data + 16;
  const size_t length = size - 16;
  // A copy of exactly the datagram's size, so a read past it is caught.
  uint8_t* copy = static_cast<uint8_t*>(malloc(length == 0 ? 1 : length));
  if (length > 0) memcpy(copy, datagram, length);
  SntpReply reply;
  SntpFault fault = CheckSntpReply(copy, length, nonce, &reply);
  if (fault == SntpFault::kNone) {
    Check(length >= kSntpPacketSize);
    Check((copy[0] & 7) == 4 && (copy[0] >> 6) != 3);
    Check(copy[1] >= 1 && copy[1] <= 15 && reply.stratum == copy[1]);
    Check(memcmp(copy + 24, nonce, 8) == 0);
    Check(reply.transmit.seconds != 0 || reply.transmit.fraction != 0);
    CheckTime(reply.transmit);
    NtpTimestamp corrected = AddHalfRoundTrip(reply, elapsed);
    CheckTime(corrected);
    // At most half a minute later than the server's transmit time, never earlier.
    const uint64_t t3 = static_cast<uint64_t>(reply.transmit.seconds) << 32 | reply.transmit.fraction;
    const uint64_t t = static_cast<uint64_t>(corrected.seconds) << 32 | corrected.fraction;
    Check(t - t3 <= (30ull << 32));
    // What passes between the reply and the set: at most a minute more, never less.
    const NtpTimestamp later = AddMicroseconds(corrected, elapsed >> 8);
    CheckTime(later);
    const uint64_t l = static_cast<uint64_t>(later.seconds) << 32 | later.fraction;
    Check(l - t <= (60ull << 32));
  } else {
    Check(SntpFaultName(fault)[0] != '?');
    if (fault == SntpFault::kKissOfDeath) Check(strlen(reply.kissCode) == 4);
  }
  // Every timestamp of the datagram converts, whatever the reply check said.
  for (size_t at = 0; at + 8 <= length; at += 8) {
    NtpTimestamp t;
    t.seconds = static_cast<uint32_t>(copy[at]) << 24 | static_cast<uint32_t>(copy[at + 1]) << 16 |
                static_cast<uint32_t>(copy[at + 2]) << 8 | copy[at + 3];
    t.fraction = static_cast<uint32_t>(copy[at + 4]) << 24 |
                 static_cast<uint32_t>(copy[at + 5]) << 16 |
                 static_cast<uint32_t>(copy[at + 6]) << 8 | copy[at + 7];
    CheckTime(t);
  }
  free(copy);
  return 0;
}
