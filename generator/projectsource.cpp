#include "generator/projectsource.h"

#include "generator/sourcegenerator.h"
#include "platform/asciicase.h"

#include <filesystem>
#include <fstream>

namespace quillon::generator {

namespace {

bool isWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The most of an existing file read to find its first word: comments
// longer than this before it make the file count as no project source.
constexpr std::size_t kHeadSize = 1 << 20;

} // namespace

bool isPascalProjectSource(std::string_view s)
{
    if (s.starts_with("\xEF\xBB\xBF"))
        s.remove_prefix(3);
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (static_cast<unsigned char>(c) <= ' ') {
            ++i;
        } else if (c == '{') {
            const std::size_t end = s.find('}', i + 1);
            if (end == std::string_view::npos)
                return false;
            i = end + 1;
        } else if (s.substr(i, 2) == "(*") {
            const std::size_t end = s.find("*)", i + 2);
            if (end == std::string_view::npos)
                return false;
            i = end + 2;
        } else if (s.substr(i, 2) == "//") {
            const std::size_t end = s.find_first_of("\r\n", i + 2);
            i = end == std::string_view::npos ? s.size() : end;
        } else {
            break;
        }
    }
    std::size_t end = i;
    while (end < s.size() && isWordChar(s[end]))
        ++end;
    const std::string_view word = s.substr(i, end - i);
    return platform::equalsNoCase(word, "library") || platform::equalsNoCase(word, "program");
}

void requireReplaceableSource(const std::string &path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return;
    std::ifstream in(path, std::ios::binary);
    std::string head(kHeadSize, '\0');
    if (in)
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (!in.is_open() || in.bad())
        throw GenerationError(path + ": unable to read the existing file to see whether it may be "
                                     "replaced; nothing was written",
                              path);
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (!isPascalProjectSource(head))
        throw GenerationError(path + " is not a Pascal project source (its first word is not "
                                     "library or program); it was left as it is and nothing was written",
                              path);
}

} // namespace quillon::generator
