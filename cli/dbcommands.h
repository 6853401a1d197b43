#pragma once

/*
** `quillon db ...`: a window into the database engine from the command
** line, through the same data-access layer the wizard uses.
**
**   db aliases                 one alias a line
**   db tables ALIAS            one table a line
**   db fields ALIAS TABLE      one field a line, in field order
**   db query ALIAS SQL...      a line of column names, then one line per
**                              row; fields separated by tabs (the words
**                              after ALIAS are joined with blanks)
**   --user NAME, --password TEXT (or --user=NAME ...) anywhere: login data
**
** The command line is read by the parser every command uses (arguments.h).
** In the output a backslash, tab, CR and LF inside a value are written as
** \\, \t, \r and \n, so every row stays one line; NULL is the empty text.
*/

#include "cli/arguments.h"

#include <iosfwd>

namespace quillon::cli {

// args: the words after "quillon db" (a leading "db" is skipped as well).
// Writes to standard output and throws as every command does.
int runDbCommand(const Args &args);

// The same, writing to out and reporting a failure on err as the quillon
// program does: returns 0 on success, 1 when the engine fails and 2 for a
// wrong command line.
int runDbCommand(const Args &args, std::ostream &out, std::ostream &err);

} // namespace quillon::cli
