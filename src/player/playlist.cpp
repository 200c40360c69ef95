// Play-list state, play order and the ".lst" keys, kept within the entries whatever a file says.
#include "player/playlist.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "settings/settings.h"

char PlayPaths[kMaxEntries][kEntryCapacity];
int EntryCount = 0;
int16_t PlayOrder[kMaxEntries];
int PlayNo = 0;
int NowPlaying = -1;
bool StepOntoCurrent = false;
char DefaultListPath[kEntryCapacity] = "";

const char kPlayListSection[] = "PlayList";

namespace {

const char* const kListKinds[] = {".mp3", ".wma", ".wav", ".avi", ".wmv", ".mpg", ".mp4"};
constexpr int kExtensionCapacity = 8;
constexpr char kPlayNoKey[] = "PlayNo";
constexpr int kFileKeyCapacity = 16;
// What a section line needs besides its path: "FILE0000=" and the line's terminating zero.
constexpr size_t kFileKeyRoom = 10;
// "PlayNo=-2147483648" and its zero.
constexpr size_t kPlayNoRoom = 19;

bool IsEntry(int index) { return index >= 0 && index < EntryCount; }

// The extension in lower case; false when it is too long to be any of ours.
bool LowerExtension(const char* ext, char* out) {
  size_t length = strnlen(ext, kExtensionCapacity);
  if (length >= static_cast<size_t>(kExtensionCapacity)) return false;
  for (size_t i = 0; i <= length; ++i) {
    char c = ext[i];
    out[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return true;
}

void FileKey(char* out, int n) { snprintf(out, kFileKeyCapacity, "FILE%04d", n); }

}  // namespace

int CurrentEntry() {
  int position = IsEntry(PlayNo) ? PlayNo : 0;
  if (!ShuffFlag) return IsEntry(position) ? position : 0;
  if (!IsEntry(position)) return 0;
  int entry = PlayOrder[position];
  return IsEntry(entry) ? entry : 0;
}

int OrderPositionOf(int entry) {
  if (!IsEntry(entry)) return 0;
  if (!ShuffFlag) return entry;
  for (int i = 0; i < EntryCount; ++i) {
    if (PlayOrder[i] == entry) return i;
  }
  return 0;
}

void BuildOrder() {
  // A millisecond count from the C library: std::chrono's clocks would link MinGW's
  // winpthread clock module, whose clock_settime imports SetSystemTime into the test build.
  BuildOrderSeeded(static_cast<unsigned>(static_cast<unsigned long long>(clock()) * 1000u /
                                         CLOCKS_PER_SEC));
}

void BuildOrderSeeded(unsigned seed) {
  int count = EntryCount < 0 ? 0 : (EntryCount > kMaxEntries ? kMaxEntries : EntryCount);
  for (int i = 0; i < count; ++i) PlayOrder[i] = static_cast<int16_t>(i);
  if (!ShuffFlag) return;
  srand(seed);
  for (int j = 0; j < count; ++j) {
    // RAND_MAX is 32767 in the Windows C runtime but larger elsewhere: keep its 15 low bits.
    int r = rand() & 0x7FFF;
    int k = r * count / 32768;
    int16_t swap = PlayOrder[j];
    PlayOrder[j] = PlayOrder[k];
    PlayOrder[k] = swap;
  }
}

bool IsListKind(const char* ext) {
  char lower[kExtensionCapacity];
  if (!LowerExtension(ext, lower)) return false;
  for (const char* kind : kListKinds) {
    if (strcmp(lower, kind) == 0) return true;
  }
  return false;
}

bool IsPlayListExtension(const char* ext) {
  char lower[kExtensionCapacity];
  return LowerExtension(ext, lower) && strcmp(lower, ".lst") == 0;
}

bool AppendEntry(const char* path) {
  if (EntryCount < 0 || EntryCount >= kMaxEntries) return false;
  size_t length = strnlen(path, kEntryCapacity);
  if (length >= static_cast<size_t>(kEntryCapacity)) return false;
  memcpy(PlayPaths[EntryCount], path, length + 1);
  ++EntryCount;
  return true;
}

void LoadPlayListFrom(const ProfileAccess& profile) {
  EntryCount = 0;
  // A new list: whatever row was starred may now hold another file.
  NowPlaying = -1;
  StepOntoCurrent = false;
  const int savedPlayNo = ReadProfileInt(profile, kPlayListSection, kPlayNoKey, 0);
  // PlayNo counts the file's entries; every one skipped before it moves it down by one, so it
  // still names the entry it named when it was saved.
  int playNo = savedPlayNo;
  // Two bytes more than an entry holds, so that a value too long for one shows as such.
  char value[kEntryCapacity + 2];
  char key[kFileKeyCapacity];
  for (int n = 0; n < kMaxEntries && EntryCount < kMaxEntries; ++n) {
    FileKey(key, n);
    int copied = profile.Read(profile.context, kPlayListSection, key, "", value, sizeof value);
    value[sizeof value - 1] = '\0';
    if (copied <= 0 || value[0] == '\0') break;
    if (!AppendEntry(value) && n < savedPlayNo) --playNo;
  }
  PlayNo = IsEntry(playNo) ? playNo : 0;
  // PlayNo now holds an entry index, which the player turns into a position when it builds its
  // order. Until then the order is the identity, so that CurrentEntry gives that entry (and a
  // save at exit keeps it) even with shuffle on and an order left from an earlier list.
  for (int i = 0; i < EntryCount; ++i) PlayOrder[i] = static_cast<int16_t>(i);
}

size_t PlayListSectionCapacity() {
  return kPlayNoRoom + static_cast<size_t>(kMaxEntries) * (kFileKeyRoom + kEntryCapacity) + 1;
}

size_t BuildPlayListSection(char* out, size_t capacity) {
  int count = EntryCount < 0 ? 0 : (EntryCount > kMaxEntries ? kMaxEntries : EntryCount);
  char playNo[kPlayNoRoom];
  size_t at = static_cast<size_t>(snprintf(playNo, sizeof playNo, "PlayNo=%d", CurrentEntry())) + 1;
  size_t needed = at + 1;
  for (int i = 0; i < count; ++i) {
    needed += kFileKeyRoom + strnlen(PlayPaths[i], kEntryCapacity - 1);
  }
  if (needed > capacity) return 0;
  memcpy(out, playNo, at);
  for (int i = 0; i < count; ++i) {
    int written = snprintf(out + at, capacity - at, "FILE%04d=%.*s", i, kEntryCapacity - 1,
                           PlayPaths[i]);
    at += static_cast<size_t>(written) + 1;
  }
  out[at++] = '\0';
  return at;
}
