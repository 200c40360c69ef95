// Play-list state, play order and the ".lst" keys, kept within the entries whatever a file says.
#include "player/playlist.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/profile.h"
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

// One "key=value" string of a section, with blanks around the key and the value left out and
// one pair of matching quotes around the value removed, as the key calls read it.
struct SectionLine {
  const char* key;
  size_t keyLength;
  const char* value;
  size_t valueLength;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void Trim(const char** begin, const char** end) {
  while (*begin < *end && IsBlank(**begin)) ++*begin;
  while (*end > *begin && IsBlank((*end)[-1])) --*end;
}

// False for a string without '=' (a comment, a stray word), which names no key.
bool SplitSectionLine(const char* text, size_t length, SectionLine* out) {
  const char* equals = static_cast<const char*>(memchr(text, '=', length));
  if (equals == nullptr) return false;
  const char* keyBegin = text;
  const char* keyEnd = equals;
  Trim(&keyBegin, &keyEnd);
  const char* valueBegin = equals + 1;
  const char* valueEnd = text + length;
  Trim(&valueBegin, &valueEnd);
  if (valueEnd - valueBegin >= 2 && (*valueBegin == '"' || *valueBegin == '\'') &&
      valueEnd[-1] == *valueBegin) {
    ++valueBegin;
    --valueEnd;
  }
  *out = SectionLine{keyBegin, static_cast<size_t>(keyEnd - keyBegin), valueBegin,
                     static_cast<size_t>(valueEnd - valueBegin)};
  return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(const SectionLine& line, const char* name) {
  if (line.keyLength != strlen(name)) return false;
  for (size_t i = 0; i < line.keyLength; ++i) {
    if (Lower(line.key[i]) != Lower(name[i])) return false;
  }
  return true;
}

// The entry a "FILE%04d" key names, or -1 for any other key.
int FileKeyNumber(const SectionLine& line) {
  if (line.keyLength != 8) return -1;
  for (int i = 0; i < 4; ++i) {
    if (Lower(line.key[i]) != "file"[i]) return -1;
  }
  int n = 0;
  for (size_t i = 4; i < 8; ++i) {
    if (line.key[i] < '0' || line.key[i] > '9') return -1;
    n = n * 10 + (line.key[i] - '0');
  }
  return n;
}

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

void LoadPlayListSection(const char* section, size_t length) {
  EntryCount = 0;
  // A new list: whatever row was starred may now hold another file.
  NowPlaying = -1;
  StepOntoCurrent = false;
  // Where each entry's value lies in the section; the first of two equal keys counts.
  std::vector<SectionLine> files(static_cast<size_t>(kMaxEntries), SectionLine{});
  int32_t savedPlayNo = 0;
  bool playNoSeen = false;
  size_t at = 0;
  while (at < length && section[at] != '\0') {
    const size_t lineLength = strnlen(section + at, length - at);
    SectionLine line;
    if (SplitSectionLine(section + at, lineLength, &line)) {
      const int n = FileKeyNumber(line);
      if (n >= 0) {
        if (files[static_cast<size_t>(n)].key == nullptr) files[static_cast<size_t>(n)] = line;
      } else if (!playNoSeen && SameKey(line, kPlayNoKey)) {
        playNoSeen = true;
        const std::string value(line.value, line.valueLength);
        if (!ParseProfileInt(value.c_str(), &savedPlayNo)) savedPlayNo = 0;
      }
    }
    at += lineLength + 1;
  }
  // PlayNo counts the file's entries; every one skipped before it moves it down by one, so it
  // still names the entry it named when it was saved.
  int playNo = savedPlayNo;
  char path[kEntryCapacity];
  for (int n = 0; n < kMaxEntries && EntryCount < kMaxEntries; ++n) {
    const SectionLine& file = files[static_cast<size_t>(n)];
    if (file.key == nullptr || file.valueLength == 0) break;
    // A value too long for an entry is skipped rather than cut to a wrong path.
    const bool fits = file.valueLength < static_cast<size_t>(kEntryCapacity);
    if (fits) {
      memcpy(path, file.value, file.valueLength);
      path[file.valueLength] = '\0';
    }
    if ((!fits || !AppendEntry(path)) && n < savedPlayNo) --playNo;
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

void LoadPlayListFile(const char* data, size_t size) {
  IniFile file;
  file.Parse(data, size);
  const std::string section = file.SectionStrings(kPlayListSection);
  LoadPlayListSection(section.data(), section.size());
}

std::string PlayListFileText() {
  std::vector<char> section(PlayListSectionCapacity());
  const size_t length = BuildPlayListSection(section.data(), section.size());
  std::string text = std::string("[") + kPlayListSection + "]\r\n";
  text.reserve(length + 2 * static_cast<size_t>(EntryCount) + text.size());
  // Every string but the closing empty one becomes a line.
  for (size_t at = 0; at < length && section[at] != '\0';) {
    const size_t lineLength = strnlen(section.data() + at, length - at);
    text.append(section.data() + at, lineLength);
    text += "\r\n";
    at += lineLength + 1;
  }
  return text;
}
