// Building the brand and skin catalogue from the built-in documents and the skin folder.
#pragma once

#include <windows.h>

// Empties all twelve brands, then parses the built-in "XML" resources "TARVO", "PELLIN",
// "QUORRA", "VIMSY" and "MELDO" in that order (a missing one is skipped) and scans the skin
// folder. False when a built-in document was missing; the table holds whatever was found.
bool BuildCatalogue();

// The same with the built-in documents taken from `module`.
bool BuildCatalogueFrom(HMODULE module);

// Makes the program's folder the current directory, then the skin folder (which stays current),
// remembers the skin folder's full path, and adds the document of every "*.skn" package in it.
// False when the skin folder is missing or holds no package.
bool ScanSkinFolder();

// The full path of the package `package` (a bare name from the catalogue) in the skin folder as
// the last scan found it. Opening packages by full path keeps them working after anything (a
// file dialog, say) has changed the current directory. False, with `out` untouched, when no
// scan has found the folder or the path does not fit.
bool SkinPackagePath(const char* package, char* out, size_t capacity);
