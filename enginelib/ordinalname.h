#pragma once

/*
** Linux shared libraries export by name only, so an engine entry that the
** binding finds by ordinal N is exported under the name "DbiOrdinal_N".
** This header is the one place that knows the rule: the engine library uses
** the macro to name its exports, the binding the function to look them up.
*/

#define QDBI_ORDINAL_SYMBOL(n) DbiOrdinal_##n

#ifdef __cplusplus
#include <string>

namespace quillon::engine {

inline std::string ordinalSymbol(unsigned ordinal)
{
    return "DbiOrdinal_" + std::to_string(ordinal & 0xffffu);
}

} // namespace quillon::engine
#endif
