// Path splitting and filter conversion that step over the second byte of double-byte characters.
#include "base/paths.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Offsets into `path` of the byte after its last separator (0 when none) and of its last dot
// after that (the text's length when none), stepping over double-byte characters.
void FindNameAndExtension(const char* path, size_t* nameStart, size_t* extStart,
                          LeadByteTest isLeadByte) {
  size_t afterSeparator = 0;
  size_t lastDot = 0;
  bool sawDot = false;
  size_t i = 0;
  while (path[i] != '\0') {
    if (isLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
      i += 2;
      continue;
    }
    if (IsSeparator(path[i])) {
      afterSeparator = i + 1;
      sawDot = false;
    } else if (path[i] == '.') {
      lastDot = i;
      sawDot = true;
    }
    ++i;
  }
  *nameStart = afterSeparator;
  *extStart = sawDot ? lastDot : i;
}

void CopyRange(char* out, const char* from, size_t length) {
  memcpy(out, from, length);
  out[length] = '\0';
}

}  // namespace

bool SplitFullPath(const char* full, PathParts* parts, LeadByteTest isLeadByte) {
  size_t length = strnlen(full, kPathPartsCapacity);
  if (length >= static_cast<size_t>(kPathPartsCapacity)) return false;
  size_t driveLength = 0;
  // A lead byte followed by 0x3A would be one character, never a drive letter and colon.
  if (length >= 2 && full[1] == ':' && !isLeadByte(static_cast<unsigned char>(full[0]))) {
    driveLength = 2;
  }
  size_t nameStart = 0;
  size_t extStart = 0;
  FindNameAndExtension(full + driveLength, &nameStart, &extStart, isLeadByte);
  nameStart += driveLength;
  extStart += driveLength;

  CopyRange(parts->full, full, length);
  CopyRange(parts->drive, full, driveLength);
  CopyRange(parts->dir, full + driveLength, nameStart - driveLength);
  CopyRange(parts->name, full + nameStart, extStart - nameStart);
  CopyRange(parts->ext, full + extStart, length - extStart);
  CopyRange(parts->folder, full, nameStart);
  CopyRange(parts->fileName, full + nameStart, length - nameStart);
  return true;
}

void ReduceToFileName(char* path, LeadByteTest isLeadByte) {
  const char* afterBackslash = nullptr;
  const char* afterColon = nullptr;
  for (const char* p = path; *p != '\0'; ++p) {
    if (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      ++p;
      continue;
    }
    if (*p == '\\') afterBackslash = p + 1;
    if (*p == ':') afterColon = p + 1;
  }
  const char* keep = afterBackslash != nullptr ? afterBackslash : afterColon;
  if (keep != nullptr) memmove(path, keep, strlen(keep) + 1);
}

bool HasReservedCharacter(const char* name, LeadByteTest isLeadByte) {
  for (const char* p = name; *p != '\0'; ++p) {
    if (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      ++p;
      continue;
    }
    if (static_cast<unsigned char>(*p) < 0x20 || strchr("<>:\"/\\|?*", *p) != nullptr) return true;
  }
  return false;
}

bool FilterToList(const char* filter, char* out, int capacity, LeadByteTest isLeadByte) {
  size_t length = strlen(filter);
  // The text, its terminator, and one more zero for a filter whose last "|" is missing.
  if (capacity < 2 || length + 2 > static_cast<size_t>(capacity)) return false;
  for (size_t i = 0; i < length; ++i) {
    if (isLeadByte(static_cast<unsigned char>(filter[i])) && i + 1 < length) {
      out[i] = filter[i];
      out[i + 1] = filter[i + 1];
      ++i;
      continue;
    }
    out[i] = filter[i] == '|' ? '\0' : filter[i];
  }
  out[length] = '\0';
  out[length + 1] = '\0';
  return true;
}

bool ReplaceExtension(const char* path, const char* ext, char* out, int capacity,
                      LeadByteTest isLeadByte) {
  size_t nameStart = 0;
  size_t extStart = 0;
  FindNameAndExtension(path, &nameStart, &extStart, isLeadByte);
  size_t extLength = strlen(ext);
  if (capacity <= 0 || extStart + extLength >= static_cast<size_t>(capacity)) return false;
  memmove(out, path, extStart);
  memcpy(out + extStart, ext, extLength + 1);
  return true;
}
