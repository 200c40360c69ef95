// Parsing, editing and writing INI text with the private-profile calls' reading rules.
#include "settings/ini_file.h"

#include <cstring>

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// [at, at + length) with the blanks at both ends left out.
void Trim(const std::string& text, size_t* at, size_t* length) {
  size_t begin = *at;
  size_t end = *at + *length;
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  *at = begin;
  *length = end - begin;
}

// A carriage return inside a value reads back as it was written: only a line feed ends a line.
bool FitsOnOneLine(const char* text) { return strchr(text, '\n') == nullptr; }

// A name written where the reading rules find it again under the same name.
bool IsCleanName(const char* name) {
  const size_t length = strlen(name);
  return length > 0 && strpbrk(name, "\r\n") == nullptr && !IsBlank(name[0]) &&
         !IsBlank(name[length - 1]);
}

}  // namespace

std::string IniFile::Fold(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

void IniFile::Classify(Line* line, bool* isSection, std::string* sectionName) {
  const std::string& text = line->text;
  size_t at = 0;
  size_t length = text.size();
  Trim(text, &at, &length);
  line->isKey = false;
  *isSection = false;
  if (length == 0 || text[at] == ';') return;
  if (text[at] == '[') {
    size_t nameAt = at + 1;
    size_t close = text.find(']', nameAt);
    size_t nameLength = (close == std::string::npos || close > at + length ? at + length : close) - nameAt;
    Trim(text, &nameAt, &nameLength);
    *isSection = true;
    *sectionName = text.substr(nameAt, nameLength);
    return;
  }
  const size_t equals = text.find('=', at);
  if (equals == std::string::npos || equals >= at + length) return;
  line->isKey = true;
  line->keyAt = at;
  line->keyLength = equals - at;
  Trim(text, &line->keyAt, &line->keyLength);
  line->valueAt = equals + 1;
  line->valueLength = at + length - line->valueAt;
  Trim(text, &line->valueAt, &line->valueLength);
  line->value = text.substr(line->valueAt, line->valueLength);
  const std::string& value = line->value;
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    line->value = value.substr(1, value.size() - 2);
  }
}

void IniFile::Index() {
  keys_.clear();
  sections_.clear();
  std::string section;
  bool live = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    bool isSection = false;
    std::string name;
    Classify(&line, &isSection, &name);
    if (isSection) {
      section = Fold(name);
      // Only the first section of a name is read; the keys of a later one are not.
      live = sections_.emplace(section, SectionSpan{i, i}).second;
      continue;
    }
    if (!live || !line.isKey) continue;
    keys_.emplace(section + '\n' + Fold(line.text.substr(line.keyAt, line.keyLength)), i);
    sections_[section].end = i;
  }
}

void IniFile::Parse(const char* data, size_t size) {
  lines_.clear();
  byteOrderMark_ = size >= 3 && memcmp(data, kByteOrderMark, 3) == 0;
  size_t at = byteOrderMark_ ? 3 : 0;
  while (at < size) {
    const void* found = memchr(data + at, '\n', size - at);
    const size_t end = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - data) : size;
    size_t lineEnd = end;
    if (lineEnd > at && data[lineEnd - 1] == '\r') --lineEnd;
    Line line;
    line.text.assign(data + at, lineEnd - at);
    lines_.push_back(std::move(line));
    at = end + 1;
  }
  Index();
}

const std::string* IniFile::Find(const char* section, const char* key) const {
  auto it = keys_.find(Fold(section) + '\n' + Fold(key));
  return it == keys_.end() ? nullptr : &lines_[it->second].value;
}

bool IniFile::Set(const char* section, const char* key, const char* value) {
  if (!IsCleanName(section) || strchr(section, ']') != nullptr || section[0] == '[' ||
      !IsCleanName(key) || strchr(key, '=') != nullptr || key[0] == ';' || key[0] == '[' ||
      !FitsOnOneLine(value)) {
    return false;
  }
  const std::string foldedSection = Fold(section);
  auto it = keys_.find(foldedSection + '\n' + Fold(key));
  if (it != keys_.end()) {
    // The key keeps the spelling it has in the file.
    Line& line = lines_[it->second];
    line.text = line.text.substr(line.keyAt, line.keyLength) + '=' + value;
    bool isSection = false;
    std::string name;
    Classify(&line, &isSection, &name);
    return true;
  }
  Line added;
  added.text = std::string(key) + '=' + value;
  auto span = sections_.find(foldedSection);
  if (span != sections_.end()) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(span->second.end + 1), std::move(added));
  } else {
    Line header;
    header.text = std::string("[") + section + ']';
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(added));
  }
  Index();
  return true;
}

std::string IniFile::SectionStrings(const char* section) const {
  std::string out;
  auto span = sections_.find(Fold(section));
  if (span != sections_.end()) {
    for (size_t i = span->second.head + 1; i <= span->second.end; ++i) {
      const Line& line = lines_[i];
      if (!line.isKey) continue;
      out.append(line.text, line.keyAt, line.keyLength);
      out += '=';
      out.append(line.text, line.valueAt, line.valueLength);
      out += '\0';
    }
  }
  out += '\0';
  return out;
}

std::string IniFile::Text() const {
  size_t size = byteOrderMark_ ? 3 : 0;
  for (const Line& line : lines_) size += line.text.size() + 2;
  std::string out;
  out.reserve(size);
  if (byteOrderMark_) out += kByteOrderMark;
  for (const Line& line : lines_) {
    out += line.text;
    out += "\r\n";
  }
  return out;
}

ProfileAccess IniFile::Access() {
  auto read = [](void* context, const char* section, const char* key, const char* fallback,
                 char* out, int capacity) -> int {
    if (capacity <= 0) return 0;
    const IniFile* self = static_cast<const IniFile*>(context);
    const std::string* found = self->Find(section, key);
    const char* value = found != nullptr ? found->c_str() : fallback;
    // A value with a zero byte in it reads up to the zero, as from a C string.
    size_t length = found != nullptr ? strnlen(value, found->size()) : strlen(value);
    const size_t room = static_cast<size_t>(capacity - 1);
    if (length > room) {
      // Cut after whole characters only, so that code walking the text by characters never
      // steps over the terminator.
      size_t whole = 0;
      while (whole < room) {
        const size_t step =
            self->isLeadByte_ != nullptr && self->isLeadByte_(static_cast<unsigned char>(value[whole])) ? 2 : 1;
        if (whole + step > room) break;
        whole += step;
      }
      length = whole;
    }
    memcpy(out, value, length);
    out[length] = '\0';
    return static_cast<int>(length);
  };
  auto write = [](void* context, const char* section, const char* key, const char* value) {
    return static_cast<IniFile*>(context)->Set(section, key, value);
  };
  return ProfileAccess{this, read, write};
}
