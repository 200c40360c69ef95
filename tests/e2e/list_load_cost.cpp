// What loading and saving a play list of 10,000 entries costs: the program's own whole-file read
// and save, against the profile calls it once used: one section read, and key-by-key reads with
// the parsed file kept (as Wine does) and read again at every call (as Windows does). Prints the
// milliseconds of each. scripts/measure-playlist.sh runs it; a measurement, not a test.
#include <windows.h>

#include <cstdio>
#include <string>

#include "player/playlist.h"
#include "player/playlist_win32.h"

namespace {

constexpr int kEntries = kMaxEntries;

// Makes the profile calls read the file afresh (all three names null flushes their cache).
void ForgetCachedProfile(const char* path) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path); }

// The first loader's reads: one profile call per key, up to the first empty value.
int ReadKeyByKey(const char* path, bool rereadEachCall, int limit) {
  char value[kEntryCapacity + 2];
  int n = 0;
  for (; n < limit; ++n) {
    char key[16];
    snprintf(key, sizeof key, "FILE%04d", n);
    if (rereadEachCall) ForgetCachedProfile(path);
    if (GetPrivateProfileStringA(kPlayListSection, key, "", value, sizeof value, path) == 0) break;
  }
  return n;
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

}  // namespace

int main() {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  std::string path = std::string(folder) + "list_load_cost.lst";
  // Paths as a music folder gives them, with Japanese names.
  std::string text = "[PlayList]\r\nPlayNo=0\r\n";
  for (int n = 0; n < kEntries; ++n) {
    char line[160];
    snprintf(line, sizeof line, "FILE%04d=C:\\Users\\user\\Music\\\x83\x41\x83\x8b\x83\x6f\x83\x80 %03d\\track %05d.mp3\r\n",
             n, n / 12, n);
    text += line;
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  if (file == INVALID_HANDLE_VALUE ||
      !WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    return 2;
  }
  CloseHandle(file);
  printf("list of %d entries, %lu bytes\n", kEntries, static_cast<unsigned long>(text.size()));

  LARGE_INTEGER frequency, a, b;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&a);
  LoadPlayList(path.c_str());
  QueryPerformanceCounter(&b);
  printf("whole-file read (now):                %8.1f ms, %d entries\n", Ms(a, b, frequency),
         EntryCount);
  QueryPerformanceCounter(&a);
  const bool saved = SavePlayList(path.c_str());
  QueryPerformanceCounter(&b);
  printf("whole-file save (now):                %8.1f ms, %s\n", Ms(a, b, frequency),
         saved ? "saved" : "FAILED");

  std::string section(4 << 20, '\0');
  ForgetCachedProfile(path.c_str());
  QueryPerformanceCounter(&a);
  const DWORD sectionLength = GetPrivateProfileSectionA(kPlayListSection, &section[0],
                                                         static_cast<DWORD>(section.size()), path.c_str());
  QueryPerformanceCounter(&b);
  printf("one section read (profile call):      %8.1f ms, %lu bytes\n", Ms(a, b, frequency),
         static_cast<unsigned long>(sectionLength));

  ForgetCachedProfile(path.c_str());
  QueryPerformanceCounter(&a);
  int read = ReadKeyByKey(path.c_str(), false, kEntries);
  QueryPerformanceCounter(&b);
  printf("key by key, parsed file kept (Wine):  %8.1f ms, %d entries\n", Ms(a, b, frequency), read);

  // Read again at every call the whole list would take minutes: a tenth of it, scaled.
  constexpr int kSample = kEntries / 10;
  QueryPerformanceCounter(&a);
  read = ReadKeyByKey(path.c_str(), true, kSample);
  QueryPerformanceCounter(&b);
  printf("key by key, file read at every call (Windows): %8.1f ms for %d entries, about %.0f ms "
         "for all\n",
         Ms(a, b, frequency), read, Ms(a, b, frequency) * kEntries / kSample);
  DeleteFileA(path.c_str());
  return 0;
}
