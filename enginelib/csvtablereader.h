#pragma once

/*
** Reads a CSV table: the first record is the header (the field names), the
** following records are rows that must have exactly as many fields.  Blank
** lines are skipped when the table has more than one field (a blank line
** cannot be a row of several fields, and files often end with one).
**
** The header may lack its line end (a file holding only field names); for
** rows a missing last line end means a torn append, and that line is not
** returned.  Errors name the file and line: an empty or repeated field
** name, a row with the wrong number of fields, and what CsvReader rejects.
*/

#include "enginelib/csvreader.h"

#include <memory>
#include <string>
#include <vector>

namespace quillon::enginelib {

class CsvTableReader
{
public:
    explicit CsvTableReader(const std::string &path);
    CsvTableReader(std::string_view data, std::string name); // reads a copy of data

    const std::vector<std::string> &header() const { return m_header; }

    // The next row, with header().size() fields. False at the end.
    bool next(std::vector<std::string> &row);

    // Back to the first row.
    void rewind() { m_reader->seek(m_dataOffset, m_dataLine); }
    // To a row start seen before (recordOffset(), recordLine()).
    void seek(uint64_t offset, uint64_t line) { m_reader->seek(offset, line); }
    uint64_t recordOffset() const { return m_reader->recordOffset(); } // where the last row began
    uint64_t recordLine() const { return m_reader->recordLine(); }

    // Where the rows end: the offset after the last complete line (or the
    // header).  Meaningful once next() has returned false.
    uint64_t completeEnd() const { return m_completeEnd; }
    uint64_t completeLine() const { return m_completeLine; } // the line number there
    bool tornTail() const { return m_reader->tornTail(); }
    bool headerTerminated() const { return m_headerTerminated; }

private:
    void readHeader();

    std::unique_ptr<CsvReader> m_reader;
    std::vector<std::string> m_header;
    uint64_t m_dataOffset = 0;
    uint64_t m_dataLine = 1;
    uint64_t m_completeEnd = 0;
    uint64_t m_completeLine = 1;
    bool m_headerTerminated = true;
};

} // namespace quillon::enginelib
