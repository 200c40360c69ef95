// The brand table and the catalogue document parser: plain byte searches, no XML parsing.
#include "skin/catalogue.h"

#include <cstring>
#include <mutex>

BrandRecord BrandTable[kBrandCount];

namespace {

// What other threads read: the clock thread reloading a skin may be at work while the UI thread
// rebuilds BrandTable after a download, so it copies from a table that changes only whole.
std::mutex publishedLock;
BrandRecord publishedTable[kBrandCount];  // under publishedLock
char skinFolder[kSkinFolderCapacity] = "";  // written under publishedLock, by the UI thread only

constexpr size_t kTagNameMax = 32;
constexpr size_t kStemMax = 27;  // leaves room for ".kpz" in a 31-byte field
constexpr const char kImageSuffix[] = ".kpz";

// Shift-JIS lead bytes; the table's texts are never cut between a lead and its trail byte.
bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Copies as many whole characters of `text` as fit `capacity` - 1 bytes.
void CopyText(char* out, size_t capacity, const char* text) {
  size_t at = 0;
  while (text[at] != '\0') {
    const size_t width = (IsLeadByte(static_cast<uint8_t>(text[at])) && text[at + 1] != '\0') ? 2 : 1;
    if (at + width > capacity - 1) break;
    at += width;
  }
  memcpy(out, text, at);
  out[at] = '\0';
}

// The leading decimal digits of `text` after blanks, as C's conversion reads them; values above
// `limit` come out as limit + 1 so that no digit run can overflow.
int DecimalValue(const char* text, int limit) {
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
  int value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > limit) return limit + 1;
  }
  return value;
}

// One image field: the stem as found (empty when missing) with ".kpz" appended. False when the
// stem would not leave room for the ending.
bool ImageField(const char* skinContent, const char* name, char* field, char* scratch) {
  ExtractElement(skinContent, name, scratch, kElementCapacity);
  const size_t length = strlen(scratch);
  if (length > kStemMax) return false;
  memcpy(field, scratch, length);
  memcpy(field + length, kImageSuffix, sizeof kImageSuffix);
  return true;
}

// Fills `skin` from one `skin` element's content; false (record untouched) when a stem is too
// long to name an image.
bool ReadSkin(const char* skinContent, uint8_t source, const char* package, SkinRecord* skin) {
  static_assert(sizeof(SkinRecord::file) == kStemMax + sizeof kImageSuffix, "stem room");
  char scratch[kElementCapacity];
  SkinRecord record;
  memset(&record, 0, sizeof record);
  if (!ImageField(skinContent, "file", record.file, scratch) ||
      !ImageField(skinContent, "rss", record.rss, scratch) ||
      !ImageField(skinContent, "moji", record.moji, scratch)) {
    return false;
  }
  ExtractElement(skinContent, "comment", scratch, sizeof scratch);
  CopyText(record.comment, sizeof record.comment, scratch);
  ExtractElement(skinContent, "name", scratch, sizeof scratch);
  CopyText(record.name, sizeof record.name, scratch);
  record.source = source;
  memcpy(record.package, package, strlen(package) + 1);
  *skin = record;
  return true;
}

}  // namespace

void ResetCatalogue() {
  for (BrandRecord& brand : BrandTable) {
    brand.title[0] = '\0';
    brand.skinCount = 0;
  }
}

void PublishCatalogue() {
  std::lock_guard<std::mutex> hold(publishedLock);
  memcpy(publishedTable, BrandTable, sizeof publishedTable);
}

bool CopyPublishedSkin(int brand, int chara, SkinRecord* out) {
  if (brand < 0 || brand >= kBrandCount || chara < 0 || chara >= kSkinsPerBrand) return false;
  std::lock_guard<std::mutex> hold(publishedLock);
  if (chara >= publishedTable[brand].skinCount) return false;
  *out = publishedTable[brand].skins[chara];
  return true;
}

bool SetSkinFolder(const char* folder) {
  const size_t length = strlen(folder);
  std::lock_guard<std::mutex> hold(publishedLock);
  if (length >= sizeof skinFolder) {
    skinFolder[0] = '\0';
    return false;
  }
  memcpy(skinFolder, folder, length + 1);
  return true;
}

const char* SkinFolder() { return skinFolder; }

bool SkinPackagePath(const char* package, char* out, size_t capacity) {
  if (package == nullptr || capacity == 0) return false;
  const size_t nameLength = strlen(package);
  std::lock_guard<std::mutex> hold(publishedLock);
  const size_t folderLength = strlen(skinFolder);
  if (folderLength == 0 || folderLength + nameLength + 1 > capacity ||
      folderLength + nameLength + 1 > kSkinFolderCapacity) {
    return false;
  }
  memcpy(out, skinFolder, folderLength);
  memcpy(out + folderLength, package, nameLength + 1);
  return true;
}

namespace {

enum class Extracted { kFound, kMissing, kTooLong };

// ExtractElement with the reason for nothing: `*after` is set past the closing tag both when
// the content was copied and when it did not fit, so a caller can step over an oversized one.
Extracted ExtractInto(const char* text, const char* name, char* out, size_t outCapacity,
                      const char** after) {
  if (outCapacity > 0) out[0] = '\0';
  const size_t nameLength = strlen(name);
  if (outCapacity == 0 || nameLength == 0 || nameLength > kTagNameMax) return Extracted::kMissing;
  char opening[kTagNameMax + 2];
  char closing[kTagNameMax + 4];
  opening[0] = '<';
  memcpy(opening + 1, name, nameLength + 1);
  closing[0] = '<';
  closing[1] = '/';
  memcpy(closing + 2, name, nameLength);
  closing[nameLength + 2] = '>';
  closing[nameLength + 3] = '\0';

  const char* open = strstr(text, opening);
  if (open == nullptr) return Extracted::kMissing;
  const char* end = strchr(open, '>');
  if (end == nullptr) return Extracted::kMissing;
  const char* content = end + 1;
  // Searched from the start of the text, as the documents were always read: a closing tag
  // ahead of the opening one means there is no element.
  const char* close = strstr(text, closing);
  if (close == nullptr || close < content) return Extracted::kMissing;
  *after = close + nameLength + 3;
  const size_t length = static_cast<size_t>(close - content);
  if (length > outCapacity - 1) return Extracted::kTooLong;
  memcpy(out, content, length);
  out[length] = '\0';
  return Extracted::kFound;
}

}  // namespace

const char* ExtractElement(const char* text, const char* name, char* out, size_t outCapacity) {
  const char* after = nullptr;
  return ExtractInto(text, name, out, outCapacity, &after) == Extracted::kFound ? after : nullptr;
}

bool ParseCatalogue(const char* document, uint8_t source, const char* package) {
  if (strlen(package) >= sizeof(SkinRecord::package)) return false;
  char brandContent[kElementCapacity];
  char scratch[kElementCapacity];
  ExtractElement(document, "code", scratch, sizeof scratch);
  const int code = DecimalValue(scratch, kBrandCount);
  if (code < 1 || code > kBrandCount) return false;
  const char* after = nullptr;
  // A brand content that does not fit is refused whole rather than cut inside a skin.
  if (ExtractInto(document, "brand", brandContent, sizeof brandContent, &after) ==
      Extracted::kTooLong) {
    return false;
  }
  BrandRecord& brand = BrandTable[code - 1];
  const char* at = ExtractElement(brandContent, "title", scratch, sizeof scratch);
  CopyText(brand.title, sizeof brand.title, scratch);
  if (at == nullptr) return true;
  char skinContent[kElementCapacity];
  while (brand.skinCount < kSkinsPerBrand) {
    const Extracted found = ExtractInto(at, "skin", skinContent, sizeof skinContent, &after);
    if (found == Extracted::kMissing) break;
    at = after;
    // A skin whose stems cannot name an image is skipped; the ones after it still count.
    if (found == Extracted::kFound &&
        ReadSkin(skinContent, source, package, &brand.skins[brand.skinCount])) {
      ++brand.skinCount;
    }
  }
  return true;
}
