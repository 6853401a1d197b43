#pragma once

/*
** CSV tables are listed with their extension ("customer.csv"), and that is
** the name users and the wizard's SQL helpers put into SQL, unquoted.  To
** SQLite an unquoted customer.csv is table "csv" of a database "customer",
** which does not exist.  quoteCsvTableNames() rewrites each such unquoted
** pair into the quoted name "customer.csv" before the statement is
** prepared, so both spellings name the file.
**
** Only a pair NAME.csv (any letter case of "csv") is rewritten, where NAME
** is a plain identifier not preceded by a ".", is not a database of the
** connection ("main", "temp"), and isTable(NAME + "." + ext) says that the
** folder holds such a table.  Text inside string literals, quoted
** identifiers and comments is left alone, and so is everything else.
*/

#include <functional>
#include <string>

namespace quillon::enginelib {

std::string quoteCsvTableNames(const std::string &sql, const std::function<bool(const std::string &)> &isTable);

} // namespace quillon::enginelib
