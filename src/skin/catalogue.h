// The brand and skin catalogue: the brand table, the tag extractor and the document parser.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kBrandCount = 12;
constexpr int kSkinsPerBrand = 32;
// Content of a `brand` or `skin` element, and so every extracted text, fits this work buffer.
constexpr size_t kElementCapacity = 8192;

constexpr uint8_t kSkinFromResources = 0;
constexpr uint8_t kSkinFromPackage = 1;

struct SkinRecord {
  char comment[256];
  char name[128];
  char file[32];
  char rss[32];
  char moji[32];
  uint8_t source;
  char package[32];
};

struct BrandRecord {
  char title[64];  // empty: the brand is not listed
  int skinCount;
  SkinRecord skins[kSkinsPerBrand];
};

extern BrandRecord BrandTable[kBrandCount];

// Empties every brand: titles cleared, no skins.
void ResetCatalogue();

// Finds `<name` (a prefix match) in the zero-terminated `text`, then the first '>' after it and
// the first `</name>` searched from the start of `text`, and copies the bytes between into
// `out` with a zero byte. Returns the position just after the closing tag. Returns null, with
// `out` emptied, when a piece is missing, when the closing tag lies before the content, or when
// the content does not fit `outCapacity` - 1 bytes.
const char* ExtractElement(const char* text, const char* name, char* out, size_t outCapacity);

// Adds one zero-terminated catalogue document to BrandTable. Skins are appended to the brand its
// `code` names, with `source` and `package` (up to 31 bytes) copied into each. Texts longer than
// their fields are cut at a character boundary; a skin whose image stem is over 27 bytes is
// skipped, and skins past the 32nd are ignored. False, with the table untouched, for a code
// outside 1-12, a `brand` content that does not fit the work buffer or a package name that does
// not fit its field.
bool ParseCatalogue(const char* document, uint8_t source, const char* package);
