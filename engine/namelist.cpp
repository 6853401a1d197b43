#include "engine/namelist.h"

#include "engine/enginefunctions.h"
#include "engine/engineerror.h"

namespace quillon::engine {

std::vector<std::string> readNames(const std::function<DBIResult(uint32_t *)> &count,
                                   const std::function<DBIResult(uint32_t, const char **)> &item,
                                   const std::string &context)
{
    uint32_t n = 0;
    check(count(&n), context);
    std::vector<std::string> names;
    names.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        const char *name = nullptr;
        check(item(i, &name), context);
        names.emplace_back(name ? name : "");
    }
    return names;
}

std::vector<std::string> takeNameList(hDBIList list, const std::string &context)
{
    struct Owner
    {
        hDBIList list;
        ~Owner() { DbiListFree(list); }
    } owner{list};
    return readNames([list](uint32_t *n) { return DbiListCount(list, n); },
                     [list](uint32_t i, const char **name) { return DbiListItem(list, i, name); }, context);
}

} // namespace quillon::engine
