#pragma once

/*
** Driver "POSTGRESQL": a database on a PostgreSQL server, named by a
** connection URI (postgresql://host:port/dbname?...), with the login given
** when it is opened.
**
** Its tables are the tables and views the user can reach, outside the
** server's own schemas, named without schema where the name is on the
** search path and as "schema.table" where it is not.  The server's
** catalog is never listed, also when system tables are asked for (the
** wizard always asks, and hundreds of catalog relations would bury the
** user's tables); a catalog table can still be opened by its name.  A name given to
** the engine matches a listed name exactly first, then ignoring case; the
** SQL the engine makes quotes the server's stored names, so tables such
** as "order" or "Name With Space" work.
**
** Cursors stream through server-side cursors on the first connection.
** Everything else (catalog look-ups, inserts, statements that change
** data) runs outside their transaction: on that connection when no cursor
** is open, else on a second one opened with the same login, so a row
** inserted while a browse is open is committed at once.
*/

#include "enginelib/database.h"
#include "enginelib/pgconnection.h"

namespace quillon::enginelib {

class PgDatabase : public Database
{
public:
    // Throws EngineError: QDBIERR_INVALIDPARAMTEXT for a bad URI,
    // QDBIERR_OPENFAILED with the server's message for a failed login.
    PgDatabase(const std::string &uri, const std::string &alias, const PgLogin &login);

    std::vector<std::string> listTables(const std::string &pattern, bool withExtensions,
                                        bool systemTables) override;
    std::vector<std::string> listFields(const std::string &table) override;
    std::unique_ptr<Cursor> openTable(const std::string &table) override;
    std::unique_ptr<Cursor> openQuery(const std::string &sql, const QueryParameters *parameters) override;
    void insertRow(const std::string &table, const FieldValues &values) override;

    bool settleForReuse() override;
    bool stillCurrent() override;

private:
    struct Table
    {
        std::string oid;
        std::string sqlName; // quoted schema and name, for SQL text
    };
    Table resolve(const std::string &table);
    std::vector<std::string> fieldsOf(const Table &table);
    PgConnection &freeConnection(); // a connection with no cursor open

    std::string m_uri;
    std::string m_alias;
    PgLogin m_login;
    std::shared_ptr<PgConnection> m_cursors;
    std::unique_ptr<PgConnection> m_second; // made when first needed
};

} // namespace quillon::enginelib
