#pragma once

/*
** The wizard's record holds 8-bit text; its controls hold QStrings. Text
** that is valid UTF-8 is shown as UTF-8, anything else as Windows-1252 (a
** project written on Windows in an ANSI code page). The five bytes that
** Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) show as the
** C1 control characters of the same number, so every byte string has a
** display text and encoding it back in the same encoding gives the same
** bytes.
**
** A control remembers which encoding its text was decoded with, and text
** the user typed is encoded back in that encoding when every character of
** it is representable there, else as UTF-8.
*/

#include "platform/windows1252.h"

#include <QString>

#include <string>
#include <string_view>

namespace quillon::wizard {

enum class TextEncoding { Utf8, Windows1252 };

struct DecodedText
{
    QString text;
    TextEncoding encoding;
};

using platform::isValidUtf8;

DecodedText decodeAnsi(std::string_view bytes);

// The text as shown, whatever encoding it came in.
inline QString displayText(std::string_view bytes)
{
    return decodeAnsi(bytes).text;
}

// Encodes text in the given encoding; Windows-1252 falls back to UTF-8
// when a character has no byte there.
std::string encodeAnsi(const QString &text, TextEncoding encoding);

} // namespace quillon::wizard
