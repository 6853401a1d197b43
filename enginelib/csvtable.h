#pragma once

/*
** One CSV file as a table: which of its columns are numeric, and appending
** a row.
**
** A column is numeric when it has at least one value and every non-empty
** value looks like a number (numbertext.h).  Finding that out reads the
** whole file, so the answer is kept per process for as long as the file's
** size and modification time stay the same.  A reader that goes through
** the whole file anyway (a query's full scan) learns the answer on its way
** with CsvColumnKinds and leaves it here (rememberNumericColumns), so the
** file need not be read a second time to learn it.
**
** Appending takes an exclusive lock on the file itself (so concurrent
** appenders in any process take turns), adds the line break a last line
** without one lacks so the new row cannot merge with it, writes the row as
** one complete line with one write and flushes it to disk before
** returning.  Nothing already in the file is ever cut: a file that ends
** inside a quoted value that is never closed is refused with the reader's
** error, naming the line.  Knowing how the file ends needs parsing (a
** quoted value may itself end in a line feed), so the first append of a
** process reads the file once; later ones read only what was added since,
** as long as the file is the same file.
*/

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quillon::enginelib {

// Which columns hold only numbers, as far as the rows taken tell.
class CsvColumnKinds
{
public:
    explicit CsvColumnKinds(size_t columns) : m_numeric(columns, true), m_seen(columns, false) {}
    // Takes one row (one value per column); true if a column that held only
    // numbers so far has just met a value that is not one.
    bool take(const std::vector<std::string> &row);
    void merge(const CsvColumnKinds &other);
    // The answer for the rows taken: numeric, and not empty throughout.
    std::vector<bool> numeric() const;
    // Whether column i may still turn out numeric.
    bool mayBeNumeric(size_t i) const { return m_numeric[i]; }

private:
    std::vector<bool> m_numeric, m_seen;
};

class CsvTable
{
public:
    explicit CsvTable(std::string path) : m_path(std::move(path)) {}

    const std::string &path() const { return m_path; }

    // One flag per header field. Throws EngineError.
    std::vector<bool> numericColumns() const;
    // The flags if they are known for the file as it is now, without reading it.
    std::optional<std::vector<bool>> knownNumericColumns() const;
    // The header and the numeric flags of one state of the file, from one
    // read: the flags known for the file as it stood while its header was
    // read, else a guess from at most guessRows rows read on by the same
    // reader (guessed is then true).  So the flags always have one entry
    // per header field, however the file changes meanwhile.
    struct Shape
    {
        std::vector<std::string> header;
        std::vector<bool> numeric;
        bool guessed = false;
    };
    Shape shape(size_t guessRows) const;
    // Keeps the flags learned by reading the whole file as it was at st,
    // unless the file has changed since st (then they may belong to neither).
    void rememberNumericColumns(const struct stat &st, const std::vector<bool> &numeric) const;

    // Appends values (one per header field, in field order). Throws EngineError.
    void append(const std::vector<std::string> &values) const;

    // The text of one CSV line (with the given line end) holding values.
    static std::string formatLine(const std::vector<std::string> &values, const char *lineEnd);

private:
    // How the file ends, read as far as this process has not read it yet.
    struct Ending
    {
        bool open;           // the last line has no line end
        const char *lineEnd; // the line end the file uses
        uint64_t line;       // the line number at the end
    };
    Ending ending(const struct stat &st) const;

    std::string m_path;
};

} // namespace quillon::enginelib
