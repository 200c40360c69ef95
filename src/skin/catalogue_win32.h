// Building the brand and skin catalogue from the built-in documents and the skin folder.
#pragma once

#include <windows.h>

#include "skin/catalogue.h"

// Empties all twelve brands, then parses the built-in "XML" resources "TARVO", "PELLIN",
// "QUORRA", "VIMSY" and "MELDO" in that order (a missing one is skipped), scans the skin
// folder and publishes the table. False when a built-in document was missing; the table holds
// whatever was found. The UI thread's.
bool BuildCatalogue();

// The same with the built-in documents taken from `module`.
bool BuildCatalogueFrom(HMODULE module);

// Resolves the skin folder once, at start: `skinPath` taken from `baseFolder`, the folder the
// settings live in (SkinFolderPath), made a full path. Scans, package loads and downloads all use
// that path, whatever the current directory is. False, leaving no skin folder, when it cannot
// be made.
bool ResolveSkinFolder(const char* skinPath, const char* baseFolder);

// Adds the document of every "*.skn" package in the skin folder. False when the skin folder is
// missing or holds no package.
bool ScanSkinFolder();
