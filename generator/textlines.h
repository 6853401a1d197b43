#pragma once

/*
** Line handling shared by the multi-line fields and the final tidy-up of the
** generated text.
**
** A line ends at CR LF, a lone CR or a lone LF; a text that ends with a line
** break has no empty line after it, so the empty text has no lines. These are
** the breaks the user typed: nothing is split at a display width and no line
** length is limited.
*/

#include "project/textlines.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillon::generator {

inline constexpr std::string_view kCrLf = "\r\n";

// The lines of text, as views into it: the lines the user typed.
inline constexpr auto &splitLines = splitTypedLines;

// A line is blank when it holds nothing but blanks (bytes with codes up to
// 32, isBlankByte); bytes above 127 are text.
inline constexpr auto &isBlankLine = isBlankText;

// Splits text into lines, shrinks every run of blank lines to its last line
// (which keeps its own spaces) and joins the lines with CR LF after each one,
// the last included.
std::string tidyLines(std::string_view text);

} // namespace quillon::generator
