// An INI file held in memory that answers like the private-profile calls, for tests and fuzzing.
#pragma once

#include <cctype>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "settings/profile.h"

// Parses INI text as GetPrivateProfileStringA sees it: sections and keys compared without regard
// to case, only the first of sections with the same name is looked into, the first of duplicate
// keys wins, blanks around keys and values trimmed,
// one pair of matching quotes around a value removed, values cut to the caller's buffer.
class MemoryProfile {
 public:
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };

  MemoryProfile() = default;
  explicit MemoryProfile(const std::string& text) { Parse(text.data(), text.size()); }
  MemoryProfile(const char* data, size_t size) { Parse(data, size); }

  ProfileAccess Access() {
    return ProfileAccess{this, &MemoryProfile::ReadThunk, &MemoryProfile::WriteThunk};
  }

  // Later writes fail (and change nothing), as on a read-only file.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

  const std::vector<Entry>& Entries() const { return entries_; }
  // Keys in the order they were written, including rewrites of one key.
  const std::vector<std::string>& WriteLog() const { return writeLog_; }
  void ClearWriteLog() { writeLog_.clear(); }

  bool Has(const std::string& section, const std::string& key) const {
    return Find(section, key) != nullptr;
  }
  std::string Value(const std::string& section, const std::string& key) const {
    const Entry* e = Find(section, key);
    return e == nullptr ? std::string() : e->value;
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    Entry* e = Find(section, key);
    if (e != nullptr) {
      e->value = value;
    } else {
      Add(section, key, value);
    }
  }

  // The file as WritePrivateProfileString would leave it: sections in first-seen order.
  std::string Text() const {
    std::string out;
    std::vector<std::string> sections;
    for (const Entry& e : entries_) {
      bool seen = false;
      for (const std::string& s : sections) seen = seen || Same(s, e.section);
      if (!seen) sections.push_back(e.section);
    }
    for (const std::string& s : sections) {
      out += "[" + s + "]\r\n";
      for (const Entry& e : entries_) {
        if (Same(e.section, s)) out += e.key + "=" + e.value + "\r\n";
      }
    }
    return out;
  }

 private:
  static bool Same(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i]))) {
        return false;
      }
    }
    return true;
  }

  static std::string Trim(const char* begin, const char* end) {
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    return std::string(begin, end);
  }

  static std::string IndexKey(const std::string& section, const std::string& key) {
    std::string k = section + '\n' + key;
    for (char& c : k) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return k;
  }

  const Entry* Find(const std::string& section, const std::string& key) const {
    auto it = index_.find(IndexKey(section, key));
    return it == index_.end() ? nullptr : &entries_[it->second];
  }

  void Add(const std::string& section, const std::string& key, const std::string& value) {
    index_.emplace(IndexKey(section, key), entries_.size());
    entries_.push_back(Entry{section, key, value});
  }
  Entry* Find(const std::string& section, const std::string& key) {
    return const_cast<Entry*>(static_cast<const MemoryProfile*>(this)->Find(section, key));
  }

  void Parse(const char* data, size_t size) {
    std::string section;
    bool inSection = false;
    std::vector<std::string> seenSections;
    size_t at = 0;
    while (at < size) {
      size_t end = at;
      while (end < size && data[end] != '\n') ++end;
      size_t lineEnd = end;
      if (lineEnd > at && data[lineEnd - 1] == '\r') --lineEnd;
      std::string line = Trim(data + at, data + lineEnd);
      at = end + 1;
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        size_t close = line.find(']');
        std::string name = close == std::string::npos ? line.substr(1) : line.substr(1, close - 1);
        section = Trim(name.data(), name.data() + name.size());
        std::string folded = IndexKey(section, "");
        inSection = true;
        for (const std::string& seen : seenSections) inSection = inSection && seen != folded;
        seenSections.push_back(folded);
        continue;
      }
      if (!inSection) continue;
      size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      std::string key = Trim(line.data(), line.data() + equals);
      std::string value = Trim(line.data() + equals + 1, line.data() + line.size());
      if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
          value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
      }
      if (Find(section, key) == nullptr) Add(section, key, value);
    }
  }

  static int ReadThunk(void* context, const char* section, const char* key, const char* fallback,
                       char* out, int capacity) {
    if (capacity <= 0) return 0;
    const Entry* e = static_cast<MemoryProfile*>(context)->Find(section, key);
    const char* value = e != nullptr ? e->value.c_str() : fallback;
    size_t length = e != nullptr ? e->value.size() : strlen(fallback);
    // A value with an embedded zero reads only up to it, as from a C string.
    length = strnlen(value, length);
    if (length > static_cast<size_t>(capacity - 1)) length = static_cast<size_t>(capacity - 1);
    memcpy(out, value, length);
    out[length] = '\0';
    return static_cast<int>(length);
  }

  static bool WriteThunk(void* context, const char* section, const char* key, const char* value) {
    MemoryProfile* self = static_cast<MemoryProfile*>(context);
    self->writeLog_.push_back(key);
    if (self->readOnly_) return false;
    self->Set(section, key, value);
    return true;
  }

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;
  std::vector<std::string> writeLog_;
  bool readOnly_ = false;
};
