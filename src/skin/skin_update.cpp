// Skin offers: the offer rule, name and link checks, target paths and the download's course.
#include "skin/skin_update.h"

#include <cstring>

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameText(const char* a, size_t aLength, const char* b) {
  const size_t bLength = strlen(b);
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// Names the platform opens as devices whatever the folder or extension.
bool IsDeviceName(const char* stem, size_t length) {
  // Blanks before the dot do not stop the platform from seeing the device.
  while (length > 0 && stem[length - 1] == ' ') --length;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : kDevices) {
    if (SameText(stem, length, device)) return true;
  }
  if (length == 4 && (SameText(stem, 3, "COM") || SameText(stem, 3, "LPT")) && stem[3] >= '1' &&
      stem[3] <= '9') {
    return true;
  }
  return false;
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (Upper(*text) != Upper(*prefix)) return false;
  }
  return true;
}

// Whether `path` ends in a separator of its own (not a trail byte). *whole is false when it ends
// in a lead byte without its trail, which would swallow a separator put after it.
bool EndsInSeparator(const char* path, LeadByteTest isLeadByte, bool* whole) {
  bool ends = false;
  *whole = true;
  for (size_t i = 0; path[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (isLeadByte(c)) {
      if (path[i + 1] == '\0') {
        *whole = false;
        return false;
      }
      ++i;
      ends = false;
      continue;
    }
    ends = c == '\\' || c == '/';
  }
  return ends;
}

}  // namespace

bool IsSkinOffer(const char* extend) {
  return extend[0] == '[' && extend[1] != '\0' && extend[2] == 's';
}

bool OfferFileName(const char* extend, char* out, size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  const size_t length = strlen(extend);
  if (length < 5) return false;
  const size_t nameLength = length - 4;
  if (nameLength >= capacity) return false;
  memcpy(out, extend + 4, nameLength + 1);
  return true;
}

bool IsPlainSkinName(const char* name, LeadByteTest isLeadByte) {
  const size_t length = strlen(name);
  // A stem, then ".skn".
  if (length < 5 || !SameText(name + length - 4, 4, ".skn")) return false;
  size_t firstDot = length;
  bool lastWasDot = false;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (isLeadByte(c)) {
      // A double-byte character: its second byte may be a '\' (0x5C), but never a byte below
      // 0x40, such as '.', '/' or ':', nor 0x7F or one above 0xFC.
      if (i + 1 >= length || !IsSjisTrailByte(static_cast<unsigned char>(name[i + 1]))) return false;
      ++i;
      lastWasDot = false;
      continue;
    }
    if (c < 0x20 || c == 0x7F) return false;
    if (strchr("\\/:*?\"<>|", c) != nullptr) return false;
    if (c == '.') {
      if (lastWasDot) return false;  // ".."
      if (firstDot == length) firstDot = i;
      lastWasDot = true;
    } else {
      lastWasDot = false;
    }
  }
  if (IsDeviceName(name, firstDot)) return false;
  // The platform drops trailing dots and blanks, which would name another file; a name that
  // ends in ".skn" has neither, but a blank before the extension or a leading blank is refused
  // as well so that the saved name is the one offered.
  if (name[0] == ' ' || name[length - 5] == ' ' || name[length - 5] == '.') return false;
  return true;
}

bool SkinFolderPath(const char* skinPath, const char* baseFolder, char* out, size_t capacity,
                    LeadByteTest isLeadByte) {
  if (skinPath[0] == '\0' || capacity == 0) return false;
  const bool rooted = skinPath[0] == '\\' || skinPath[0] == '/' ||
                      (!isLeadByte(static_cast<unsigned char>(skinPath[0])) && skinPath[1] == ':');
  const char* head = "";
  const char* rest = skinPath;
  bool separator = false;
  if (!rooted) {
    while (rest[0] == '.' && (rest[1] == '\\' || rest[1] == '/')) rest += 2;
    if (rest[0] == '.' && rest[1] == '\0') ++rest;
    bool whole = true;
    // The folder alone (SkinPath ".") needs no separator after it.
    separator = !EndsInSeparator(baseFolder, isLeadByte, &whole) && rest[0] != '\0';
    if (baseFolder[0] == '\0' || !whole) return false;
    head = baseFolder;
  }
  const size_t headLength = strlen(head);
  const size_t restLength = strlen(rest);
  if (headLength + (separator ? 1 : 0) + restLength >= capacity) return false;
  memcpy(out, head, headLength);
  if (separator) out[headLength] = '\\';
  memcpy(out + headLength + (separator ? 1 : 0), rest, restLength + 1);
  return true;
}

bool BuildSkinTarget(const char* folder, const char* name, char* out, size_t capacity,
                     LeadByteTest isLeadByte) {
  if (!IsPlainSkinName(name, isLeadByte)) return false;
  const size_t folderLength = strlen(folder);
  if (folderLength == 0) return false;
  bool whole = true;
  const bool endsInSeparator = EndsInSeparator(folder, isLeadByte, &whole);
  if (!whole) return false;
  const size_t nameLength = strlen(name);
  const size_t total = folderLength + (endsInSeparator ? 0 : 1) + nameLength;
  if (total > kSkinTargetMax || total >= capacity) return false;
  memcpy(out, folder, folderLength);
  size_t at = folderLength;
  if (!endsInSeparator) out[at++] = '\\';
  memcpy(out + at, name, nameLength + 1);
  return true;
}

bool IsLaunchableLink(const char* link) {
  size_t schemeLength = 0;
  if (StartsWithNoCase(link, "http://")) {
    schemeLength = 7;
  } else if (StartsWithNoCase(link, "https://")) {
    schemeLength = 8;
  } else {
    return false;
  }
  const char first = link[schemeLength];
  if (first == '\0' || first == '/' || first == '\\') return false;
  // The shell hands the link to the browser on a command line, where a blank or a quote would
  // end it and start an argument of the feed's choosing.
  for (const char* p = link; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c <= 0x20 || c == 0x7F || c == '"') return false;
  }
  return true;
}

bool IsDownloadableLink(const char* link) {
  if (strncmp(link, "http://", 7) != 0 || !IsLaunchableLink(link)) return false;
  char host[kUrlPartCapacity];
  char path[kUrlPartCapacity];
  return SplitUrl(link, host, path);
}

namespace {

struct FileWrite {
  const SkinDownloadFiles* files;
};

bool WriteBody(void* context, const char* data, size_t size) {
  const SkinDownloadFiles* files = static_cast<FileWrite*>(context)->files;
  return files->write(files->context, data, size);
}

}  // namespace

SkinDownloadOutcome RunSkinDownload(const SkinDownloadFiles& files, SkinReceive receive,
                                    void* receiveContext, const char* temp, const char* target) {
  SkinDownloadOutcome outcome = {false, HttpVerdict::kOk, false};
  if (!files.create(files.context, temp)) {
    outcome.verdict = HttpVerdict::kReceiveError;
    files.remove(files.context, temp);
    return outcome;
  }
  HttpDownload download;
  StartHttpDownload(&download, kSkinDownloadMaxBytes);
  FileWrite sink = {&files};
  HttpVerdict transport = HttpVerdict::kOk;
  char piece[4096];
  for (;;) {
    HttpVerdict why = HttpVerdict::kReceiveError;
    const int got = receive(receiveContext, piece, sizeof piece, &why);
    if (got == 0) break;
    if (got < 0) {
      transport = why == HttpVerdict::kOk ? HttpVerdict::kReceiveError : why;
      break;
    }
    if (static_cast<size_t>(got) > sizeof piece) {
      transport = HttpVerdict::kReceiveError;
      break;
    }
    if (!FeedHttpDownload(&download, piece, static_cast<size_t>(got), WriteBody, &sink)) break;
  }
  const bool closed = files.close(files.context);
  outcome.verdict = EndHttpDownload(&download, transport);
  if (outcome.verdict == HttpVerdict::kOk && !closed) outcome.verdict = HttpVerdict::kReceiveError;
  if (outcome.verdict == HttpVerdict::kOk) {
    if (!files.isPackage(files.context, temp)) {
      outcome.notPackage = true;
    } else {
      outcome.saved = files.replace(files.context, temp, target);
    }
  }
  files.remove(files.context, temp);
  return outcome;
}
