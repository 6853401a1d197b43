#pragma once

/*
** Values for the ":Name" parameters of a query, given by name as text and
** bound by the driver, never pasted into the SQL.
**
** The rule every driver keeps: names compare without regard to letter
** case; every parameter of the statement must get a value, and every
** value given must have a parameter, else the query is refused naming the
** parameter.  SQLite (and so the CSV tables) binds ":Name" itself; for a
** server that numbers its parameters ("$1") the marks are rewritten,
** found by the same lexical rule the wizard uses (platform/sqlmarks.h),
** so marks inside literals, quoted names, comments and "::" casts stay.
*/

#include "enginelib/database.h"

#include <sqlite3.h>
#include <string>
#include <vector>

namespace quillon::enginelib {

// Binds parameters to every parameter of statement. Throws EngineError,
// after finalizing statement, which the caller then no longer has.
void bindSqliteParameters(sqlite3_stmt *statement, const QueryParameters &parameters);

struct NumberedQuery
{
    std::string sql;                 // ":Name" marks replaced by "$1", "$2"...
    std::vector<std::string> values; // the value of "$1", "$2"...
};

// sql with its marks numbered, one number per name. Throws EngineError.
NumberedQuery numberParameters(const std::string &sql, const QueryParameters &parameters);

} // namespace quillon::enginelib
