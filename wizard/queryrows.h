#pragma once

/*
** The rows of an open query result, read forward in batches: what the
** query preview's grid fetches as it scrolls. cursorRows() reads an open
** engine cursor; tests give their own.
*/

#include <memory>
#include <string>
#include <vector>

namespace quillon::engine {
class Cursor;
}

namespace quillon::wizard {

class QueryRows
{
public:
    virtual ~QueryRows() = default;
    virtual std::vector<std::string> columns() const = 0;
    // Appends at most max further rows to out (one string per column, NULL
    // as the empty text) and returns how many; 0 at the end of the result.
    // Throws with the engine's own message.
    virtual std::size_t fetch(std::size_t max, std::vector<std::vector<std::string>> &out) = 0;
};

// The rows of an open engine cursor, from its first row on.
std::unique_ptr<QueryRows> cursorRows(engine::Cursor cursor);

} // namespace quillon::wizard
