#pragma once

/*
** The lines of a multi-line field (QrToBrowse, OtherInfo) are the lines the
** user typed: the text is split at every CR LF, lone CR and lone LF, and a
** break at the very end does not start an empty last line, so the empty
** text has no lines and "a\r\n" has one. Lines are never split where a memo
** would wrap them, and have no length limit, so an SQL line keeps its spaces
** wherever they fall. The summary and the generator both read lines this way.
**
** A blank is a byte with a code up to 32 (space and the control characters);
** bytes above 127 are text. The wizard's checks and the generator's tidy-up
** both go by this rule.
*/

#include <string_view>
#include <vector>

namespace quillon {

// The lines of text, as views into it.
std::vector<std::string_view> splitTypedLines(std::string_view text);

constexpr bool isBlankByte(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// text without its blanks at both ends.
std::string_view trimBlanks(std::string_view text);

// Whether text holds nothing but blanks (the empty text does).
bool isBlankText(std::string_view text);

} // namespace quillon
