#include "generator/textlines.h"

namespace quillon::generator {

/*
** Removing, from the second-to-last line back to the first, every line that
** is blank and followed by a blank line is the same as keeping a blank line
** only when the line after it in the original list is not blank (or there is
** none): a removed successor was itself followed by a blank line. So one
** forward pass decides every line.
*/
std::string tidyLines(std::string_view text)
{
    const auto lines = splitLines(text);
    std::string out;
    out.reserve(text.size() + lines.size() + 2);
    bool blank = !lines.empty() && isBlankLine(lines[0]);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool nextBlank = i + 1 < lines.size() && isBlankLine(lines[i + 1]);
        if (!(blank && nextBlank)) {
            out += lines[i];
            out += kCrLf;
        }
        blank = nextBlank;
    }
    return out;
}

} // namespace quillon::generator
