#pragma once

/*
** The SQLite virtual table module "quillon_csv": a CSV file as a read-only
** table that SQLite scans as a stream, one row at a time, so a query over
** a large file never holds the file in memory.
**
** CREATE VIRTUAL TABLE "t" USING quillon_csv asks the resolver for the
** file of table "t".  Columns are declared without a type; values of
** numeric columns (CsvTable::numericColumns) are handed to SQLite as
** integers or reals and empty ones as NULL, the rest as text, so that
** "PRICE > 10" compares numbers.  Errors go to SQLite as messages and to
** the connection's pendingError in full.
*/

#include <functional>
#include <string>

namespace quillon::enginelib {

class SqliteConnection;

// Maps a table name as a statement wrote it to the CSV file's path;
// throws EngineError when there is no such table.
using CsvTableResolver = std::function<std::string(const std::string &tableName)>;

// Registers the module on the connection; the resolver lives as long as it.
void registerCsvModule(SqliteConnection &connection, CsvTableResolver resolver);

} // namespace quillon::enginelib
