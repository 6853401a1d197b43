#include "project/mapping.h"

#include <algorithm>

namespace quillon {

MappingEntry splitMapping(std::string_view entry)
{
    const auto eq = entry.find('=');
    if (eq == std::string_view::npos)
        return {entry, {}};
    return {entry.substr(0, eq), entry.substr(eq + 1)};
}

int compareNoCase(std::string_view a, std::string_view b)
{
    const auto fold = [](char c) -> unsigned char {
        const auto u = static_cast<unsigned char>(c);
        return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int d = int(fold(a[i])) - int(fold(b[i]));
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::size_t sortedInsert(StringList &list, std::string entry)
{
    const auto at = std::upper_bound(list.begin(), list.end(), entry,
                                     [](const std::string &x, const std::string &y) {
                                         return compareNoCase(x, y) < 0;
                                     });
    const auto index = static_cast<std::size_t>(at - list.begin());
    list.insert(at, std::move(entry));
    return index;
}

} // namespace quillon
