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
**
** Knowing which columns are numeric takes the whole file.  When a table is
** connected before that is known, its types are guessed from its first
** rows and the statement's own scan learns the truth as it reads, so a
** query over a new file reads it once.  A statement must not hand out a
** row computed on a wrong guess: after its first step, settleCsvTypes
** makes every guess certain (reading the file only when the scan has not
** already) and names the tables guessed wrong, which are dropped and
** connected again, and the statement prepared and run again.  A scan that
** meets text in a column guessed numeric stops at once for that.
*/

#include <functional>
#include <string>
#include <vector>

namespace quillon::enginelib {

class SqliteConnection;

// Maps a table name as a statement wrote it to the CSV file's path;
// throws EngineError when there is no such table.
using CsvTableResolver = std::function<std::string(const std::string &tableName)>;

// The module's state on one connection; it lives as long as the connection.
struct CsvModule;

// Registers the module on the connection; the resolver lives as long as it.
CsvModule *registerCsvModule(SqliteConnection &connection, CsvTableResolver resolver);

// Makes the guessed types of the connected tables certain; returns the
// names of the tables whose guess was wrong. Throws EngineError (a file
// that cannot be read, or is malformed).
std::vector<std::string> settleCsvTypes(CsvModule &module);

} // namespace quillon::enginelib
