#pragma once

/*
** Where a cursor's rows come from: a forward-only stream that can start
** over.  A cursor keeps only a window of rows and asks its source again
** when it moves back beyond it, so no source ever needs to hold all rows.
*/

#include <string>
#include <vector>

namespace quillon::enginelib {

struct Row
{
    std::vector<std::string> values;
    std::vector<char> isNull; // one flag per value
};

class RowSource
{
public:
    virtual ~RowSource() = default;
    virtual const std::vector<std::string> &columns() const = 0;
    // The next row; false after the last. Throws EngineError.
    virtual bool next(Row &row) = 0;
    // Starts over before the first row. Throws EngineError.
    virtual void rewind() = 0;
};

} // namespace quillon::enginelib
