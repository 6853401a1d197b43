#pragma once

/*
** Rows of a CSV table, read straight from the file as a stream: the
** columns are the header's field names and every value is text.
*/

#include "enginelib/csvtablereader.h"
#include "enginelib/rowsource.h"

namespace quillon::enginelib {

class CsvRowSource : public RowSource
{
public:
    explicit CsvRowSource(const std::string &path) : m_reader(path) {}

    const std::vector<std::string> &columns() const override { return m_reader.header(); }
    bool next(Row &row) override
    {
        if (!m_reader.next(row.values))
            return false;
        row.isNull.assign(row.values.size(), 0);
        return true;
    }
    void rewind() override { m_reader.rewind(); }

private:
    CsvTableReader m_reader;
};

} // namespace quillon::enginelib
