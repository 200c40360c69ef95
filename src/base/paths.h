// Splitting paths into their parts, and the file-dialog filter, over ANSI (double-byte) text.
#pragma once

constexpr int kPathPartsCapacity = 260;
constexpr int kDriveCapacity = 3;

// A full path and its parts, each NUL-terminated. The parts have room for any part of a path
// shorter than 260 bytes, so none is ever cut short.
struct PathParts {
  char full[kPathPartsCapacity];
  char drive[kDriveCapacity];         // "C:" or empty
  char dir[kPathPartsCapacity];       // folder with leading and trailing backslash
  char name[kPathPartsCapacity];      // file name without extension
  char ext[kPathPartsCapacity];       // extension with its dot, or empty
  char folder[kPathPartsCapacity];    // drive and dir
  char fileName[kPathPartsCapacity];  // name and ext
};

// Tells whether a byte starts a double-byte character in the ANSI code page. A backslash, colon,
// dot or "|" byte that follows a lead byte is the second half of a character, not a separator
// (in Shift-JIS, for example, "表" is 0x95 0x5C).
using LeadByteTest = bool (*)(unsigned char byte);

// Whether `byte` can be the second byte of a double-byte character in Shift-JIS (code page 932).
inline bool IsSjisTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Splits an already full path the way the run-time library's path splitter does: drive when the
// second byte is a colon, dir up to the last "\" or "/", ext from the last dot of the rest.
// Fails, leaving *parts alone, for a path of 260 bytes or more.
bool SplitFullPath(const char* full, PathParts* parts, LeadByteTest isLeadByte);

// Reduces the text in place to what follows its last backslash, or else its last colon.
void ReduceToFileName(char* path, LeadByteTest isLeadByte);

// Whether a file name holds a character no file name may have (< > : " / \ | ? * or a control
// character); the second byte of a double-byte character is not one.
bool HasReservedCharacter(const char* name, LeadByteTest isLeadByte);

// Turns a filter written as "description|pattern|...|" into the dialog's list of
// zero-terminated strings ended by an empty one. The list always gets its closing zeros, also
// when the last "|" is missing. Fails, leaving `out` alone, when it does not fit.
bool FilterToList(const char* filter, char* out, int capacity, LeadByteTest isLeadByte);

// `path` with the extension of its last component replaced by `ext` (".cfg"), or `ext`
// appended when it has none. Fails, leaving `out` alone, when the result does not fit.
bool ReplaceExtension(const char* path, const char* ext, char* out, int capacity,
                      LeadByteTest isLeadByte);
