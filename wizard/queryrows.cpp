#include "wizard/queryrows.h"

#include "engine/cursor.h"

namespace quillon::wizard {

namespace {

class CursorRows : public QueryRows
{
public:
    explicit CursorRows(engine::Cursor cursor)
        : m_cursor(std::move(cursor))
        , m_columns(m_cursor.columnNames())
    {
        m_cursor.first();
    }

    std::vector<std::string> columns() const override { return m_columns; }

    std::size_t fetch(std::size_t max, std::vector<std::vector<std::string>> &out) override
    {
        std::size_t n = 0;
        while (n < max && !m_cursor.eof()) {
            out.push_back(m_cursor.row());
            m_cursor.next();
            ++n;
        }
        return n;
    }

private:
    engine::Cursor m_cursor;
    std::vector<std::string> m_columns;
};

} // namespace

std::unique_ptr<QueryRows> cursorRows(engine::Cursor cursor)
{
    return std::make_unique<CursorRows>(std::move(cursor));
}

} // namespace quillon::wizard
