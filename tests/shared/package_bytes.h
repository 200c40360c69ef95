// Builds skin package bytes by hand for tests: any skip count, any entry count, any offsets.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct RawEntry {
  std::string name;  // 24 bytes are written: base name, separator and extension, space-padded
  uint32_t offset;
  uint32_t size;
};

inline void PutU32(std::string* out, uint32_t v) {
  for (int k = 0; k < 4; ++k) out->push_back(static_cast<char>(v >> (8 * k)));
}

// Header, directory of `entries` (announcing `count` of them) and `tail` after the directory.
inline std::string RawPackage(uint8_t skipCount, uint32_t count, const std::vector<RawEntry>& entries,
                              const std::string& tail) {
  std::string out(1, static_cast<char>(skipCount));
  out.append(3u * skipCount, '\x7F');
  PutU32(&out, count);
  for (const RawEntry& e : entries) {
    std::string name = e.name;
    name.resize(24, ' ');
    out += name;
    PutU32(&out, e.offset);
    PutU32(&out, e.size);
  }
  return out + tail;
}

// An entry name as the package stores it: stem padded to 20, any separator, extension.
inline std::string EntryName(const std::string& stem, const std::string& extension) {
  std::string name = stem;
  name.resize(20, ' ');
  return name + "." + extension;
}
