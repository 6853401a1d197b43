#include "engine/enginefunctions.h"

// Each entry compiles to one tail jump through its slot.

namespace quillon::engine {

DBIResult DbiDeleteAlias(hDBICfg cfg, const char *aliasName)
{
    return callSlot<QDBI_ORD_DELETEALIAS>(cfg, aliasName);
}

DBIResult DbiAddAlias(hDBICfg cfg, const char *aliasName, const char *driverType, const char *params, DBIBool persistent)
{
    return callSlot<QDBI_ORD_ADDALIAS>(cfg, aliasName, driverType, params, persistent);
}

DBIResult DbiListAliases(hDBIList *list)
{
    return callSlot<QDBI_ORD_LISTALIASES>(list);
}

DBIResult DbiListCount(hDBIList list, uint32_t *count)
{
    return callSlot<QDBI_ORD_LISTCOUNT>(list, count);
}

DBIResult DbiListItem(hDBIList list, uint32_t index, const char **name)
{
    return callSlot<QDBI_ORD_LISTITEM>(list, index, name);
}

DBIResult DbiListFree(hDBIList list)
{
    return callSlot<QDBI_ORD_LISTFREE>(list);
}

DBIResult DbiOpenDatabase(const char *aliasName, const char *params, hDBIDb *db)
{
    return callSlot<QDBI_ORD_OPENDATABASE>(aliasName, params, db);
}

DBIResult DbiCloseDatabase(hDBIDb db)
{
    return callSlot<QDBI_ORD_CLOSEDATABASE>(db);
}

DBIResult DbiListTables(hDBIDb db, const char *pattern, DBIBool withExtensions, DBIBool systemTables, hDBIList *list)
{
    return callSlot<QDBI_ORD_LISTTABLES>(db, pattern, withExtensions, systemTables, list);
}

DBIResult DbiListFields(hDBIDb db, const char *tableName, hDBIList *list)
{
    return callSlot<QDBI_ORD_LISTFIELDS>(db, tableName, list);
}

DBIResult DbiInsertRow(hDBIDb db, const char *tableName, uint32_t count, const char *const *names, const char *const *values)
{
    return callSlot<QDBI_ORD_INSERTROW>(db, tableName, count, names, values);
}

DBIResult DbiOpenTable(hDBIDb db, const char *tableName, hDBICur *cursor)
{
    return callSlot<QDBI_ORD_OPENTABLE>(db, tableName, cursor);
}

DBIResult DbiOpenQuery(hDBIDb db, const char *sql, hDBICur *cursor)
{
    return callSlot<QDBI_ORD_OPENQUERY>(db, sql, cursor);
}

DBIResult DbiOpenQueryParams(hDBIDb db, const char *sql, uint32_t count, const char *const *names,
                             const char *const *values, hDBICur *cursor)
{
    return callSlot<QDBI_ORD_OPENQUERYPARAMS>(db, sql, count, names, values, cursor);
}

DBIResult DbiCloseCursor(hDBICur cursor)
{
    return callSlot<QDBI_ORD_CLOSECURSOR>(cursor);
}

DBIResult DbiGetColumnCount(hDBICur cursor, uint32_t *count)
{
    return callSlot<QDBI_ORD_COLUMNCOUNT>(cursor, count);
}

DBIResult DbiGetColumnName(hDBICur cursor, uint32_t index, const char **name)
{
    return callSlot<QDBI_ORD_COLUMNNAME>(cursor, index, name);
}

DBIResult DbiMoveFirst(hDBICur cursor)
{
    return callSlot<QDBI_ORD_MOVEFIRST>(cursor);
}

DBIResult DbiMoveNext(hDBICur cursor)
{
    return callSlot<QDBI_ORD_MOVENEXT>(cursor);
}

DBIResult DbiMovePrior(hDBICur cursor)
{
    return callSlot<QDBI_ORD_MOVEPRIOR>(cursor);
}

DBIResult DbiMoveLast(hDBICur cursor)
{
    return callSlot<QDBI_ORD_MOVELAST>(cursor);
}

DBIResult DbiGetCursorState(hDBICur cursor, DBIBool *bof, DBIBool *eof)
{
    return callSlot<QDBI_ORD_GETCURSORSTATE>(cursor, bof, eof);
}

DBIResult DbiGetFieldText(hDBICur cursor, uint32_t index, const char **text, DBIBool *isNull)
{
    return callSlot<QDBI_ORD_GETFIELDTEXT>(cursor, index, text, isNull);
}

DBIResult DbiGetRecord(hDBICur cursor, uint32_t count, const char **texts, DBIBool *isNull)
{
    return callSlot<QDBI_ORD_GETRECORD>(cursor, count, texts, isNull);
}

DBIResult DbiGetLastError(DBIResult *status, char *buffer, uint32_t bufferSize)
{
    return callSlot<QDBI_ORD_GETLASTERROR>(status, buffer, bufferSize);
}

} // namespace quillon::engine
