#include "enginelib/sqlrowsource.h"

#include "enginelib/sqliteconnection.h"

#include <cctype>
#include <utility>

namespace quillon::enginelib {

namespace {

bool onlyBlanks(const char *text)
{
    for (; text && *text; ++text)
        if (!std::isspace(static_cast<unsigned char>(*text)) && *text != ';')
            return false;
    return true;
}

// "no such table: main.t" -> "t"; empty if the message is another one.
std::string missingTable(const std::string &message)
{
    static const std::string prefix = "no such table: ";
    if (message.compare(0, prefix.size(), prefix) != 0)
        return {};
    std::string name = message.substr(prefix.size());
    for (const char *schema : {"main.", "temp."})
        if (name.compare(0, std::string(schema).size(), schema) == 0)
            return name.substr(std::string(schema).size());
    return name;
}

} // namespace

sqlite3_stmt *SqlRowSource::prepare(SqliteConnection &connection, const std::string &sql,
                                    const MissingTableHandler &onMissingTable)
{
    for (int attempt = 0;; ++attempt) {
        sqlite3_stmt *statement = nullptr;
        const char *tail = nullptr;
        const int rc = sqlite3_prepare_v2(connection.handle(), sql.c_str(), int(sql.size()), &statement, &tail);
        if (rc == SQLITE_OK && !statement)
            throw EngineError(QDBIERR_SQL, "The SQL text holds no statement");
        if (rc == SQLITE_OK) {
            if (!onlyBlanks(tail)) {
                sqlite3_finalize(statement);
                throw EngineError(QDBIERR_SQL, "Only one SQL statement can run at a time; found more after \"" +
                                                   sql.substr(0, size_t(tail - sql.c_str())) + "\"");
            }
            return statement;
        }
        const std::string message = sqlite3_errmsg(connection.handle());
        const std::string table = missingTable(message);
        // Each attempt makes one table, so a statement naming n tables needs n + 1.
        if (connection.pendingError || table.empty() || !onMissingTable || attempt > 64)
            connection.throwError();
        if (!onMissingTable(table)) {
            if (connection.pendingError)
                connection.throwError();
            throw EngineError(QDBIERR_SQL, message);
        }
    }
}

SqlRowSource::SqlRowSource(std::shared_ptr<SqliteConnection> connection, sqlite3_stmt *statement,
                           FirstStepCheck check, bool keep)
    : m_connection(std::move(connection)), m_statement(statement), m_keep(keep), m_check(std::move(check))
{
    takeColumns();
    if (!sqlite3_stmt_readonly(statement)) {
        // A statement that fails while it runs (a constraint, a refusal)
        // must not outlive this constructor, or the connection never closes.
        try {
            Row row;
            while (step(row))
                m_rows.push_back(row);
        } catch (...) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
            throw;
        }
        m_materialised = true;
    }
}

// SQLite prepares a statement again when it first steps after the schema
// changed (by another connection, since it was prepared on the schema it
// had read); "SELECT *" may then give other columns than the statement had.
// The list is made anew only when it differs, so names handed out stay.
void SqlRowSource::takeColumns()
{
    const int n = sqlite3_column_count(m_statement);
    bool same = m_columns.size() == size_t(n);
    for (int i = 0; same && i < n; ++i) {
        const char *name = sqlite3_column_name(m_statement, i);
        same = m_columns[size_t(i)] == (name ? name : "");
    }
    if (same)
        return;
    m_columns.clear();
    for (int i = 0; i < n; ++i) {
        const char *name = sqlite3_column_name(m_statement, i);
        m_columns.emplace_back(name ? name : "");
    }
}

SqlRowSource::~SqlRowSource()
{
    if (m_keep)
        m_connection->keepStatement(m_statement);
    else
        sqlite3_finalize(m_statement);
}

bool SqlRowSource::step(Row &row)
{
    if (m_done)
        return false;
    int rc = sqlite3_step(m_statement);
    if (m_check.mustRestart) {
        const FirstStepCheck check = std::exchange(m_check, {});
        // Each start makes the assumptions of the one before certain, so a
        // second start is enough unless the files change meanwhile.
        try {
            for (int start = 1; check.mustRestart(); ++start) {
                if (start > 3)
                    throw EngineError(QDBIERR_SQL, "The tables kept changing while the statement started" +
                                                       (check.changing ? " (" + check.changing() + ")" : "") +
                                                       "; run it again");
                sqlite3_finalize(m_statement);
                m_statement = nullptr;
                m_connection->pendingError.reset();
                m_statement = check.prepareAgain();
                rc = sqlite3_step(m_statement);
            }
        } catch (...) {
            m_done = true;
            throw;
        }
    }
    if (!m_started) {
        m_started = true;
        takeColumns();
    }
    if (rc == SQLITE_DONE) {
        m_done = true;
        return false;
    }
    if (rc != SQLITE_ROW) {
        m_done = true;
        m_connection->throwError();
    }
    const size_t n = m_columns.size();
    row.values.resize(n);
    row.isNull.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, int(i)));
        if (!text) {
            row.values[i].clear();
            row.isNull[i] = 1;
        } else {
            row.values[i].assign(text, size_t(sqlite3_column_bytes(m_statement, int(i))));
        }
    }
    return true;
}

bool SqlRowSource::next(Row &row)
{
    if (!m_materialised)
        return step(row);
    if (m_nextRow >= m_rows.size())
        return false;
    row = m_rows[m_nextRow++];
    return true;
}

void SqlRowSource::rewind()
{
    if (m_materialised) {
        m_nextRow = 0;
        return;
    }
    sqlite3_reset(m_statement);
    m_connection->pendingError.reset();
    m_done = false;
    m_started = false;
}

} // namespace quillon::enginelib
