#include "enginelib/sqliteconnection.h"

namespace quillon::enginelib {

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
}

SqliteConnection::~SqliteConnection()
{
    sqlite3_close_v2(m_db);
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
