// An INI file parsed once, read and edited in memory and written back whole, keeping what it does
// not know (comments, blank lines, other sections and keys) where the user put it.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/paths.h"
#include "settings/profile.h"

// Keys are found as the private-profile calls find them: sections and keys compared without
// regard to ASCII case, blanks around names and values trimmed, one pair of matching quotes
// around a value removed, lines starting with ';' and lines outside any section ignored, only the
// first of sections with one name looked into, the first of keys with one name counting.
class IniFile {
 public:
  // `isLeadByte` keeps reads cut to a buffer from splitting a double-byte character; null reads
  // every byte as a character of its own.
  explicit IniFile(LeadByteTest isLeadByte = nullptr) : isLeadByte_(isLeadByte) {}

  // Replaces the contents with `size` bytes of INI text (any bytes; lines end in "\n" or "\r\n").
  void Parse(const char* data, size_t size);

  // Reads with the rules above and fallbacks as GetPrivateProfileStringA gives them; writes go
  // into memory and fail only for names or values that cannot be one line of the file.
  ProfileAccess Access();

  // The key's value with its quotes removed, or null when the key is not there.
  const std::string* Find(const char* section, const char* key) const;

  // Sets the key's value: on its own line when the key is there, else after the last key of
  // the section, else in a new section at the end. Fails, changing nothing, when the value holds
  // a line feed, or a name is empty, holds a line break or would read back as another name.
  bool Set(const char* section, const char* key, const char* value);

  // The section's keys as GetPrivateProfileSectionA gives them: "key=value" strings (values
  // trimmed, quotes kept), each ended by a zero, with one more zero after the last.
  std::string SectionStrings(const char* section) const;

  // The whole file: its lines in order, each ended by "\r\n", behind the UTF-8 byte-order mark
  // when the parsed text had one.
  std::string Text() const;

 private:
  struct Line {
    std::string text;  // as in the file, without its line end
    bool isKey = false;
    size_t keyAt = 0, keyLength = 0;      // the trimmed name
    size_t valueAt = 0, valueLength = 0;  // the trimmed value, quotes kept
    std::string value;                    // the value as read: its quotes removed
  };

  static std::string Fold(const std::string& text);
  static void Classify(Line* line, bool* isSection, std::string* sectionName);
  void Index();

  LeadByteTest isLeadByte_;
  bool byteOrderMark_ = false;
  std::vector<Line> lines_;
  // Folded "section\nkey" to the line of the key that counts.
  std::unordered_map<std::string, size_t> keys_;
  // The first section of each folded name: its header's line, and its last line that is the
  // header or a key, after which a new key of the section goes.
  struct SectionSpan {
    size_t head;
    size_t end;
  };
  std::unordered_map<std::string, SectionSpan> sections_;
};
