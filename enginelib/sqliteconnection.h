#pragma once

/*
** One SQLite connection, shared by a database and its query cursors (each
** holds a reference, so the connection closes after its last statement).
**
** Failures inside a virtual table reach SQLite only as text; the table
** leaves the full EngineError in pendingError, and throwError() prefers it
** to SQLite's generic message so callers see "malformed CSV", not "SQL".
**
** Every connection keeps its statements inside the alias's own database.
** SQLite's authorizer refuses ATTACH and DETACH (so no statement opens or
** creates another file, whatever the name or "file:" URI it gives; VACUUM
** INTO attaches its target the same way and is refused with them), and
** PRAGMA statements that change the database's settings; the limit on
** attached databases is 0 as a second wall.  Statements that change data
** stay allowed: the file belongs to the user.  The refusal is decided on
** what SQLite has parsed, never on the statement's text.  The authorizer
** also notes statements that make or name temporary objects, so that a
** connection carrying them is not handed to another user.
*/

#include "enginelib/engineerror.h"

#include <mutex>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <utility>
#include <vector>

namespace quillon::enginelib {

class SqliteConnection
{
public:
    // Opens path with the sqlite3_open_v2 flags; throws EngineError(QDBIERR_OPENFAILED).
    SqliteConnection(const std::string &path, int flags);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    sqlite3 *handle() const { return m_db; }

    // Throws the pending engine error if there is one, else QDBIERR_SQL
    // with SQLite's message for the connection.
    [[noreturn]] void throwError();

    std::optional<EngineError> pendingError;

    // Whether a statement prepared on the connection made or named a
    // temporary object, which would outlive its user on this connection.
    bool touchedTemporaries() const { return m_touchedTemporaries; }

    // Prepared statements kept for the next use of the same SQL text, so a
    // program that runs the same query on every request prepares it once
    // per connection. A kept statement is reset and read-only; SQLite
    // prepares it again by itself when the schema changed. At most
    // kKeptStatements are kept, the oldest finalized first.
    static constexpr size_t kKeptStatements = 8;
    // A kept statement of exactly this text, or null.
    sqlite3_stmt *takeStatement(const std::string &sql);
    // Keeps a statement that is done with (resetting it), or finalizes it.
    void keepStatement(sqlite3_stmt *statement) noexcept;

private:
    static int authorize(void *self, int action, const char *a, const char *b, const char *, const char *);

    sqlite3 *m_db = nullptr;
    bool m_touchedTemporaries = false;
    std::mutex m_keptMutex; // cursors may close on another thread than the database's user
    std::vector<sqlite3_stmt *> m_kept; // oldest first
};

} // namespace quillon::enginelib
