#pragma once

/*
** One open database of an alias: its tables and their fields, cursors on a
** table or on the result of an SQL text, and inserting a row. Made only by
** DataAccess::open(). Closes itself (and the engine closes its cursors:
** their later calls fail with an EngineError) when destroyed. A moved-from
** Database fails every call with an EngineError.
*/

#include "engine/cursor.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quillon::engine {

struct DatabaseHandle;

class Database
{
public:
    ~Database();
    Database(Database &&other) noexcept;
    Database &operator=(Database &&other) noexcept;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const std::string &alias() const { return m_alias; }

    // Table names matching pattern ("*.*": all), with file extensions and
    // system tables, as the wizard lists them.
    std::vector<std::string> tables(const std::string &pattern = "*.*") const;
    std::vector<std::string> fields(const std::string &table) const;

    Cursor openTable(const std::string &table) const;
    Cursor openQuery(const std::string &sql) const;
    // The query with a value for each of its ":Name" parameters, bound as
    // text by the engine (never pasted into the SQL); names without ":".
    // A parameter without a value, or a value without a parameter, fails.
    Cursor openQuery(const std::string &sql, const std::vector<std::pair<std::string, std::string>> &parameters) const;

    // Runs the query and returns its result's column names.
    std::vector<std::string> queryColumns(const std::string &sql) const;

    void insertRow(const std::string &table, const std::vector<std::pair<std::string, std::string>> &values);

private:
    friend class DataAccess;
    Database(std::unique_ptr<DatabaseHandle> handle, std::string alias);
    std::string where(const std::string &what) const;
    const DatabaseHandle &handle(const std::string &context) const;

    std::unique_ptr<DatabaseHandle> m_handle;
    std::string m_alias;
};

} // namespace quillon::engine
