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
