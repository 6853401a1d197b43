#pragma once

/*
** An open database, whatever its driver: listing tables and fields,
** opening cursors on tables and queries, inserting rows.  All methods
** throw EngineError.  Calls on one database and on its cursors are
** serialised by its mutex, which the C entries take.
**
** The rules both drivers share live here too: which table names are
** acceptable, how a name pattern matches, how field names given for an
** insert map onto the table's fields.
*/

#include "enginelib/cursor.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace quillon::enginelib {

using FieldValues = std::vector<std::pair<std::string, std::string>>;
// Values of a query's ":Name" parameters: (name without ":", value); see queryparameters.h.
using QueryParameters = FieldValues;

struct InsertStatement
{
    std::string sql;
    std::vector<std::string> parameters; // the values, in the order of their marks
};

class Database
{
public:
    virtual ~Database() = default;

    virtual std::vector<std::string> listTables(const std::string &pattern, bool withExtensions,
                                                bool systemTables) = 0;
    virtual std::vector<std::string> listFields(const std::string &table) = 0;
    virtual std::unique_ptr<Cursor> openTable(const std::string &table) = 0;
    // With parameters, every ":Name" of the statement is bound to its value
    // (queryparameters.h); without (null), the statement runs as written.
    virtual std::unique_ptr<Cursor> openQuery(const std::string &sql, const QueryParameters *parameters) = 0;
    virtual void insertRow(const std::string &table, const FieldValues &values) = 0;

    // Reuse by a later open of the same alias (see SessionPool). Called
    // when nothing refers to the database any more: true when it holds no
    // state of that use (an open statement, transaction or temporary
    // object) and may serve another caller. The default: never reused.
    virtual bool settleForReuse() { return false; }
    // Called before an idle database is handed out again: true when it
    // still stands for what its alias names (the same file, a live
    // connection).
    virtual bool stillCurrent() { return false; }

    std::recursive_mutex mutex;

    // Refuses empty names and names with "/", "\" or "..".
    static void checkTableName(const std::string &table);
    // "*" and "?" wildcards, letter case ignored; "", "*" and "*.*" match all.
    static bool matchesPattern(const std::string &name, const std::string &pattern);
    // For each given field, its position in fields. Throws on an unknown or repeated name.
    static std::vector<size_t> fieldPositions(const std::vector<std::string> &fields, const FieldValues &values,
                                              const std::string &table);
    // "INSERT INTO sqlTable (...) VALUES (...)" for values given by field
    // name (mapped by fieldPositions onto fields), each value a parameter
    // mark numbered from 1 after markPrefix ("?" or "$"); "DEFAULT VALUES"
    // when none is given. sqlTable is quoted already.
    static InsertStatement insertStatement(const std::string &sqlTable, const std::vector<std::string> &fields,
                                           const FieldValues &values, const std::string &table,
                                           const char *markPrefix);
};

} // namespace quillon::enginelib
