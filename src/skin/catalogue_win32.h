// Building the brand and skin catalogue from the built-in documents and the skin folder.
#pragma once

#include <windows.h>

// Empties all twelve brands, then parses the built-in "XML" resources "TARVO", "PELLIN",
// "QUORRA", "VIMSY" and "MELDO" in that order (a missing one is skipped) and scans the skin
// folder. False when a built-in document was missing; the table holds whatever was found.
bool BuildCatalogue();

// The same with the built-in documents taken from `module`.
bool BuildCatalogueFrom(HMODULE module);

// Makes the program's folder the current directory, then the skin folder (which stays current,
// so that packages are opened by their bare names), and adds the document of every "*.skn"
// package in it. False when the skin folder is missing or holds no package.
bool ScanSkinFolder();
