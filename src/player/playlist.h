// The play list: its entries, play order and current position, and the ".lst" key layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kMaxEntries = 10000;
constexpr int kEntryCapacity = 260;  // bytes per entry, terminator included

// Entries are slots 0 .. EntryCount - 1 in list order.
extern char PlayPaths[kMaxEntries][kEntryCapacity];
extern int EntryCount;
// Positions 0 .. EntryCount - 1 are a permutation of the entries; the identity unless shuffled.
extern int16_t PlayOrder[kMaxEntries];
// The current position in PlayOrder (in a ".lst" file: the current entry index).
extern int PlayNo;
// The entry marked as playing in the list view, -1 for none.
extern int NowPlaying;
// Set when the current entry was deleted: the entry that followed it took its place and has not
// been played, so the next step forward plays it instead of passing over it. Cleared by that
// step, by every play and by a loaded list.
extern bool StepOntoCurrent;
// "<program name>.lst" beside the program, loaded at start and saved at exit.
extern char DefaultListPath[kEntryCapacity];

extern const char kPlayListSection[];  // "PlayList"

// The entry at the current position. A PlayNo outside the entries (from a hand-edited file, or
// left past the end when the last entry was deleted) and an order slot that does not name an
// entry both give entry 0, so the result is always a slot a caller may read.
int CurrentEntry();

// The first position that plays `entry`; the entry itself when not shuffled. An entry that is
// not in the list gives position 0. Looks only at positions 0 .. EntryCount - 1.
int OrderPositionOf(int entry);

// Rebuilds PlayOrder: the identity, then with ShuffFlag a shuffle seeded from the millisecond
// tick. For each position j a position k = r * EntryCount / 32768 is drawn from the C runtime's
// rand() (r in 0..32767) and the two are swapped, so the result is always a permutation.
void BuildOrder();
void BuildOrderSeeded(unsigned seed);

// Whether a file extension (".MP3", with its dot) is one the list plays. Compared in lower case
// with ".mp3", ".wma", ".wav", ".avi", ".wmv", ".mpg" and ".mp4".
bool IsListKind(const char* ext);
// Whether an extension names a play-list file: ".lst" in any case.
bool IsPlayListExtension(const char* ext);

// Appends a path as a new entry. Fails when the list is full or the path is 260 bytes or longer.
bool AppendEntry(const char* path);

// Replaces the list with a "PlayList" section as GetPrivateProfileSectionA gives it: "key=value"
// strings, each ended by a zero, and an empty one after the last; nothing is read at or past
// `length`. Keys are taken as the key-by-key calls take them: in any case, with blanks around
// keys and values left out, one pair of quotes around a value removed, the first of two equal
// keys counting, and strings without '=' ignored. The list is the FILE%04d values from FILE0000
// up to the first missing or empty one or the 10000th entry. A value too long for an entry is
// skipped rather than cut to a wrong path. PlayNo comes from the "PlayNo" key as an entry index;
// a value that is not an entry of the loaded list becomes 0. The order is left as the identity,
// so that CurrentEntry() is that entry until BuildOrder. No row is starred afterwards
// (NowPlaying -1).
void LoadPlayListSection(const char* section, size_t length);

// The "PlayList" section as the profile calls take a whole section: "PlayNo=<CurrentEntry()>",
// then "FILE%04d=<path>" for every entry, each ended by a zero, and a closing zero. Returns the
// length including the closing zero, or 0 when `capacity` is too small (then `out` is untouched).
size_t BuildPlayListSection(char* out, size_t capacity);
// A capacity that always suffices for BuildPlayListSection.
size_t PlayListSectionCapacity();

// Replaces the list with the "PlayList" section of a ".lst" file's bytes, by the rules of
// LoadPlayListSection; bytes without that section give an empty list.
void LoadPlayListFile(const char* data, size_t size);

// The whole ".lst" file for the list: the "PlayList" section of BuildPlayListSection, one key a
// line, lines ended by CR LF.
std::string PlayListFileText();
