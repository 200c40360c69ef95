// What the feed transport decides without the network: gzip bodies inflated within a bound,
// redirect targets and which of them are followed.
#pragma once

#include <cstddef>

enum class GunzipStatus {
  kComplete,   // every member inflated and checked
  kCut,        // the output filled up first: what fits is kept, the rest is never inflated
  kTruncated,  // the input ends inside a member: what it inflated to is kept
  kBroken,     // not gzip, or a fault in the data: *outSize still tells what came before it
  kNoMemory,
};

// Inflates the gzip data `in` (one member or several in a row) into `out`, never writing more
// than outCapacity bytes, and sets *outSize to what was written.
GunzipStatus GunzipCut(const unsigned char* in, size_t inSize, unsigned char* out,
                       size_t outCapacity, size_t* outSize);

// A short English name of a status, for diagnostics.
const char* GunzipStatusName(GunzipStatus status);

// The absolute address a redirect's Location names, from the address that answered it: an
// absolute http(s) address as written, "//host/..." with the base's scheme, "/path" on the
// base's host, anything else relative to the base's folder. The fragment is dropped. False
// (out untouched) when the result does not fit, the base is no http(s) address or the location
// holds blanks, control or non-ASCII characters.
bool ResolveRedirect(const char* base, const char* location, char* out, size_t outCapacity);

// Whether a redirect from `from` to `to` (both absolute) is followed: only to http or https, and
// never from https down to http.
bool RedirectAllowed(const char* from, const char* to);
