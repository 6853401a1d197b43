#include "wizard/queryrows.h"

#include <utility>

namespace quillon::wizard {

namespace {

/*
** The cursor stands on the next row to deliver, or at end-of-data once
** every row has been delivered: moving next from the last row sets
** end-of-data and stays there, so each row is read exactly once.
*/
class CursorRows : public QueryRows
{
public:
    explicit CursorRows(engine::Cursor cursor)
        : m_cursor(std::move(cursor))
        , m_columns(m_cursor.columnNames())
    {}

    std::vector<std::string> columns() const override { return m_columns; }

    std::size_t fetch(std::size_t max, std::vector<std::vector<std::string>> &out) override
    {
        if (!m_started) {
            m_cursor.first();
            m_started = true;
        }
        std::size_t appended = 0;
        while (appended < max && !m_cursor.eof()) {
            out.push_back(m_cursor.row());
            ++appended;
            m_cursor.next();
        }
        return appended;
    }

private:
    engine::Cursor m_cursor;
    std::vector<std::string> m_columns;
    bool m_started = false; // the first fetch moves to the first row
};

} // namespace

std::unique_ptr<QueryRows> cursorRows(engine::Cursor cursor)
{
    return std::make_unique<CursorRows>(std::move(cursor));
}

} // namespace quillon::wizard
