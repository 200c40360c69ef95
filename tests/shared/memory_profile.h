// An INI file held in memory through the program's own INI reader and writer, with a log of the
// keys written and a read-only switch, for tests and fuzzing.
#pragma once

#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/profile.h"

class MemoryProfile {
 public:
  MemoryProfile() = default;
  explicit MemoryProfile(const std::string& text) { file_.Parse(text.data(), text.size()); }
  MemoryProfile(const char* data, size_t size) { file_.Parse(data, size); }

  ProfileAccess Access() {
    return ProfileAccess{this, &MemoryProfile::ReadThunk, &MemoryProfile::WriteThunk};
  }

  // Later writes fail (and change nothing), as on a read-only file.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

  // Keys in the order they were written, including rewrites of one key.
  const std::vector<std::string>& WriteLog() const { return writeLog_; }
  void ClearWriteLog() { writeLog_.clear(); }

  bool Has(const std::string& section, const std::string& key) const {
    return file_.Find(section.c_str(), key.c_str()) != nullptr;
  }
  std::string Value(const std::string& section, const std::string& key) const {
    const std::string* value = file_.Find(section.c_str(), key.c_str());
    return value == nullptr ? std::string() : *value;
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    file_.Set(section.c_str(), key.c_str(), value.c_str());
  }
  std::string Text() const { return file_.Text(); }

 private:
  static int ReadThunk(void* context, const char* section, const char* key, const char* fallback,
                       char* out, int capacity) {
    ProfileAccess file = static_cast<MemoryProfile*>(context)->file_.Access();
    return file.Read(file.context, section, key, fallback, out, capacity);
  }

  static bool WriteThunk(void* context, const char* section, const char* key, const char* value) {
    MemoryProfile* self = static_cast<MemoryProfile*>(context);
    self->writeLog_.push_back(key);
    return !self->readOnly_ && self->file_.Set(section, key, value);
  }

  IniFile file_;
  std::vector<std::string> writeLog_;
  bool readOnly_ = false;
};
