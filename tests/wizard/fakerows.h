#pragma once

// A query result made up by the tests: rows "r<row>c<column>", an optional
// failure at a given row, and a hook run before each fetch.

#include "wizard/queryrows.h"

#include <functional>
#include <stdexcept>

namespace quillon::wizard::test {

class FakeRows : public QueryRows
{
public:
    FakeRows(std::size_t rows, std::vector<std::string> columns = {"ID", "NAME"})
        : m_rows(rows)
        , m_columns(std::move(columns))
    {}

    std::vector<std::string> columns() const override { return m_columns; }

    std::size_t fetch(std::size_t max, std::vector<std::vector<std::string>> &out) override
    {
        ++m_fetches;
        if (m_beforeFetch)
            m_beforeFetch(m_fetches);
        std::size_t appended = 0;
        for (; appended < max && m_delivered < m_rows; ++appended, ++m_delivered) {
            if (m_delivered == m_failAt)
                throw std::runtime_error(m_failure);
            out.push_back(row(m_delivered));
        }
        return appended;
    }

    virtual std::vector<std::string> row(std::size_t r) const
    {
        std::vector<std::string> cells;
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            cells.push_back("r" + std::to_string(r) + "c" + std::to_string(c));
        return cells;
    }

    void failAt(std::size_t row, std::string message)
    {
        m_failAt = row;
        m_failure = std::move(message);
    }
    void beforeFetch(std::function<void(std::size_t fetches)> hook) { m_beforeFetch = std::move(hook); }
    std::size_t delivered() const { return m_delivered; }

private:
    std::size_t m_rows;
    std::vector<std::string> m_columns;
    std::size_t m_delivered = 0;
    std::size_t m_fetches = 0;
    std::size_t m_failAt = SIZE_MAX;
    std::string m_failure;
    std::function<void(std::size_t)> m_beforeFetch;
};

} // namespace quillon::wizard::test
