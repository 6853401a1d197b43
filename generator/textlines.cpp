#include "generator/textlines.h"

namespace quillon::generator {

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool isBlankLine(std::string_view line)
{
    for (const char c : line)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

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
