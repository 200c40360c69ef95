// Play-list files of any content, read by the program's own INI reader: the list stays within its
// limits, the current entry and order positions within the entries, the order a permutation, and
// every entry splits into parts that add up; the saved file loads back into the same list.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "player/playlist.h"
#include "settings/settings.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

void CheckParts(const char* path) {
  PathParts parts;
  Check(SplitFullPath(path, &parts, ShiftJisLead));
  Check(strcmp(parts.full, path) == 0);
  Check(std::string(parts.drive) + parts.dir == parts.folder);
  Check(std::string(parts.name) + parts.ext == parts.fileName);
  Check(std::string(parts.folder) + parts.fileName == path);
  char name[kEntryCapacity];
  memcpy(name, path, strlen(path) + 1);
  ReduceToFileName(name, ShiftJisLead);
  Check(strlen(name) <= strlen(path));
}

// Whether the value reads back from a file as written: no surrounding quotes or blanks (the
// profile calls take them off) and no control characters (a carriage return ends a line). Real
// paths have none of these; only values smuggled in past a zero byte do.
bool ReadsBackAsWritten(const char* value) {
  size_t n = strlen(value);
  if (n > 0 && (value[0] == ' ' || value[n - 1] == ' ')) return false;
  if (n >= 2 && (value[0] == '"' || value[0] == '\'') && value[n - 1] == value[0]) return false;
  for (size_t i = 0; i < n; ++i) {
    if (static_cast<unsigned char>(value[i]) < 0x20) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input is the file's bytes, without a terminator: the loader must stay within them.
  std::vector<char> given(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size);
  ShuffFlag = size > 0 && (data[0] & 1) != 0;
  LoadPlayListFile(given.data(), given.size());

  Check(EntryCount >= 0 && EntryCount <= kMaxEntries);
  Check(PlayNo == 0 || (PlayNo > 0 && PlayNo < EntryCount));
  for (int i = 0; i < EntryCount; ++i) {
    Check(PlayPaths[i][0] != '\0' && strnlen(PlayPaths[i], kEntryCapacity) < kEntryCapacity);
    CheckParts(PlayPaths[i]);
  }
  BuildOrderSeeded(static_cast<unsigned>(size));
  std::vector<bool> seen(static_cast<size_t>(EntryCount), false);
  for (int i = 0; i < EntryCount; ++i) {
    int e = PlayOrder[i];
    Check(e >= 0 && e < EntryCount && !seen[static_cast<size_t>(e)]);
    seen[static_cast<size_t>(e)] = true;
  }
  int current = CurrentEntry();
  Check(current == 0 || (current > 0 && current < EntryCount));
  int position = OrderPositionOf(current);
  Check(position == 0 || (position > 0 && position < EntryCount));
  if (EntryCount > 0) Check(ShuffFlag ? PlayOrder[position] == current : position == current);

  // Room for a full list, allocated once rather than zero-filled for every input.
  static std::vector<char> section(PlayListSectionCapacity());
  size_t length = BuildPlayListSection(section.data(), section.size());
  Check(length > 0 && section[length - 1] == '\0' && section[length - 2] == '\0');
  std::vector<std::string> before(PlayPaths, PlayPaths + EntryCount);
  bool clean = true;
  for (const std::string& path : before) clean = clean && ReadsBackAsWritten(path.c_str());
  if (clean) {
    const std::string file = PlayListFileText();
    LoadPlayListFile(file.data(), file.size());
    Check(std::vector<std::string>(PlayPaths, PlayPaths + EntryCount) == before);
    Check(PlayNo == current);
  }

  char list[128];
  std::string filter(reinterpret_cast<const char*>(data), size < 100 ? size : 100);
  filter = filter.c_str();
  if (FilterToList(filter.c_str(), list, sizeof list, ShiftJisLead)) {
    Check(list[filter.size()] == '\0' && list[filter.size() + 1] == '\0');
  }
  return 0;
}
