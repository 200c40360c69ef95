// "Start with Windows" through the current user's Run key.
#include "app/autostart_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value's text with one pair of surrounding quotes taken off.
void Unquote(char* text) {
  const size_t length = strlen(text);
  if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
    memmove(text, text + 1, length - 2);
    text[length - 2] = '\0';
  }
}

}  // namespace

bool StartsWithWindows(const char* valueName, const char* programPath) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  char value[MAX_PATH + 3] = {};
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  const LONG status = RegQueryValueExA(key, valueName, nullptr, &type,
                                       reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  value[sizeof value - 1] = '\0';
  Unquote(value);
  // Paths compare without regard to case, as the file system does.
  return lstrcmpiA(value, programPath) == 0;
}

bool SetStartWithWindows(const char* valueName, const char* programPath, bool on) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG status;
  if (on) {
    // Quoted: a path with spaces would otherwise start the wrong program, or none.
    char command[MAX_PATH + 3];
    const int length = snprintf(command, sizeof command, "\"%s\"", programPath);
    status = length > 0 && length < static_cast<int>(sizeof command)
                 ? RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                  static_cast<DWORD>(length + 1))
                 : ERROR_INVALID_PARAMETER;
  } else {
    status = RegDeleteValueA(key, valueName);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool RunningProgramPath(char* out, unsigned capacity) {
  // One byte more than a path may have: a path that fills the buffer was cut off.
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length >= MAX_PATH || length >= capacity) return false;
  memcpy(out, path, length + 1);
  return true;
}
