#include "enginelib/sqliteconnection.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quillon::enginelib {

namespace {

// PRAGMAs that take an argument and only read.
constexpr std::array<std::string_view, 10> kReadingPragmasWithArgument{
    "table_info", "table_xinfo", "table_list", "index_list", "index_info",
    "index_xinfo", "foreign_key_list", "foreign_key_check", "integrity_check", "quick_check"};
// PRAGMAs without an argument that still change the file.
constexpr std::array<std::string_view, 3> kActingPragmas{"incremental_vacuum", "optimize", "wal_checkpoint"};

bool listed(const auto &list, const char *name)
{
    const std::string_view n = name ? name : "";
    return std::any_of(list.begin(), list.end(), [&](std::string_view p) {
        return p.size() == n.size() && sqlite3_strnicmp(p.data(), n.data(), int(p.size())) == 0;
    });
}

} // namespace

int SqliteConnection::authorize(void *self, int action, const char *a, const char *b, const char *database,
                                const char *)
{
    auto *connection = static_cast<SqliteConnection *>(self);
    if ((action >= SQLITE_CREATE_TEMP_INDEX && action <= SQLITE_CREATE_TEMP_VIEW) ||
        (database && sqlite3_stricmp(database, "temp") == 0))
        connection->m_touchedTemporaries = true;
    std::string refusal;
    if (action == SQLITE_ATTACH)
        refusal = std::string("ATTACH and VACUUM INTO are not allowed: a statement may not open or write the file \"") +
                  (a ? a : "") + "\" outside the alias's database";
    else if (action == SQLITE_DETACH)
        refusal = "DETACH is not allowed: a statement works on the alias's own database only";
    else if (action == SQLITE_PRAGMA &&
             (b ? !listed(kReadingPragmasWithArgument, a) : listed(kActingPragmas, a)))
        refusal = std::string("PRAGMA ") + (a ? a : "") + (b ? std::string(" = ") + b : std::string()) +
                  " is not allowed: a statement may not change the database's settings";
    if (refusal.empty())
        return SQLITE_OK;
    connection->pendingError = EngineError(QDBIERR_SQL, refusal);
    return SQLITE_DENY;
}

SqliteConnection::SqliteConnection(const std::string &path, int flags)
{
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw EngineError(QDBIERR_OPENFAILED, "Cannot open the database \"" + path + "\": " + message);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_set_authorizer(m_db, &SqliteConnection::authorize, this);
}

SqliteConnection::~SqliteConnection()
{
    for (sqlite3_stmt *statement : m_kept)
        sqlite3_finalize(statement);
    sqlite3_close_v2(m_db);
}

sqlite3_stmt *SqliteConnection::takeStatement(const std::string &sql)
{
    std::lock_guard lock(m_keptMutex);
    for (auto it = m_kept.rbegin(); it != m_kept.rend(); ++it) {
        if (sql == sqlite3_sql(*it)) {
            sqlite3_stmt *statement = *it;
            m_kept.erase(std::next(it).base());
            return statement;
        }
    }
    return nullptr;
}

void SqliteConnection::keepStatement(sqlite3_stmt *statement) noexcept
{
    if (!statement)
        return;
    if (!sqlite3_stmt_readonly(statement)) {
        sqlite3_finalize(statement);
        return;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    sqlite3_stmt *oldest = nullptr;
    {
        std::lock_guard lock(m_keptMutex);
        try {
            m_kept.push_back(statement);
        } catch (...) {
            oldest = statement;
        }
        if (!oldest && m_kept.size() > kKeptStatements) {
            oldest = m_kept.front();
            m_kept.erase(m_kept.begin());
        }
    }
    sqlite3_finalize(oldest);
}

void SqliteConnection::throwError()
{
    if (pendingError) {
        EngineError e = *pendingError;
        pendingError.reset();
        throw e;
    }
    throw EngineError(QDBIERR_SQL, sqlite3_errmsg(m_db));
}

} // namespace quillon::enginelib
