#include "engine/namelist.h"

#include "engine/enginefunctions.h"
#include "engine/engineerror.h"

namespace quillon::engine {

std::vector<std::string> takeNameList(hDBIList list, const std::string &context)
{
    struct Owner
    {
        hDBIList list;
        ~Owner() { DbiListFree(list); }
    } owner{list};
    uint32_t count = 0;
    check(DbiListCount(list, &count), context);
    std::vector<std::string> names;
    names.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const char *name = nullptr;
        check(DbiListItem(list, i, &name), context);
        names.emplace_back(name ? name : "");
    }
    return names;
}

} // namespace quillon::engine
