#include "platform/asciicase.h"

#include <algorithm>

namespace quillon::platform {

std::string foldAsciiCase(std::string_view text)
{
    std::string folded(text);
    for (char &c : folded)
        c = foldAscii(c);
    return folded;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}

int compareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int d = int(static_cast<unsigned char>(foldAscii(a[i]))) -
                      int(static_cast<unsigned char>(foldAscii(b[i])));
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace quillon::platform
