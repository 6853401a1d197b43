#pragma once

/*
** A cursor on a table or a query result: its column names, the current
** row's fields as text, and moves to the first, prior, next and last row.
** Rows are fetched as they are asked for. Made only by a Database. Closes
** itself when destroyed. A moved-from Cursor fails every call with an
** EngineError.
*/

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon::engine {

struct CursorHandle;

class Cursor
{
public:
    ~Cursor();
    Cursor(Cursor &&other) noexcept;
    Cursor &operator=(Cursor &&other) noexcept;
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
    // The same without copies: take() gets the row's texts (valid until
    // the cursor moves) in one call into the engine.
    void readRow(const std::function<void(const char *const *texts, std::size_t count)> &take) const;

private:
    friend class Database;
    Cursor(std::unique_ptr<CursorHandle> handle, std::string what);
    const CursorHandle &handle() const;

    std::unique_ptr<CursorHandle> m_handle;
    std::string m_what; // names the table or query in messages
    mutable long m_columnCount = -1;          // learned by the first readRow
    mutable std::vector<const char *> m_texts; // the row readRow hands out
};

} // namespace quillon::engine
