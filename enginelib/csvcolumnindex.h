#pragma once

/*
** An equality index over one column of a CSV file: each value's key maps
** to the positions of the rows that hold it.  SQLite builds no automatic
** index on a virtual table, so without this a join of two CSV tables
** rescans the inner file once per outer row; with it, the inner side is a
** lookup.  The index is built in one pass when a statement first asks for
** it and is rebuilt when the file's size or time changes.
**
** Keys: "t" and the value's bytes in a text column; in a numeric column,
** "n" and the bytes of the value as a double, so "10", "10.0" and "1e1"
** meet.  Empty values of numeric columns (NULL in SQL) have no key.  Distinct large integers may share a double:
** the index may return extra rows, never miss one, and SQLite checks each
** row against the statement's condition anyway.
*/

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace quillon::enginelib {

class CsvColumnIndex
{
public:
    struct Position
    {
        uint64_t offset;
        uint64_t line;
    };

    // Reads the file at path; st is its state before reading. Throws EngineError.
    CsvColumnIndex(const std::string &path, const struct stat &st, size_t column, bool numeric);

    // Whether the file is still as it was when the index was built.
    bool isCurrent(const struct stat &st) const;

    // The rows whose value has key; empty when none.
    const std::vector<Position> &find(const std::string &key) const;

    static std::string numberKey(double value);
    static std::string textKey(std::string_view value) { return "t" + std::string(value); }
    // The key of a value read from the file; empty when it has none.
    static std::string keyOf(std::string_view value, bool numeric);

private:
    off_t m_size;
    struct timespec m_mtime;
    std::unordered_map<std::string, std::vector<Position>> m_rows;
};

} // namespace quillon::enginelib
