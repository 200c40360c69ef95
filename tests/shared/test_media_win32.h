// Where the Win32 tests find the media that scripts/make-test-media.sh makes at test time.
#pragma once

#include <windows.h>

#include <string>

// The folder from TARVO_TEST_MEDIA (a Unix path, reached through drive Z:), or "" when unset.
inline std::string MediaFolder() {
  char unixPath[MAX_PATH] = "";
  if (GetEnvironmentVariableA("TARVO_TEST_MEDIA", unixPath, sizeof unixPath) == 0) return "";
  std::string path = std::string("Z:") + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

inline std::string Media(const char* name) { return MediaFolder() + "\\" + name; }
