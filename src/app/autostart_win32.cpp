// "Start with Windows" through the current user's Run key, and Windows' own record of whether
// that entry may start.
#include "app/autostart_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/autostart.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kStartupRecordKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
// More than any record Windows writes; a longer value is not one of its records.
constexpr DWORD kStartupRecordRoom = 64;

// The value's text with one pair of surrounding quotes taken off.
void Unquote(char* text) {
  const size_t length = strlen(text);
  if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
    memmove(text, text + 1, length - 2);
    text[length - 2] = '\0';
  }
}

// The Run value's name as the wide API takes it: the ANSI calls that write the Run value convert
// it the same way.
bool WideValueName(const char* valueName, wchar_t* out, int capacity) {
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, valueName, -1, out, capacity) > 0;
}

// Whether Windows' record for the entry `name` switches it off; the record then in
// data[kStartupRecordRoom], *size bytes. An entry without a binary record starts.
bool SwitchedOffAtStartup(const wchar_t* name, unsigned char* data, DWORD* size) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kStartupRecordKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  *size = kStartupRecordRoom;
  const LONG status = RegQueryValueExW(key, name, nullptr, &type, data, size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_BINARY && *size <= kStartupRecordRoom &&
         !StartupRecordAllows(data, *size);
}

// Task Manager may have switched the entry off: ticking it means it starts, so the record is
// written back in the form Windows writes when the user switches it on there.
bool AllowAtStartup(const wchar_t* name) {
  unsigned char record[kStartupRecordRoom];
  DWORD size = 0;
  if (!SwitchedOffAtStartup(name, record, &size)) return true;
  unsigned char on[kStartupRecordSize];
  StartupRecordSwitchedOn(record, size, on);
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kStartupRecordKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status = RegSetValueExW(key, name, 0, REG_BINARY, on, sizeof on);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
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
  if (lstrcmpiA(value, programPath) != 0) return false;
  wchar_t name[MAX_PATH];
  unsigned char record[kStartupRecordRoom];
  DWORD recordSize = 0;
  return !WideValueName(valueName, name, MAX_PATH) ||
         !SwitchedOffAtStartup(name, record, &recordSize);
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
  if (status != ERROR_SUCCESS || !on) return status == ERROR_SUCCESS;
  wchar_t name[MAX_PATH];
  return WideValueName(valueName, name, MAX_PATH) && AllowAtStartup(name);
}

bool RunningProgramPath(char* out, unsigned capacity) {
  // One byte more than a path may have: a path that fills the buffer was cut off.
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length >= MAX_PATH || length >= capacity) return false;
  memcpy(out, path, length + 1);
  return true;
}
