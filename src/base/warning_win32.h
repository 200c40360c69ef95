// Where a module's warning messages go: a message box in the program, a recorder in tests.
#pragma once

// Shows (or records) one warning text; the caller's module chooses owner, caption and icon.
using WarningSink = void (*)(const char* text);
