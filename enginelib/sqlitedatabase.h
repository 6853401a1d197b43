#pragma once

/*
** Driver "SQLITE": a SQLite database file.  Its tables and views are the
** tables (no extension); SQL runs on it directly.  Table names are matched
** without regard to case, as SQLite itself does.
*/

#include "enginelib/database.h"
#include "enginelib/engineerror.h"

#include <sys/types.h>

namespace quillon::enginelib {

class SqliteConnection;

class SqliteDatabase : public Database
{
public:
    // Throws EngineError(QDBIERR_OPENFAILED) if path is not a SQLite database file.
    SqliteDatabase(const std::string &path, const std::string &alias);

    std::vector<std::string> listTables(const std::string &pattern, bool withExtensions,
                                        bool systemTables) override;
    std::vector<std::string> listFields(const std::string &table) override;
    std::unique_ptr<Cursor> openTable(const std::string &table) override;
    std::unique_ptr<Cursor> openQuery(const std::string &sql, const QueryParameters *parameters) override;
    void insertRow(const std::string &table, const FieldValues &values) override;

    bool settleForReuse() override;
    bool stillCurrent() override;

private:
    // A name under which SQL finds the table (SQLite matches names without
    // regard to case); throws QDBIERR_NOSUCHTABLE if there is none.
    std::string canonicalName(const std::string &table);
    EngineError missingTable(const std::string &table) const;
    std::unique_ptr<Cursor> query(const std::string &sql, const QueryParameters *parameters = nullptr);

    std::string m_path;
    dev_t m_device = 0; // the file opened, to see a replaced one
    ino_t m_inode = 0;
    std::shared_ptr<SqliteConnection> m_connection;
};

} // namespace quillon::enginelib
