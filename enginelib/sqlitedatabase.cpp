#include "enginelib/sqlitedatabase.h"

#include "enginelib/engineerror.h"
#include "enginelib/queryparameters.h"
#include "enginelib/sqlidentifier.h"
#include "enginelib/sqliteconnection.h"
#include "enginelib/sqlrowsource.h"

#include <algorithm>
#include <string_view>
#include <strings.h>
#include <sys/stat.h>

namespace quillon::enginelib {

namespace {

// Runs a statement to its end, collecting the first column of each row.
std::vector<std::string> firstColumn(SqliteConnection &connection, const std::string &sql,
                                     const std::vector<std::string> &parameters = {})
{
    sqlite3_stmt *statement = SqlRowSource::prepare(connection, sql);
    for (size_t i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement, int(i + 1), parameters[i].c_str(), int(parameters[i].size()), SQLITE_TRANSIENT);
    std::vector<std::string> values;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
        values.emplace_back(text ? text : "");
    }
    if (rc != SQLITE_DONE) {
        EngineError error(QDBIERR_SQL, sqlite3_errmsg(connection.handle()));
        sqlite3_finalize(statement);
        throw error;
    }
    sqlite3_finalize(statement);
    return values;
}

} // namespace

SqliteDatabase::SqliteDatabase(const std::string &path, const std::string &alias) : m_path(path)
{
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw EngineError(QDBIERR_OPENFAILED,
                          "The database file \"" + path + "\" of alias \"" + alias + "\" does not exist");
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_connection = std::make_shared<SqliteConnection>(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX);
    sqlite3_busy_timeout(m_connection->handle(), 5000);
    try {
        firstColumn(*m_connection, "SELECT count(*) FROM sqlite_master");
    } catch (const EngineError &e) {
        throw EngineError(QDBIERR_OPENFAILED, "\"" + path + "\" is not a usable SQLite database: " + e.what());
    }
}

// SQLite itself sees rows changed in the file by others (each read
// transaction checks the change counter) and a changed schema (each
// statement checks the schema cookie when it runs, and is prepared again
// on the new schema; SqlRowSource then takes its columns anew), so an idle
// connection needs nothing refreshed: only the file must be the one opened.
bool SqliteDatabase::settleForReuse()
{
    sqlite3 *db = m_connection->handle();
    m_connection->pendingError.reset();
    if (m_connection.use_count() != 1 || sqlite3_get_autocommit(db) == 0 || m_connection->touchedTemporaries())
        return false;
    // No statement running: only kept ones, which are reset.
    for (sqlite3_stmt *s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
        if (sqlite3_stmt_busy(s))
            return false;
    return true;
}

bool SqliteDatabase::stillCurrent()
{
    struct stat st{};
    return ::stat(m_path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == m_device &&
           st.st_ino == m_inode;
}

std::vector<std::string> SqliteDatabase::listTables(const std::string &pattern, bool, bool systemTables)
{
    std::vector<std::string> names =
        firstColumn(*m_connection, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view')");
    if (systemTables)
        names.emplace_back("sqlite_master");
    std::vector<std::string> tables;
    for (std::string &name : names) {
        const bool system = strncasecmp(name.c_str(), "sqlite_", 7) == 0;
        if ((systemTables || !system) && matchesPattern(name, pattern))
            tables.push_back(std::move(name));
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

EngineError SqliteDatabase::missingTable(const std::string &table) const
{
    return EngineError(QDBIERR_NOSUCHTABLE, "Table \"" + table + "\" not found in \"" + m_path + "\"");
}

std::string SqliteDatabase::canonicalName(const std::string &table)
{
    checkTableName(table);
    if (strcasecmp(table.c_str(), "sqlite_master") == 0)
        return "sqlite_master";
    // The schema SQLite holds knows the table: SQL finds it under the name
    // as given, whatever its letter case. A look-up in memory, where
    // querying the schema table would cost a statement on every open.
    if (sqlite3_table_column_metadata(m_connection->handle(), "main", table.c_str(), nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr) == SQLITE_OK)
        return table;
    // Not known: ask the file, which also loads a schema changed since.
    const std::vector<std::string> found = firstColumn(
        *m_connection, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
        {table});
    if (found.empty())
        throw missingTable(table);
    return found.front();
}

std::vector<std::string> SqliteDatabase::listFields(const std::string &table)
{
    return firstColumn(*m_connection, "SELECT name FROM pragma_table_info(?1) ORDER BY cid", {canonicalName(table)});
}

std::unique_ptr<Cursor> SqliteDatabase::query(const std::string &sql, const QueryParameters *parameters)
{
    sqlite3_stmt *statement = m_connection->takeStatement(sql);
    if (!statement)
        statement = SqlRowSource::prepare(*m_connection, sql);
    if (parameters)
        bindSqliteParameters(statement, *parameters);
    return std::make_unique<Cursor>(std::make_unique<SqlRowSource>(m_connection, statement, SqlRowSource::FirstStepCheck{}, true));
}

std::unique_ptr<Cursor> SqliteDatabase::openTable(const std::string &table)
{
    const std::string name = canonicalName(table);
    try {
        return query("SELECT * FROM " + quoteIdentifier(name));
    } catch (const EngineError &e) {
        // Dropped by another connection since the schema in memory was read.
        if (e.status() == QDBIERR_SQL && std::string_view(e.what()).starts_with("no such table"))
            throw missingTable(table);
        throw;
    }
}

std::unique_ptr<Cursor> SqliteDatabase::openQuery(const std::string &sql, const QueryParameters *parameters)
{
    return query(sql, parameters);
}

void SqliteDatabase::insertRow(const std::string &table, const FieldValues &values)
{
    const std::string name = canonicalName(table);
    const std::vector<std::string> fields = listFields(name);
    const InsertStatement insert = insertStatement(quoteIdentifier(name), fields, values, table, "?");
    firstColumn(*m_connection, insert.sql, insert.parameters);
}

} // namespace quillon::enginelib
