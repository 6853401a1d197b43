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

#include <string>
#include <string_view>
#include <vector>

namespace quillon::generator {

inline constexpr std::string_view kCrLf = "\r\n";

// The lines of text, as views into it.
std::vector<std::string_view> splitLines(std::string_view text);

// A line is blank when nothing is left after removing its leading and
// trailing bytes with codes up to 32 (space and control characters). Bytes
// above 127 are text, not blanks.
bool isBlankLine(std::string_view line);

// Splits text into lines, shrinks every run of blank lines to its last line
// (which keeps its own spaces) and joins the lines with CR LF after each one,
// the last included.
std::string tidyLines(std::string_view text);

} // namespace quillon::generator
