#include "enginelib/pgdatabase.h"

#include "enginelib/cursor.h"
#include "enginelib/pgrowsource.h"
#include "enginelib/queryparameters.h"
#include "enginelib/sqlidentifier.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace quillon::enginelib {

namespace {

// Relations a user browses: tables, partitioned tables, views,
// materialised views and foreign tables.
constexpr const char *kRelations =
    "SELECT c.oid, n.nspname, c.relname, pg_catalog.pg_table_is_visible(c.oid)"
    " FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"
    " WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f')"
    " AND pg_catalog.has_schema_privilege(n.oid, 'USAGE')";

constexpr const char *kUserSchemas =
    " AND n.nspname NOT IN ('pg_catalog', 'information_schema')"
    " AND n.nspname NOT LIKE 'pg\\_toast%' AND n.nspname NOT LIKE 'pg\\_temp\\_%'";

// The name a relation is listed under: bare when the search path finds it.
std::string listedName(const PGresult *result, int row)
{
    const std::string schema = PQgetvalue(result, row, 1);
    const std::string name = PQgetvalue(result, row, 2);
    return PQgetvalue(result, row, 3)[0] == 't' ? name : schema + "." + name;
}

// The first keyword of a statement, upper-cased, past blanks, comments
// and opening parentheses.
std::string firstKeyword(const std::string &sql)
{
    size_t i = 0;
    while (i < sql.size()) {
        if (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(') {
            ++i;
        } else if (sql.compare(i, 2, "--") == 0) {
            i = sql.find('\n', i);
        } else if (sql.compare(i, 2, "/*") == 0) {
            i = sql.find("*/", i + 2);
            i = i == std::string::npos ? i : i + 2;
        } else {
            break;
        }
    }
    std::string word;
    for (; i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])); ++i)
        word += char(std::toupper(static_cast<unsigned char>(sql[i])));
    return word;
}

// The statement without the blanks and semicolons that may end it.
std::string withoutEnd(std::string sql)
{
    while (!sql.empty() && (std::isspace(static_cast<unsigned char>(sql.back())) || sql.back() == ';'))
        sql.pop_back();
    return sql;
}

} // namespace

PgDatabase::PgDatabase(const std::string &uri, const std::string &alias, const PgLogin &login)
    : m_uri(uri), m_alias(alias), m_login(login)
{
    PgConnection::checkUri(uri, alias);
    m_cursors = std::make_shared<PgConnection>(uri, login);
}

bool PgDatabase::settleForReuse()
{
    // The second connection is made again when a cursor needs one.
    m_second.reset();
    return m_cursors.use_count() == 1 && m_cursors->settleForReuse();
}

bool PgDatabase::stillCurrent()
{
    return m_cursors->idleAndAlive();
}

PgConnection &PgDatabase::freeConnection()
{
    if (!m_cursors->hasOpenCursors())
        return *m_cursors;
    if (!m_second)
        m_second = std::make_unique<PgConnection>(m_uri, m_login);
    return *m_second;
}

std::vector<std::string> PgDatabase::listTables(const std::string &pattern, bool, bool)
{
    const PgResult result = freeConnection().exec(std::string(kRelations) + kUserSchemas);
    std::vector<std::string> tables;
    for (int row = 0; row < PQntuples(result.get()); ++row)
        if (std::string name = listedName(result.get(), row); matchesPattern(name, pattern))
            tables.push_back(std::move(name));
    std::sort(tables.begin(), tables.end());
    return tables;
}

PgDatabase::Table PgDatabase::resolve(const std::string &table)
{
    checkTableName(table);
    const PgResult result = freeConnection().exec(
        std::string(kRelations) +
            " AND (lower(c.relname) = lower($1) OR lower(n.nspname || '.' || c.relname) = lower($1))",
        {table});
    // A relation answers to its listed name and, when that is bare, to its
    // schema-qualified one too.
    int exact = -1, folded = -1;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        const std::string qualified =
            std::string(PQgetvalue(result.get(), row, 1)) + "." + PQgetvalue(result.get(), row, 2);
        for (const std::string &name : {listedName(result.get(), row), qualified}) {
            if (name == table && exact < 0)
                exact = row;
            else if (strcasecmp(name.c_str(), table.c_str()) == 0 && folded < 0)
                folded = row;
        }
    }
    const int row = exact >= 0 ? exact : folded;
    if (row < 0)
        throw EngineError(QDBIERR_NOSUCHTABLE,
                          "Table \"" + table + "\" not found in the database of alias \"" + m_alias + "\"");
    return {PQgetvalue(result.get(), row, 0), quoteIdentifier(PQgetvalue(result.get(), row, 1)) + "." +
                                                  quoteIdentifier(PQgetvalue(result.get(), row, 2))};
}

std::vector<std::string> PgDatabase::fieldsOf(const Table &table)
{
    const PgResult result = freeConnection().exec("SELECT attname FROM pg_catalog.pg_attribute"
                                                  " WHERE attrelid = $1::oid AND attnum > 0 AND NOT attisdropped"
                                                  " ORDER BY attnum",
                                                  {table.oid});
    std::vector<std::string> fields;
    for (int row = 0; row < PQntuples(result.get()); ++row)
        fields.emplace_back(PQgetvalue(result.get(), row, 0));
    return fields;
}

std::vector<std::string> PgDatabase::listFields(const std::string &table)
{
    return fieldsOf(resolve(table));
}

std::unique_ptr<Cursor> PgDatabase::openTable(const std::string &table)
{
    const Table found = resolve(table);
    return std::make_unique<Cursor>(std::make_unique<PgCursorRowSource>(m_cursors, "SELECT * FROM " + found.sqlName));
}

std::unique_ptr<Cursor> PgDatabase::openQuery(const std::string &sql, const QueryParameters *parameters)
{
    // The server numbers its parameters: ":Name" marks become "$1", "$2"...
    NumberedQuery numbered;
    if (parameters)
        numbered = numberParameters(withoutEnd(sql), *parameters);
    else
        numbered.sql = withoutEnd(sql);
    const std::string &statement = numbered.sql;
    if (firstKeyword(statement).empty())
        throw EngineError(QDBIERR_SQL, "The SQL text holds no statement");
    const std::string keyword = firstKeyword(statement);
    if (keyword == "SELECT" || keyword == "VALUES" || keyword == "TABLE" || keyword == "WITH") {
        try {
            return std::make_unique<Cursor>(std::make_unique<PgCursorRowSource>(m_cursors, statement, numbered.values));
        } catch (const EngineError &e) {
            // A WITH that changes data cannot be a cursor; it runs once, below.
            if (keyword != "WITH" || std::string(e.what()).find("data-modifying") == std::string::npos)
                throw;
        }
    }
    return std::make_unique<Cursor>(
        std::make_unique<PgResultRowSource>(freeConnection().exec(statement, numbered.values)));
}

void PgDatabase::insertRow(const std::string &table, const FieldValues &values)
{
    const Table found = resolve(table);
    const std::vector<std::string> fields = fieldsOf(found);
    const InsertStatement insert = insertStatement(found.sqlName, fields, values, table, "$");
    freeConnection().exec(insert.sql, insert.parameters);
}

} // namespace quillon::enginelib
