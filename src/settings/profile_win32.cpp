// The private-profile calls behind ProfileAccess, with reads kept to whole characters.
#include "settings/profile_win32.h"

#include <windows.h>

#include <cstring>

namespace {

// Largest buffer a read passes through; every key we read fits well within it.
constexpr int kReadRoom = 1024;

// How many of the first `length` bytes of `text` form whole characters.
int WholeCharacters(const char* text, int length) {
  int i = 0;
  while (i < length) {
    int step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
    if (i + step > length) break;
    i += step;
  }
  return i;
}

int ReadFileKey(void* context, const char* section, const char* key, const char* fallback,
                char* out, int capacity) {
  if (capacity <= 0) return 0;
  // A value longer than the buffer is read into a larger one and cut here. Wine cuts such a
  // value by converting it into the caller's buffer, and when the buffer ends inside a
  // double-byte character it reports the buffer full while the last byte is left unwritten;
  // zero-filled, that byte ends the text instead of being whatever the buffer held before. The
  // cut here also never splits a character, so code walking the text by characters cannot step
  // over the terminator.
  char room[kReadRoom] = {};
  int roomCapacity = capacity + 2 < kReadRoom ? capacity + 2 : kReadRoom;
  GetPrivateProfileStringA(section, key, fallback, room, static_cast<DWORD>(roomCapacity),
                           static_cast<const char*>(context));
  int length = static_cast<int>(strnlen(room, static_cast<size_t>(roomCapacity - 1)));
  if (length > capacity - 1) length = WholeCharacters(room, capacity - 1);
  memcpy(out, room, static_cast<size_t>(length));
  out[length] = '\0';
  return length;
}

bool WriteFileKey(void* context, const char* section, const char* key, const char* value) {
  return WritePrivateProfileStringA(section, key, value, static_cast<const char*>(context)) !=
         FALSE;
}

}  // namespace

ProfileAccess FileProfile(const char* path) {
  return ProfileAccess{const_cast<char*>(path), ReadFileKey, WriteFileKey};
}

void ForgetCachedProfile(const char* path) {
  // All three names null is the documented request to flush the cached file.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
}
