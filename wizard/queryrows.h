#pragma once

/*
** The rows of an open query result, read forward in batches: what the
** query preview shows, apart from any window. The real rows come from an
** engine cursor; tests give their own.
*/

#include "engine/cursor.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace quillon::wizard {

class QueryRows
{
public:
    virtual ~QueryRows() = default;
    virtual std::vector<std::string> columns() const = 0;
    // Appends at most max further rows to out (each row one string per
    // column, NULL as the empty text) and returns how many it appended; 0
    // at the end of the result. Throws (engine::EngineError for the real
    // engine) with the engine's own message; rows appended before the
    // failure stay in out.
    virtual std::size_t fetch(std::size_t max, std::vector<std::vector<std::string>> &out) = 0;
};

// The rows of an open engine cursor, from its first row on. The cursor's
// database (and the engine it was opened through) must outlive the result.
// Throws engine::EngineError when the cursor's columns cannot be read.
std::unique_ptr<QueryRows> cursorRows(engine::Cursor cursor);

} // namespace quillon::wizard
