// Character tables of HTML text: the named entities, and the windows-1252 characters that old
// feeds mean by the bytes and numeric references 0x80-0x9F.
#pragma once

#include <cstddef>
#include <cstdint>

// The code point of the HTML 4 entity (or "apos") spelt by the `length` bytes at `name`, without
// the '&' and ';'. Names are case-sensitive. False when no entity has that name.
bool LookupHtmlEntity(const char* name, size_t length, uint32_t* codePoint);

// The code point windows-1252 gives byte `byte`: the byte itself outside 0x80-0x9F; the five
// bytes the code page leaves undefined keep their C1 control code, as browsers do.
uint32_t Windows1252CodePoint(unsigned char byte);
