#pragma once

/*
** Windows-1252, the 8-bit code page our text is kept in, and the two
** conversions into it that reading a Windows text file needs.
**
** Bytes below 0x80 and from 0xA0 up are the code points of the same number;
** 0x80 to 0x9F hold the typographic characters of the code page. The five
** bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
** the C1 control characters of the same number and back, as Windows maps
** them, so every byte has a code point and every such code point its byte.
**
** A character the code page cannot hold becomes "?", one "?" per character
** (a UTF-16 surrogate pair is one character); so does a unit that is no
** character at all: an unpaired surrogate, or a byte that is not part of a
** well-formed UTF-8 sequence.
*/

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon::platform {

// The code point of a Windows-1252 byte.
char32_t windows1252CodePoint(unsigned char byte);

// The Windows-1252 byte of a code point; -1 when the code page lacks it.
int windows1252Byte(char32_t codePoint);

// UTF-16 text (no byte order mark) to Windows-1252. A final odd byte is
// dropped.
std::string utf16ToWindows1252(std::string_view bytes, bool bigEndian);

// One step through UTF-8 text: the sequence that begins at bytes[i] (i <
// bytes.size()). A well-formed one gives its code point and length; a
// malformed one gives valid false and the number of bytes that began it
// (at least 1), the bytes to pass over.
struct Utf8Step
{
    char32_t codePoint;
    std::size_t length;
    bool valid;
};
Utf8Step nextUtf8(std::string_view bytes, std::size_t i);

// Whether bytes are well-formed UTF-8 throughout.
bool isValidUtf8(std::string_view bytes);

// UTF-8 text (no byte order mark) to Windows-1252.
std::string utf8ToWindows1252(std::string_view bytes);

} // namespace quillon::platform
