// The catalogue built from the executable's "XML" resources and the packages in the skin folder.
#include "skin/catalogue_win32.h"

#include <cstdlib>
#include <cstring>

#include "base/paths_win32.h"
#include "base/test_hooks_win32.h"
#include "settings/settings.h"
#include "skin/catalogue.h"
#include "skin/package_win32.h"
#include "skin/skin_update.h"

namespace {

bool LeadByte(unsigned char c) { return IsAnsiLeadByte(c); }

const char* const kBuiltInDocuments[] = {"TARVO", "PELLIN", "QUORRA", "VIMSY", "MELDO"};

// Parses one built-in document; false when the module has no such resource.
bool ParseBuiltIn(HMODULE module, const char* name) {
  HRSRC found = FindResourceA(module, name, "XML");
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, found);
  if (data == nullptr) return false;
  // Resource data is not zero-terminated; the parser reads a string.
  char* text = static_cast<char*>(calloc(static_cast<size_t>(size) + 1, 1));
  if (text == nullptr) return false;
  memcpy(text, data, size);
  ParseCatalogue(text, kSkinFromResources, "");
  free(text);
  return true;
}

// FindFirstFileA also matches a pattern against 8.3 aliases, so "*.skn" can list "a.sknbak"
// on Windows; only names that really end in ".skn" are packages.
bool IsPackageName(const char* name) {
  const size_t length = strlen(name);
  return length > 4 && _stricmp(name + length - 4, ".skn") == 0;
}

}  // namespace

bool ResolveSkinFolder(const char* skinPath, const char* baseFolder) {
  SetSkinFolder("");
  char joined[MAX_PATH];
  char full[MAX_PATH];
  if (!SkinFolderPath(skinPath, baseFolder, joined, sizeof joined, LeadByte)) return false;
  const DWORD length = GetFullPathNameA(joined, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH - 1) return false;
  // Only a drive root ends in a backslash; CharPrevA keeps a double-byte character whose trail
  // byte is 0x5C from passing for one.
  const char* last = CharPrevA(full, full + length);
  if (!(last == full + length - 1 && (*last == '\\' || *last == '/'))) lstrcatA(full, "\\");
  return SetSkinFolder(full);
}

bool ScanSkinFolder() {
  const char* folder = SkinFolder();
  if (folder[0] == '\0') return false;
  const DWORD attributes = GetFileAttributesA(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  char pattern[MAX_PATH];
  if (!SkinPackagePath("*.skn", pattern, sizeof pattern)) return false;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    char path[MAX_PATH];
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsPackageName(found.cFileName) ||
        !SkinPackagePath(found.cFileName, path, sizeof path)) {
      continue;
    }
    // A name too long for the skin record could not be opened again later: it is skipped by
    // ParseCatalogue, which refuses package names that do not fit.
    PackageMember document{nullptr, 0};
    if (!ReadPackageMember(path, "*.xml", &document)) {
      TraceEvent("package %s has no catalogue document", found.cFileName);
      continue;
    }
    const bool parsed = ParseCatalogue(reinterpret_cast<const char*>(document.data), kSkinFromPackage,
                                       found.cFileName);
    TraceEvent("package %s %s", found.cFileName, parsed ? "added" : "refused");
    FreePackageMember(&document);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}

bool BuildCatalogueFrom(HMODULE module) {
  // Every brand starts empty, so a rebuild after a download lists each package's skins once.
  ResetCatalogue();
  bool allBuiltIn = true;
  for (const char* name : kBuiltInDocuments) {
    if (!ParseBuiltIn(module, name)) {
      TraceEvent("built-in catalogue %s missing", name);
      allBuiltIn = false;
    }
  }
  ScanSkinFolder();
  PublishCatalogue();
  return allBuiltIn;
}

bool BuildCatalogue() { return BuildCatalogueFrom(GetModuleHandleA(nullptr)); }
