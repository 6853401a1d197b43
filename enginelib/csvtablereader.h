#pragma once

/*
** Reads a CSV table: the first record is the header (the field names), the
** following records are rows that must have exactly as many fields.  Blank
** lines are skipped when the table has more than one field (a blank line
** cannot be a row of several fields, and files often end with one).
**
** The last line, header or row, may lack its line end.  Errors name the
** file and line: an empty or repeated field name, a row with the wrong
** number of fields, and what CsvReader rejects.
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
    // Reads rows of fields fields from a line start at offset on, without
    // a header (the rest of a file another reader has the top of).
    CsvTableReader(const std::string &path, size_t fields, uint64_t offset);

    const std::vector<std::string> &header() const { return m_header; }

    // The next row, with header().size() fields. False at the end.
    bool next(std::vector<std::string> &row);

    // Back to the first row.
    void rewind() { m_reader->seek(m_dataOffset, m_dataLine); }
    // To a row start seen before (recordOffset(), recordLine()).
    void seek(uint64_t offset, uint64_t line) { m_reader->seek(offset, line); }
    uint64_t recordOffset() const { return m_reader->recordOffset(); } // where the last row began
    uint64_t recordLine() const { return m_reader->recordLine(); }

    // Whether the last line read has no line end, and the file's line end.
    bool missingLineEnd() const { return m_reader->missingLineEnd(); }
    const char *lineEnd() const { return m_reader->lineEnd(); }
    uint64_t line() const { return m_reader->line(); }
    uint64_t position() const { return m_reader->position(); } // just after the last row read

private:
    void readHeader();

    std::unique_ptr<CsvReader> m_reader;
    std::vector<std::string> m_header;
    uint64_t m_dataOffset = 0;
    uint64_t m_dataLine = 1;
};

} // namespace quillon::enginelib
