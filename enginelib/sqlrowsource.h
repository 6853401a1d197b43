#pragma once

/*
** Rows of one prepared SQL statement.  SQLite steps the statement as the
** cursor asks, so the engine holds no result set; rewinding resets the
** statement and runs it again.
**
** A statement that changes data must not run twice, so it runs to its end
** when the source is made (rows it returns, if any, are kept) and a
** rewind only goes back to the start of what it returned.
**
** A statement may rest on assumptions that only its first step can check
** (the column types of a CSV table guessed before its file was read).
** A FirstStepCheck is asked once, after the first step and before any row
** is handed out; when the assumptions were wrong the statement is prepared
** again and starts over, which nobody can see, since nothing was handed out.
*/

#include "enginelib/rowsource.h"

#include <functional>
#include <memory>
#include <sqlite3.h>

namespace quillon::enginelib {

class SqliteConnection;

class SqlRowSource : public RowSource
{
public:
    // Called with the table name of a "no such table" error; returns true
    // if it made the table, so preparing can be tried again.
    using MissingTableHandler = std::function<bool(const std::string &table)>;

    // Prepares exactly one statement. Throws EngineError(QDBIERR_SQL, SQLite's message).
    static sqlite3_stmt *prepare(SqliteConnection &connection, const std::string &sql,
                                 const MissingTableHandler &onMissingTable = {});

    struct FirstStepCheck
    {
        // Whether the statement must be prepared again; throws EngineError.
        std::function<bool()> mustRestart;
        // The statement prepared again (the old one is finalized by then).
        std::function<sqlite3_stmt *()> prepareAgain;
        // Names what made the last start wrong, for the message when it
        // keeps changing (optional).
        std::function<std::string()> changing;
    };

    // Takes ownership of statement; with keep, it goes back to the
    // connection's kept statements at the end instead of being finalized.
    SqlRowSource(std::shared_ptr<SqliteConnection> connection, sqlite3_stmt *statement,
                 FirstStepCheck check = {}, bool keep = false);
    ~SqlRowSource() override;

    const std::vector<std::string> &columns() const override { return m_columns; }
    bool next(Row &row) override;
    void rewind() override;

private:
    bool step(Row &row);
    void takeColumns();

    std::shared_ptr<SqliteConnection> m_connection;
    sqlite3_stmt *m_statement;
    std::vector<std::string> m_columns;
    bool m_done = false;
    bool m_started = false;       // stepped since it was prepared or reset
    bool m_keep = false;          // hand the statement back to the connection at the end
    FirstStepCheck m_check; // emptied once it has been asked
    bool m_materialised = false;  // a data-changing statement that has already run
    std::vector<Row> m_rows;      // its returned rows
    size_t m_nextRow = 0;
};

} // namespace quillon::enginelib
