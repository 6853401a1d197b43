#pragma once

/*
** A database engine double for the wizard's tests: named aliases with
** tables and fields, SQL answered from a table of texts, a failure to
** raise on demand, and counts of what was opened.
*/

#include "wizard/databasehelp.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::wizard::test {

struct FakeState
{
    std::vector<std::string> aliases{"SHOP", "Archive"};
    std::map<std::string, std::vector<std::string>> tables{{"customer", {"ID", "NAME", "CITY"}},
                                                           {"orders", {"ORDERNO", "CUSTNO"}}};
    std::map<std::string, std::vector<std::string>> queries; // SQL text -> its columns
    std::vector<std::vector<std::string>> rows;              // the rows of every query
    std::string failure;       // when set, every call throws it (an engine that cannot be loaded)
    std::string loginFailure;  // when set, opening a database throws it
    int failAliasesFrom = -1;  // the alias listings from this one on throw
    int aliasCalls = 0;
    std::string failingSql;    // a query text that is rejected
    int opens = 0;             // databases opened
    int live = 0;              // databases open now
    std::vector<std::string> lastParams;
    std::vector<std::string> ranSql;
    QueryValues boundValues; // what the last openQuery bound
};

class ListedRows : public QueryRows
{
public:
    ListedRows(std::vector<std::string> columns, std::vector<std::vector<std::string>> rows)
        : m_columns(std::move(columns))
        , m_rows(std::move(rows))
    {}
    std::vector<std::string> columns() const override { return m_columns; }
    std::size_t fetch(std::size_t max, std::vector<std::vector<std::string>> &out) override
    {
        std::size_t n = 0;
        for (; n < max && m_next < m_rows.size(); ++n)
            out.push_back(m_rows[m_next++]);
        return n;
    }

private:
    std::vector<std::string> m_columns;
    std::vector<std::vector<std::string>> m_rows;
    std::size_t m_next = 0;
};

class FakeDatabase : public OpenDatabase
{
public:
    explicit FakeDatabase(FakeState &s)
        : m_s(s)
    {
        ++m_s.live;
    }
    ~FakeDatabase() override { --m_s.live; }
    std::vector<std::string> tables() override
    {
        std::vector<std::string> names;
        for (const auto &t : m_s.tables)
            names.push_back(t.first);
        return names;
    }
    std::vector<std::string> fields(const std::string &table) override
    {
        const auto it = m_s.tables.find(table);
        if (it == m_s.tables.end())
            throw std::runtime_error("Table does not exist: " + table);
        return it->second;
    }
    std::vector<std::string> queryColumns(const std::string &sql) override
    {
        m_s.ranSql.push_back(sql);
        if (!m_s.failingSql.empty() && sql == m_s.failingSql)
            throw std::runtime_error("Invalid SQL: " + sql);
        const auto it = m_s.queries.find(sql);
        if (it == m_s.queries.end())
            throw std::runtime_error("No such query: " + sql);
        return it->second;
    }
    std::unique_ptr<QueryRows> openQuery(const std::string &sql, const QueryValues &values) override
    {
        m_s.boundValues = values;
        return std::make_unique<ListedRows>(queryColumns(sql), m_s.rows);
    }

private:
    FakeState &m_s;
};

class FakeEngine : public DatabaseEngine
{
public:
    explicit FakeEngine(FakeState &s)
        : m_s(s)
    {}
    std::vector<std::string> aliases() override
    {
        if (!m_s.failure.empty())
            throw std::runtime_error(m_s.failure);
        if (m_s.failAliasesFrom >= 0 && m_s.aliasCalls++ >= m_s.failAliasesFrom)
            throw std::runtime_error("The alias list cannot be read");
        return m_s.aliases;
    }
    std::unique_ptr<OpenDatabase> open(const std::string &alias, const std::vector<std::string> &params) override
    {
        if (!m_s.failure.empty())
            throw std::runtime_error(m_s.failure);
        if (!m_s.loginFailure.empty())
            throw std::runtime_error(m_s.loginFailure);
        if (alias.empty())
            throw std::runtime_error("Unknown database alias: ''");
        ++m_s.opens;
        m_s.lastParams = params;
        return std::make_unique<FakeDatabase>(m_s);
    }

private:
    FakeState &m_s;
};

} // namespace quillon::wizard::test
