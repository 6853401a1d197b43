#pragma once

/*
** Engine answers that come as a count and an item per index (name lists,
** a cursor's column names), copied into strings.
*/

#include "enginelib/quillondbi.h"

#include <functional>
#include <string>
#include <vector>

namespace quillon::engine {

// Asks count() for the number of names, then item(i, &name) for each one.
// Throws EngineError naming context.
std::vector<std::string> readNames(const std::function<DBIResult(uint32_t *)> &count,
                                   const std::function<DBIResult(uint32_t, const char **)> &item,
                                   const std::string &context);

// Copies an engine name list and frees it, also on failure.
std::vector<std::string> takeNameList(hDBIList list, const std::string &context);

} // namespace quillon::engine
