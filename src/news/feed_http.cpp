// Inflating feed bodies within their bound, and resolving and judging redirects.
#include "news/feed_http.h"

#include <zlib.h>

#include <cstring>
#include <strings.h>

namespace {

// gzip only (no zlib or raw deflate): 16 + the largest window.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

bool HasPrefix(const char* text, const char* prefix) {
  return strncasecmp(text, prefix, strlen(prefix)) == 0;
}

// Length of "http://" or "https://" at the start of `url`, or 0.
size_t SchemeLength(const char* url) {
  if (HasPrefix(url, "http://")) return 7;
  if (HasPrefix(url, "https://")) return 8;
  return 0;
}

bool LocationCharactersAllowed(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p <= 0x20 || *p >= 0x7F) return false;
  }
  return true;
}

}  // namespace

GunzipStatus GunzipCut(const unsigned char* in, size_t inSize, unsigned char* out,
                       size_t outCapacity, size_t* outSize) {
  *outSize = 0;
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) return GunzipStatus::kNoMemory;
  // zlib counts in 32 bits; feed bodies are bounded far below that, but never trust it.
  const size_t kChunk = 1u << 30;
  size_t consumed = 0;
  size_t produced = 0;
  GunzipStatus status = GunzipStatus::kTruncated;
  for (;;) {
    if (produced == outCapacity && inSize > 0) {
      status = GunzipStatus::kCut;
      break;
    }
    if (consumed == inSize) {
      status = consumed == 0 ? GunzipStatus::kBroken : GunzipStatus::kTruncated;
      break;
    }
    const size_t inStep = inSize - consumed < kChunk ? inSize - consumed : kChunk;
    const size_t outStep = outCapacity - produced < kChunk ? outCapacity - produced : kChunk;
    stream.next_in = const_cast<unsigned char*>(in + consumed);
    stream.avail_in = static_cast<uInt>(inStep);
    stream.next_out = out + produced;
    stream.avail_out = static_cast<uInt>(outStep);
    const int result = inflate(&stream, Z_NO_FLUSH);
    consumed += inStep - stream.avail_in;
    produced += outStep - stream.avail_out;
    if (result == Z_STREAM_END) {
      // Bytes after a member are another member only when they start like one; servers may
      // pad with zeros, which end the data.
      if (inSize - consumed < 2 || in[consumed] != 0x1F || in[consumed + 1] != 0x8B) {
        status = GunzipStatus::kComplete;
        break;
      }
      if (inflateReset(&stream) != Z_OK) {
        status = GunzipStatus::kBroken;
        break;
      }
      continue;
    }
    if (result == Z_MEM_ERROR) {
      status = GunzipStatus::kNoMemory;
      break;
    }
    if (result == Z_BUF_ERROR) {
      // No progress possible: the input is used up (truncated) or the output full (cut).
      status = produced == outCapacity ? GunzipStatus::kCut : GunzipStatus::kTruncated;
      break;
    }
    if (result != Z_OK) {
      status = GunzipStatus::kBroken;
      break;
    }
  }
  inflateEnd(&stream);
  *outSize = produced;
  return status;
}

const char* GunzipStatusName(GunzipStatus status) {
  switch (status) {
    case GunzipStatus::kComplete: return "complete";
    case GunzipStatus::kCut: return "cut at the bound";
    case GunzipStatus::kTruncated: return "truncated";
    case GunzipStatus::kBroken: return "broken";
    case GunzipStatus::kNoMemory: return "no memory";
  }
  return "?";
}

bool ResolveRedirect(const char* base, const char* location, char* out, size_t outCapacity) {
  const size_t scheme = SchemeLength(base);
  if (scheme == 0 || !LocationCharactersAllowed(location) || location[0] == '\0') return false;
  const size_t fragment = strcspn(location, "#");
  // prefix: the part of `base` kept; then the location's own text.
  size_t prefix = 0;
  if (SchemeLength(location) != 0) {
    prefix = 0;
  } else if (location[0] == '/' && location[1] == '/') {
    prefix = scheme - 2;  // "http:" or "https:"
  } else {
    const char* hostEnd = base + scheme + strcspn(base + scheme, "/?#");
    if (location[0] == '/') {
      prefix = static_cast<size_t>(hostEnd - base);
    } else {
      // Relative to the folder: up to the last '/' of the path (before its query), or the
      // host followed by a '/' when there is no path.
      const char* pathEnd = hostEnd + strcspn(hostEnd, "?#");
      const char* slash = nullptr;
      for (const char* p = hostEnd; p < pathEnd; ++p) {
        if (*p == '/') slash = p;
      }
      if (slash == nullptr) {
        const size_t hostLength = static_cast<size_t>(hostEnd - base);
        if (hostLength + 1 + fragment + 1 > outCapacity) return false;
        memcpy(out, base, hostLength);
        out[hostLength] = '/';
        memcpy(out + hostLength + 1, location, fragment);
        out[hostLength + 1 + fragment] = '\0';
        return true;
      }
      prefix = static_cast<size_t>(slash + 1 - base);
    }
  }
  if (prefix + fragment + 1 > outCapacity) return false;
  memcpy(out, base, prefix);
  memcpy(out + prefix, location, fragment);
  out[prefix + fragment] = '\0';
  return true;
}

bool RedirectAllowed(const char* from, const char* to) {
  const size_t toScheme = SchemeLength(to);
  if (toScheme == 0 || SchemeLength(from) == 0) return false;
  return !(HasPrefix(from, "https://") && toScheme == 7);
}
