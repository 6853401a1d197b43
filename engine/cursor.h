#pragma once

/*
** A cursor on a table or a query result: its column names, the current
** row's fields as text, and moves to the first, prior, next and last row.
** Rows are fetched as they are asked for. Closes itself when destroyed.
*/

#include "enginelib/quillondbi.h"

#include <optional>
#include <string>
#include <vector>

namespace quillon::engine {

class Cursor
{
public:
    Cursor(hDBICur handle, std::string what); // takes ownership
    ~Cursor();
    Cursor(Cursor &&other) noexcept;
    Cursor &operator=(Cursor &&other) = delete;
    Cursor(const Cursor &) = delete;
    Cursor &operator=(const Cursor &) = delete;

    std::vector<std::string> columnNames() const;

    void first();
    void prior();
    void next();
    void last();
    bool eof() const;
    bool bof() const;

    // The field of the current row; nullopt for NULL.
    std::optional<std::string> field(std::size_t index) const;
    // Every field of the current row, NULL as the empty text.
    std::vector<std::string> row() const;

private:
    hDBICur m_handle;
    std::string m_what; // names the table or query in messages
};

} // namespace quillon::engine
