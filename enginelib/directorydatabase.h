#pragma once

/*
** The default driver: a directory whose *.csv files are the tables.
**
** A table is named by its file name ("customer.csv") or without the
** extension ("customer"); letter case is matched exactly first, then
** ignored.  In SQL the file name may stand unquoted, as it is listed.  SQL runs in a private in-memory SQLite database into which the
** tables a statement names are attached, on demand, as quillon_csv virtual
** tables: SQLite reports the first unknown table, we attach it and prepare
** again.  Statements that would change a CSV table are refused; rows are
** added with insertRow, which appends to the file.
*/

#include "enginelib/database.h"

namespace quillon::enginelib {

class SqliteConnection;
struct CsvModule;

class DirectoryDatabase : public Database
{
public:
    // Throws EngineError(QDBIERR_DIRNOTFOUND) if directory is not one.
    DirectoryDatabase(std::string directory, const std::string &alias);

    std::vector<std::string> listTables(const std::string &pattern, bool withExtensions,
                                        bool systemTables) override;
    std::vector<std::string> listFields(const std::string &table) override;
    std::unique_ptr<Cursor> openTable(const std::string &table) override;
    std::unique_ptr<Cursor> openQuery(const std::string &sql, const QueryParameters *parameters) override;
    void insertRow(const std::string &table, const FieldValues &values) override;

    // The path of the table's file; throws for bad names and missing tables.
    std::string resolve(const std::string &table) const;

private:
    std::vector<std::string> csvFiles() const;
    std::shared_ptr<SqliteConnection> connection();

    std::string m_directory;
    std::shared_ptr<SqliteConnection> m_connection; // made by the first query
    CsvModule *m_csv = nullptr;                     // its CSV tables; lives as long as it
};

} // namespace quillon::enginelib
