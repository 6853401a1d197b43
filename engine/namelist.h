#pragma once

/*
** Copies an engine name list into strings and frees it, also on failure.
*/

#include "enginelib/quillondbi.h"

#include <string>
#include <vector>

namespace quillon::engine {

// Takes ownership of list. Throws EngineError naming context.
std::vector<std::string> takeNameList(hDBIList list, const std::string &context);

} // namespace quillon::engine
