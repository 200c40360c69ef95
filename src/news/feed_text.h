// Feed text as the bar and the list show it: markup and references resolved, white space
// collapsed, UTF-8 checked, cut to a field at a character boundary.
#pragma once

#include <cstddef>
#include <cstdint>

// How an element's text is meant: plain text, or HTML whose tags and entities are to be read.
// RSS titles and descriptions are HTML in practice (escaped tags are common); Atom says which.
enum class FeedTextKind { kPlain, kHtml };

// The display text of the `length` bytes at `text` into `out` (UTF-8, zero-terminated, at most
// outCapacity - 1 bytes): with kHtml, tags and comments removed (block-level tags leave a
// space, script and style lose their content) and HTML entities and character references
// decoded; every run of white space and control characters (no-break space included) made one
// space, none at either end; a byte that is not UTF-8, or a reference to no character, shown as
// '?'. Text that does not fit is cut before the first character that does not fit whole.
// Returns the length written; `complete`, when given, says whether all of the text fitted.
// `outCapacity` must be at least 1.
size_t CleanFeedText(const char* text, size_t length, FeedTextKind kind, char* out,
                     size_t outCapacity, bool* complete = nullptr);

// An element's content as it stands in a document (for the tolerant parser, which copies it
// raw) as its text: CDATA sections taken literally without their markers, and references
// outside them (XML's, HTML's named entities, numeric) decoded; tags are left for
// CleanFeedText. The result is never longer than the input; at most outCapacity - 1 bytes are
// written, zero-terminated. Returns the length written. `outCapacity` must be at least 1.
size_t DecodeXmlContent(const char* text, size_t length, char* out, size_t outCapacity);

// The length (1-4) of the well-formed UTF-8 sequence that starts text[0..length), with its code
// point in `codePoint`; 0 (codePoint untouched) when the bytes there do not start one: a stray
// or missing continuation byte, an overlong form, a surrogate or a value above U+10FFFF.
size_t DecodeUtf8(const char* text, size_t length, uint32_t* codePoint);

// Writes the UTF-8 form of `codePoint` into out[0..3] and returns its length; 0 (nothing
// written) for a surrogate or a value above U+10FFFF.
size_t EncodeUtf8(uint32_t codePoint, char* out);
