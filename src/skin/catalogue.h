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

// The UI thread's table: built here (a rebuild empties it first), read by the skin dialog.
// Other threads never read it; they copy from what PublishCatalogue last published.
extern BrandRecord BrandTable[kBrandCount];

// The skin folder's full path with its trailing backslash fits this, zero byte included.
constexpr size_t kSkinFolderCapacity = 260;

// Empties every brand of BrandTable: titles cleared, no skins. Other threads still see the table
// last published.
void ResetCatalogue();

// Publishes BrandTable whole, under a short lock: a reader on another thread sees either the
// table before or this one, never one being rebuilt.
void PublishCatalogue();

// Any thread. Copies skin `chara` of brand `brand` (0-based) from the published table; false,
// with `out` untouched, when the table holds no such skin.
bool CopyPublishedSkin(int brand, int chara, SkinRecord* out);

// Stores the skin folder's full path (ending in a backslash), or empties it for "none"; the
// UI thread's. False, leaving no skin folder, when `folder` does not fit.
bool SetSkinFolder(const char* folder);

// The skin folder as last set, for the UI thread that sets it; empty when there is none.
const char* SkinFolder();

// Any thread. The full path of the package `package` (a bare name from the catalogue) in the
// skin folder. False, with `out` untouched, when there is no skin folder or the path does not
// fit `capacity` or kSkinFolderCapacity.
bool SkinPackagePath(const char* package, char* out, size_t capacity);

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
