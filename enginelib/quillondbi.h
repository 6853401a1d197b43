#ifndef QUILLONDBI_H
#define QUILLONDBI_H

/*
** Quillon database engine library: the public C interface.
**
** The engine library is a shared object (QDBI_LIBRARY_NAME) that nobody
** links at build time: the engine binding loads it at run time and finds
** its entries either by name ("DbiInitFn", "DbiExit" and the optional
** loader hooks) or by ordinal.  Linux exports by name only, so the entry
** with ordinal N is exported as QDBI_ORDINAL_SYMBOL(N), i.e. "DbiOrdinal_N"
** (the rule lives in enginelib/ordinalname.h and nowhere else).  For each
** ordinal entry this header gives the ordinal (QDBI_ORD_...), a pointer
** type for callers that bind at run time (PFN_...), and the prototype
** under its exported name for callers that link the library directly.
**
** Conventions shared by every entry
** ---------------------------------
** - Every entry returns a 16-bit unsigned status (DBIResult): 0 is success,
**   anything else is one of the QDBIERR_ codes below.
** - Every entry except DbiGetLastError records its outcome for the calling
**   thread: on failure the status and a message naming the alias, file,
**   table, field or value at fault; on success status 0 and an empty text.
**   DbiGetLastError (ordinal 1120) returns that record.
** - Texts are NUL-terminated 8-bit strings; the engine copies what it keeps.
** - Output pointers are written only on success; a null output pointer is
**   QDBIERR_INVALIDPARAM.
** - Handles are opaque.  A handle that is null, already closed or of the
**   wrong kind gives QDBIERR_INVALIDHANDLE; it never crashes the engine.
** - Text returned as "const char *" belongs to the engine and stays valid
**   as stated at each entry (until the list is freed, until the cursor
**   moves or closes).
** - Every entry except DbiInitFn, DbiExit, DbiGetLastError and the loader
**   hooks needs the engine to be open (DbiInitFn called successfully and
**   not yet balanced by DbiExit); otherwise QDBIERR_NOTINITIALIZED.
** - Entries may be called from any thread.  Handles may be shared between
**   threads; calls on one database and its cursors are serialised.
**
** Aliases
** -------
** An alias names a database: a driver and parameter lines.  Persistent
** aliases are kept in the engine's configuration file, located by the
** environment variable QUILLON_ENGINE_CONFIG, else
** $XDG_CONFIG_HOME/quillon/engine.cfg, else ~/.config/quillon/engine.cfg.
** Changes to it are made under a file lock and by atomic replacement, so
** two processes changing it at once lose nothing.  Non-persistent aliases
** live only in the calling process until DbiExit closes the engine.
** Alias names are compared without regard to letter case.
**
** Drivers
** -------
** - Default driver (driver type null, "" or "STANDARD"): "PATH:" names a
**   directory.  Every *.csv file in it (RFC 4180, first row = field names,
**   CR LF or LF line ends) is a table, listed as "name.csv".  In SQL, both
**   customer, customer.csv and "customer.csv" name customer.csv; only the tables that a
**   statement names are attached, and SQLite reads them as streams.  A
**   column whose non-empty values all look like numbers (optional sign,
**   digits, optional decimal point and exponent) is numeric in SQL, so
**   "PRICE > 10" compares numbers; learning this takes one streaming pass
**   over the file the first time a process queries it (kept while the
**   file's size and time stay the same).  Empty values of numeric columns
**   are NULL in SQL, and compare with text literals as a typed SQLite
**   column would ("CUSTNO = '1001'" finds 1001).  A last line without a
**   line end is a row; a UTF-8 byte order mark is skipped; a quoted value
**   that is never closed is an error naming the file and line.  Tables can be read and appended to (DbiInsertRow); SQL
**   statements that change a CSV table are refused.
** - Driver "SQLITE": "PATH:" names a SQLite database file; its tables are
**   listed without extension and SQL runs on it directly.
** - "USER NAME=" and "PASSWORD=" lines are accepted and ignored: neither
**   driver has logins.
**
** Cursors
** -------
** A cursor is an ordered row set with a current position.  After opening,
** it stands on the first row (or at end-of-data if there is none).  Rows
** are fetched as they are asked for: opening a cursor on a table of a
** million rows and reading its first rows reads only those rows.
** DbiMoveNext from the last row sets end-of-data and stays on the last
** row; DbiMovePrior from the first row sets beginning-of-data and stays on
** the first row (the behaviour of the usual "while not EOF do ... Next"
** loops).  DbiMoveFirst and DbiMoveLast clear the other flag.
*/

#include <stdint.h>

#ifdef __cplusplus
#define QDBI_EXTERN_C extern "C"
#else
#define QDBI_EXTERN_C
#endif

#define QDBI_EXPORT QDBI_EXTERN_C __attribute__((visibility("default")))

/* The rule that names ordinal exports (QDBI_ORDINAL_SYMBOL). */
#include "enginelib/ordinalname.h"

/* The engine library's file name, as the binding loads it. */
#define QDBI_LIBRARY_NAME "libidapi32.so"

/* The interface version DbiInitFn expects. */
#define QDBI_INTERFACE_VERSION 300

typedef uint16_t DBIResult;
typedef uint16_t DBIBool; /* 0 = false, anything else = true */

typedef struct QdbiConfig *hDBICfg;     /* only null is valid: the engine's own configuration */
typedef struct QdbiDatabase *hDBIDb;    /* an open database */
typedef struct QdbiCursor *hDBICur;     /* a cursor on a table or a query result */
typedef struct QdbiList *hDBIList;      /* a list of names */

/* ------------------------------------------------------------------ */
/* Status codes                                                        */
/* ------------------------------------------------------------------ */

#define QDBIERR_NONE              0     /* success */
#define QDBIERR_NOTINITIALIZED    0x3E01 /* DbiInitFn not called, or balanced by DbiExit */
#define QDBIERR_INVALIDPARAM      0x3E02 /* null pointer, bad flag, index out of range */
#define QDBIERR_INVALIDHANDLE     0x3E03 /* null, closed or wrong kind of handle */
#define QDBIERR_VERSIONMISMATCH   0x3E04 /* DbiInitFn called with another interface version */
#define QDBIERR_INVALIDALIASNAME  0x3E05 /* empty alias name or one with forbidden characters */
#define QDBIERR_UNKNOWNALIAS      0x3E06 /* no alias of that name */
#define QDBIERR_ALIASEXISTS       0x3E07 /* an alias of that name already exists */
#define QDBIERR_UNKNOWNDRIVER     0x3E08 /* driver type is not "", "STANDARD", "SQLITE" or "POSTGRESQL" */
#define QDBIERR_INVALIDPARAMTEXT  0x3E09 /* parameter text without "PATH:", or with bad characters */
#define QDBIERR_CONFIGIO          0x3E0A /* the configuration file cannot be read or written */
#define QDBIERR_DIRNOTFOUND       0x3E0B /* the alias's directory does not exist */
#define QDBIERR_OPENFAILED        0x3E0C /* the database cannot be opened, or its server reached */
#define QDBIERR_INVALIDTABLENAME  0x3E0D /* empty, or contains "/", "\" or ".." */
#define QDBIERR_NOSUCHTABLE       0x3E0E /* no table of that name */
#define QDBIERR_NOSUCHFIELD       0x3E0F /* a field name the table does not have */
#define QDBIERR_MALFORMEDCSV      0x3E10 /* ragged row, bad quoting, binary data, empty header */
#define QDBIERR_IO                0x3E11 /* a table file cannot be read or written */
#define QDBIERR_SQL               0x3E12 /* SQLite or the server rejected the statement or failed running it */
#define QDBIERR_READONLY          0x3E13 /* the statement would change a CSV table */
#define QDBIERR_NOCURRENTROW      0x3E14 /* the cursor has no rows */
#define QDBIERR_OUTOFMEMORY       0x3E15
#define QDBIERR_INTERNAL          0x3E16 /* an unexpected failure inside the engine */

/* ------------------------------------------------------------------ */
/* Entries found by name                                               */
/* ------------------------------------------------------------------ */

/* Opens the engine (reference counted: each success needs one DbiExit).
** version must be QDBI_INTERFACE_VERSION; env is not used and may be null. */
QDBI_EXPORT DBIResult DbiInitFn(uint16_t version, void *env);
typedef DBIResult (*PFN_DbiInitFn)(uint16_t version, void *env);

/* Closes one DbiInitFn.  The last one closes every database, cursor and
** list still open and forgets non-persistent aliases.  Without an open
** engine: QDBIERR_NOTINITIALIZED. */
QDBI_EXPORT DBIResult DbiExit(void);
typedef DBIResult (*PFN_DbiExit)(void);

/* Optional loader hooks, called by the engine binding when it binds and
** unbinds the library.  The records are the binding's; the engine keeps no
** pointer to them.  Each returns 0. */
QDBI_EXPORT DBIResult DLLINITFUNCTION(const void *loaderInitRecord);
QDBI_EXPORT DBIResult DLLEXITFUNCTION(void);
QDBI_EXPORT DBIResult DLLEXITFUNCTION2(const void *loaderClientRecord);
typedef DBIResult (*PFN_DLLINITFUNCTION)(const void *loaderInitRecord);
typedef DBIResult (*PFN_DLLEXITFUNCTION)(void);
typedef DBIResult (*PFN_DLLEXITFUNCTION2)(const void *loaderClientRecord);

/* ------------------------------------------------------------------ */
/* Alias configuration (ordinals 1207, 1211)                           */
/* ------------------------------------------------------------------ */

/* Adds an alias.  cfg must be null.  aliasName: not empty, at most 127
** characters, none of "[", "]", CR, LF.  driverType: null, "" or
** "STANDARD" for the directory driver, "SQLITE" for a SQLite file,
** "POSTGRESQL" for a PostgreSQL server.
** params: parameter lines separated by CR LF or LF; the line "PATH:"
** followed by the directory or file is required (for a server, its
** connection URI "postgresql://host:port/dbname?...", which chooses the
** server driver by itself and must not hold a password) (the path is not checked
** here; opening the database checks it; a relative path is made absolute
** against the current directory).  persistent != 0
** writes the alias to the configuration file; 0 keeps it in this process.
** An existing alias of that name: QDBIERR_ALIASEXISTS, except that
** persistent == QDBI_PERSIST_REPLACE replaces a stored alias of that name
** in the same single write, so that the configuration holds the old or the
** new alias at every moment, also when the call fails or the process dies. */
#define QDBI_ORD_ADDALIAS 1207
#define QDBI_PERSIST_REPLACE 2
typedef DBIResult (*PFN_DbiAddAlias)(hDBICfg cfg, const char *aliasName, const char *driverType,
                                     const char *params, DBIBool persistent);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1207)(hDBICfg cfg, const char *aliasName, const char *driverType,
                                                const char *params, DBIBool persistent);

/* Deletes an alias, from this process and from the configuration file.
** cfg must be null.  No alias of that name: QDBIERR_UNKNOWNALIAS. */
#define QDBI_ORD_DELETEALIAS 1211
typedef DBIResult (*PFN_DbiDeleteAlias)(hDBICfg cfg, const char *aliasName);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1211)(hDBICfg cfg, const char *aliasName);

/* ------------------------------------------------------------------ */
/* Name lists (ordinals 1100..1103)                                    */
/* ------------------------------------------------------------------ */

/* The alias names (persistent and of this process), sorted without
** regard to case, without duplicates.  Free the list with DbiListFree. */
#define QDBI_ORD_LISTALIASES 1100
typedef DBIResult (*PFN_DbiListAliases)(hDBIList *list);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1100)(hDBIList *list);

/* Number of names in a list. */
#define QDBI_ORD_LISTCOUNT 1101
typedef DBIResult (*PFN_DbiListCount)(hDBIList list, uint32_t *count);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1101)(hDBIList list, uint32_t *count);

/* Name number index (0-based); valid until the list is freed. */
#define QDBI_ORD_LISTITEM 1102
typedef DBIResult (*PFN_DbiListItem)(hDBIList list, uint32_t index, const char **name);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1102)(hDBIList list, uint32_t index, const char **name);

/* Frees a list.  A null list is accepted and does nothing. */
#define QDBI_ORD_LISTFREE 1103
typedef DBIResult (*PFN_DbiListFree)(hDBIList list);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1103)(hDBIList list);

/* ------------------------------------------------------------------ */
/* Databases (ordinals 1104..1107, 1119)                               */
/* ------------------------------------------------------------------ */

/* Opens the database of an alias.  params: parameter lines "NAME=value"
** separated by CR LF or LF ("USER NAME=...", "PASSWORD=..."), or null;
** a server checks them, drivers without logins accept and ignore them.
** A failed connection or login gives QDBIERR_OPENFAILED with the
** server's own message.  Fails with
** QDBIERR_UNKNOWNALIAS, QDBIERR_DIRNOTFOUND or QDBIERR_OPENFAILED. */
#define QDBI_ORD_OPENDATABASE 1104
typedef DBIResult (*PFN_DbiOpenDatabase)(const char *aliasName, const char *params, hDBIDb *db);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1104)(const char *aliasName, const char *params, hDBIDb *db);

/* Closes a database and every cursor still open on it (their handles
** become invalid).  A null handle is accepted and does nothing. */
#define QDBI_ORD_CLOSEDATABASE 1105
typedef DBIResult (*PFN_DbiCloseDatabase)(hDBIDb db);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1105)(hDBIDb db);

/* The table names of a database, sorted.  pattern: "*" and "?" wildcards,
** compared without regard to case, against the name as listed; null, ""
** and "*.*" match every table.  withExtensions != 0 lists CSV tables as
** "name.csv", 0 as "name".  systemTables != 0 also lists SQLite's own
** tables (sqlite_...); directory databases have none. */
#define QDBI_ORD_LISTTABLES 1106
typedef DBIResult (*PFN_DbiListTables)(hDBIDb db, const char *pattern, DBIBool withExtensions,
                                       DBIBool systemTables, hDBIList *list);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1106)(hDBIDb db, const char *pattern, DBIBool withExtensions,
                                                DBIBool systemTables, hDBIList *list);

/* The field names of a table in field order.  The table is named as
** DbiListTables lists it, with or without ".csv". */
#define QDBI_ORD_LISTFIELDS 1107
typedef DBIResult (*PFN_DbiListFields)(hDBIDb db, const char *tableName, hDBIList *list);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1107)(hDBIDb db, const char *tableName, hDBIList *list);

/* Inserts one row.  names[i] gets values[i] for i < count; fields not
** named are left empty (in SQLite they get the column's default).  Names
** are compared without regard to case.  A name the table does not have:
** QDBIERR_NOSUCHFIELD; a name given twice: QDBIERR_INVALIDPARAM.  On a CSV
** table the row is appended as one complete line and flushed to disk
** before the call returns; a last line without a line end gets its line
** break first, so the new row never merges with it, and a file that ends
** inside an unclosed quoted value is refused (QDBIERR_MALFORMEDCSV), never
** cut.  Values may contain commas,
** quotes and line breaks; they are quoted as needed. */
#define QDBI_ORD_INSERTROW 1119
typedef DBIResult (*PFN_DbiInsertRow)(hDBIDb db, const char *tableName, uint32_t count,
                                      const char *const *names, const char *const *values);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1119)(hDBIDb db, const char *tableName, uint32_t count,
                                                const char *const *names, const char *const *values);

/* ------------------------------------------------------------------ */
/* Cursors (ordinals 1108..1118, 1122)                              */
/* ------------------------------------------------------------------ */

/* Opens a cursor on all rows of a table, in stored order.  On a CSV
** table, a malformed row is reported by the move that reaches it. */
#define QDBI_ORD_OPENTABLE 1108
typedef DBIResult (*PFN_DbiOpenTable)(hDBIDb db, const char *tableName, hDBICur *cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1108)(hDBIDb db, const char *tableName, hDBICur *cursor);

/* Runs one SQL statement and opens a cursor on its result (a statement
** without result columns gives a cursor with no columns and no rows).
** SQLite's message comes back through DbiGetLastError. */
#define QDBI_ORD_OPENQUERY 1109
typedef DBIResult (*PFN_DbiOpenQuery)(hDBIDb db, const char *sql, hDBICur *cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1109)(hDBIDb db, const char *sql, hDBICur *cursor);

/* Runs one SQL statement as DbiOpenQuery does, with values for its
** parameters, and opens a cursor on its result.  A parameter is written
** ":Name" in the SQL (a letter or "_", then letters, digits and "_");
** names[i] (with or without the ":") gets values[i] for i < count, bound
** as text by the driver and never pasted into the SQL: SQLite and the CSV
** tables bind ":Name" themselves, and for PostgreSQL the marks outside
** literals, quoted names, comments and "::" casts become "$1", "$2"...
** Names compare without regard to case, and a name may stand in several
** places.  Every parameter of the statement needs a value and every name
** given a parameter, else QDBIERR_INVALIDPARAM naming it; so does a name
** given twice, and, on SQLite and CSV tables, a "?" or "$x" parameter.
** count 0 runs a statement without parameters. */
#define QDBI_ORD_OPENQUERYPARAMS 1122
typedef DBIResult (*PFN_DbiOpenQueryParams)(hDBIDb db, const char *sql, uint32_t count, const char *const *names,
                                            const char *const *values, hDBICur *cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1122)(hDBIDb db, const char *sql, uint32_t count,
                                                const char *const *names, const char *const *values,
                                                hDBICur *cursor);

/* Closes a cursor.  A null handle is accepted and does nothing. */
#define QDBI_ORD_CLOSECURSOR 1110
typedef DBIResult (*PFN_DbiCloseCursor)(hDBICur cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1110)(hDBICur cursor);

/* Number of columns. */
#define QDBI_ORD_COLUMNCOUNT 1111
typedef DBIResult (*PFN_DbiGetColumnCount)(hDBICur cursor, uint32_t *count);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1111)(hDBICur cursor, uint32_t *count);

/* Name of column index (0-based); valid until the cursor is closed. */
#define QDBI_ORD_COLUMNNAME 1112
typedef DBIResult (*PFN_DbiGetColumnName)(hDBICur cursor, uint32_t index, const char **name);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1112)(hDBICur cursor, uint32_t index, const char **name);

/* Moves to the first row; beginning-of-data is set, end-of-data is set
** only when there are no rows. */
#define QDBI_ORD_MOVEFIRST 1113
typedef DBIResult (*PFN_DbiMoveFirst)(hDBICur cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1113)(hDBICur cursor);

/* Moves to the next row; from the last row, sets end-of-data and stays. */
#define QDBI_ORD_MOVENEXT 1114
typedef DBIResult (*PFN_DbiMoveNext)(hDBICur cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1114)(hDBICur cursor);

/* Moves to the previous row; from the first row, sets beginning-of-data
** and stays. */
#define QDBI_ORD_MOVEPRIOR 1115
typedef DBIResult (*PFN_DbiMovePrior)(hDBICur cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1115)(hDBICur cursor);

/* Moves to the last row (reads through to the end); end-of-data is set,
** beginning-of-data only when there are no rows. */
#define QDBI_ORD_MOVELAST 1116
typedef DBIResult (*PFN_DbiMoveLast)(hDBICur cursor);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1116)(hDBICur cursor);

/* The two flags: *bof beginning-of-data, *eof end-of-data (either
** pointer may be null when that flag is not wanted). */
#define QDBI_ORD_GETCURSORSTATE 1117
typedef DBIResult (*PFN_DbiGetCursorState)(hDBICur cursor, DBIBool *bof, DBIBool *eof);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1117)(hDBICur cursor, DBIBool *bof, DBIBool *eof);

/* Field index (0-based) of the current row as text; *isNull (may be
** null) tells NULL apart from the empty text, which *text then holds.
** Numbers read from SQL come back in SQLite's text form.  Valid until the
** cursor moves or closes.  No rows: QDBIERR_NOCURRENTROW. */
#define QDBI_ORD_GETFIELDTEXT 1118
typedef DBIResult (*PFN_DbiGetFieldText)(hDBICur cursor, uint32_t index, const char **text, DBIBool *isNull);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1118)(hDBICur cursor, uint32_t index, const char **text,
                                                DBIBool *isNull);

/* Every field of the current row at once: texts[i] (and isNull[i], when
** isNull is not null) for i < count, as DbiGetFieldText gives them, in one
** call.  count may be less than the number of columns; more is
** QDBIERR_INVALIDPARAM.  Valid until the cursor moves or closes.  No rows:
** QDBIERR_NOCURRENTROW. */
#define QDBI_ORD_GETRECORD 1121
typedef DBIResult (*PFN_DbiGetRecord)(hDBICur cursor, uint32_t count, const char **texts, DBIBool *isNull);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1121)(hDBICur cursor, uint32_t count, const char **texts,
                                                DBIBool *isNull);

/* ------------------------------------------------------------------ */
/* Errors (ordinal 1120)                                               */
/* ------------------------------------------------------------------ */

/* The calling thread's last recorded outcome: *status (may be null) gets
** its status, buffer (may be null when bufferSize is 0) its message,
** truncated to bufferSize - 1 bytes and always NUL-terminated.  Returns 0;
** it changes nothing and works whether or not the engine is open. */
#define QDBI_ORD_GETLASTERROR 1120
typedef DBIResult (*PFN_DbiGetLastError)(DBIResult *status, char *buffer, uint32_t bufferSize);
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1120)(DBIResult *status, char *buffer, uint32_t bufferSize);

#endif /* QUILLONDBI_H */
