// Skin offers in feed items: the offer rule, the checks on the offered file name and on links,
// the target path in the skin folder, and the download's course from answer to saved file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/http.h"
#include "base/paths.h"

// Longest whole path of a saved package, in bytes.
constexpr size_t kSkinTargetMax = 259;
// Limits of one download: the body size and the longest wait for the next byte.
constexpr uint64_t kSkinDownloadMaxBytes = 16u * 1024 * 1024;
constexpr unsigned kSkinIdleLimitMs = 15000;

// Result codes of MSG_SKIN_UPDATE_RESULT.
constexpr int kSkinUpdated = 0;
constexpr int kSkinCatalogueFailed = 1;
constexpr int kSkinDownloadFailed = 2;

// An item's `extend` offers a skin when it starts with '[' and its third character is 's'.
bool IsSkinOffer(const char* extend);

// The offered file name: `extend` from its fifth character on. False (out empty) when `extend`
// is shorter than five characters or the name does not fit `capacity`.
bool OfferFileName(const char* extend, char* out, size_t capacity);

// Whether `name` is a plain package file name to save in the skin folder: ends in ".skn" with a
// stem, no folder or drive syntax ('\', '/', ':', ".."), no control character, wildcard or
// `"<>|`, no device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, CLOCK$) before
// its first dot, no trailing dot or blank, and every lead byte followed by a trail byte
// (0x40-0x7E or 0x80-0xFC). A trail byte is never taken for a separator.
bool IsPlainSkinName(const char* name, LeadByteTest isLeadByte);

// The skin folder as a path from the folder the settings live in: `skinPath` itself when it
// names its own root (a drive, a "\\server" share or a leading separator), else `baseFolder`, a
// separator and `skinPath` without its leading ".\" parts. The platform's full-path resolution
// then removes any ".." in it. False (out untouched) when a part is empty or it does not fit.
bool SkinFolderPath(const char* skinPath, const char* baseFolder, char* out, size_t capacity,
                    LeadByteTest isLeadByte);

// folder + '\' + name, at most kSkinTargetMax bytes; false (out untouched) when the name is not
// plain or the path is too long.
bool BuildSkinTarget(const char* folder, const char* name, char* out, size_t capacity,
                     LeadByteTest isLeadByte);

// Whether the shell may be asked to open `link`: "http://" or "https://" (either case) with a
// host, and no blank, quote or control character anywhere.
bool IsLaunchableLink(const char* link);

// Whether an offer's link can be downloaded: "http://" with a host and a path.
bool IsDownloadableLink(const char* link);

// The files a download touches, given by the caller (the platform on Windows, fakes in tests).
struct SkinDownloadFiles {
  void* context;
  bool (*create)(void* context, const char* path);  // create or truncate, for writing
  bool (*write)(void* context, const char* data, size_t size);
  bool (*close)(void* context);                      // false when the data was not kept
  bool (*isPackage)(void* context, const char* path);  // a whole package (IsWholePackage)
  bool (*replace)(void* context, const char* from, const char* to);
  void (*remove)(void* context, const char* path);
};

// Receives the next piece of the answer: > 0 bytes, 0 when the peer has closed, < 0 when the
// transport failed (*why says how).
using SkinReceive = int (*)(void* context, char* buffer, size_t capacity, HttpVerdict* why);

// How a download ended.
struct SkinDownloadOutcome {
  bool saved;
  HttpVerdict verdict;  // the answer's verdict (kOk when it was complete)
  bool notPackage;      // complete, but no package with a catalogue document
};

// Creates `temp`, writes the answer's body into it, and replaces `target` with it only when the
// answer was a complete 200 and the file is a package. `temp` is removed on every path, so
// `target` holds either its old bytes or the whole new package.
SkinDownloadOutcome RunSkinDownload(const SkinDownloadFiles& files, SkinReceive receive,
                                    void* receiveContext, const char* temp, const char* target);
