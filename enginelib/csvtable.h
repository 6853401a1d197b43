#pragma once

/*
** One CSV file as a table: which of its columns are numeric, and appending
** a row.
**
** A column is numeric when it has at least one value and every non-empty
** value looks like a number (numbertext.h).  Finding that out reads the
** whole file, so the answer is kept per process for as long as the file's
** size and modification time stay the same.
**
** Appending takes an exclusive lock on the file itself (so concurrent
** appenders in any process take turns), cuts off a torn last line so the
** new row cannot merge with it, writes the row as one complete line with
** one write and flushes it to disk before returning.  Finding a torn line
** needs parsing (a torn quoted value may itself end in a line feed), so the
** first append of a process reads the file once; later ones read only
** what was added since, as long as the file is the same file.
*/

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quillon::enginelib {

class CsvTable
{
public:
    explicit CsvTable(std::string path) : m_path(std::move(path)) {}

    const std::string &path() const { return m_path; }

    // One flag per header field. Throws EngineError.
    std::vector<bool> numericColumns() const;

    // Appends values (one per header field, in field order). Throws EngineError.
    void append(const std::vector<std::string> &values) const;

    // The text of one CSV line (with the given line end) holding values.
    static std::string formatLine(const std::vector<std::string> &values, const char *lineEnd);

private:
    // The offset after the last complete line; headerOpen when the file is
    // field names without a line end; line gets the line number there.
    uint64_t completeEnd(const struct stat &st, bool &headerOpen, uint64_t &line) const;

    std::string m_path;
};

} // namespace quillon::enginelib
