#pragma once

/*
** The engine functions as the rest of the system calls them. Each one jumps
** through its slot in the binding's function table: the first call lands
** on the stub, which resolves the ordinal and patches the slot; later calls
** go straight to the library.
**
** SlotSignature gives each slot its function type. Slots whose functions
** our code does not call keep a function type without arguments; their
** stubs still resolve and forward like any other.
*/

#include "engine/ordinaltable.h"
#include "enginelib/quillondbi.h"

#include <atomic>
#include <cstddef>

namespace quillon::engine {

namespace detail {

extern std::atomic<void *> g_slots[kFunctionCount];

} // namespace detail

template <std::size_t Slot>
struct SlotSignature
{
    using type = DBIResult (*)();
};

#define QUILLON_ENGINE_SLOT(ordinal, pfn)                                                          \
    template <>                                                                                    \
    struct SlotSignature<slotOfOrdinal(ordinal)>                                                   \
    {                                                                                              \
        using type = pfn;                                                                          \
    }

QUILLON_ENGINE_SLOT(QDBI_ORD_DELETEALIAS, PFN_DbiDeleteAlias);
QUILLON_ENGINE_SLOT(QDBI_ORD_ADDALIAS, PFN_DbiAddAlias);
QUILLON_ENGINE_SLOT(QDBI_ORD_LISTALIASES, PFN_DbiListAliases);
QUILLON_ENGINE_SLOT(QDBI_ORD_LISTCOUNT, PFN_DbiListCount);
QUILLON_ENGINE_SLOT(QDBI_ORD_LISTITEM, PFN_DbiListItem);
QUILLON_ENGINE_SLOT(QDBI_ORD_LISTFREE, PFN_DbiListFree);
QUILLON_ENGINE_SLOT(QDBI_ORD_OPENDATABASE, PFN_DbiOpenDatabase);
QUILLON_ENGINE_SLOT(QDBI_ORD_CLOSEDATABASE, PFN_DbiCloseDatabase);
QUILLON_ENGINE_SLOT(QDBI_ORD_LISTTABLES, PFN_DbiListTables);
QUILLON_ENGINE_SLOT(QDBI_ORD_LISTFIELDS, PFN_DbiListFields);
QUILLON_ENGINE_SLOT(QDBI_ORD_INSERTROW, PFN_DbiInsertRow);
QUILLON_ENGINE_SLOT(QDBI_ORD_OPENTABLE, PFN_DbiOpenTable);
QUILLON_ENGINE_SLOT(QDBI_ORD_OPENQUERY, PFN_DbiOpenQuery);
QUILLON_ENGINE_SLOT(QDBI_ORD_CLOSECURSOR, PFN_DbiCloseCursor);
QUILLON_ENGINE_SLOT(QDBI_ORD_COLUMNCOUNT, PFN_DbiGetColumnCount);
QUILLON_ENGINE_SLOT(QDBI_ORD_COLUMNNAME, PFN_DbiGetColumnName);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVEFIRST, PFN_DbiMoveFirst);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVENEXT, PFN_DbiMoveNext);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVEPRIOR, PFN_DbiMovePrior);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVELAST, PFN_DbiMoveLast);
QUILLON_ENGINE_SLOT(QDBI_ORD_GETCURSORSTATE, PFN_DbiGetCursorState);
QUILLON_ENGINE_SLOT(QDBI_ORD_GETFIELDTEXT, PFN_DbiGetFieldText);
QUILLON_ENGINE_SLOT(QDBI_ORD_GETLASTERROR, PFN_DbiGetLastError);

#undef QUILLON_ENGINE_SLOT

// Calls the function of an ordinal through its slot.
template <unsigned Ordinal, typename... Args>
inline DBIResult callSlot(Args... args)
{
    constexpr std::size_t slot = slotOfOrdinal(Ordinal);
    static_assert(slot < kFunctionCount, "ordinal not in the function table");
    using Fn = typename SlotSignature<slot>::type;
    const Fn fn = reinterpret_cast<Fn>(detail::g_slots[slot].load(std::memory_order_acquire));
    return fn(args...);
}

inline DBIResult DbiDeleteAlias(hDBICfg cfg, const char *aliasName)
{
    return callSlot<QDBI_ORD_DELETEALIAS>(cfg, aliasName);
}

inline DBIResult DbiAddAlias(hDBICfg cfg, const char *aliasName, const char *driverType, const char *params,
                             DBIBool persistent)
{
    return callSlot<QDBI_ORD_ADDALIAS>(cfg, aliasName, driverType, params, persistent);
}

inline DBIResult DbiListAliases(hDBIList *list) { return callSlot<QDBI_ORD_LISTALIASES>(list); }
inline DBIResult DbiListCount(hDBIList list, uint32_t *count) { return callSlot<QDBI_ORD_LISTCOUNT>(list, count); }
inline DBIResult DbiListItem(hDBIList list, uint32_t index, const char **name)
{
    return callSlot<QDBI_ORD_LISTITEM>(list, index, name);
}
inline DBIResult DbiListFree(hDBIList list) { return callSlot<QDBI_ORD_LISTFREE>(list); }

inline DBIResult DbiOpenDatabase(const char *aliasName, const char *params, hDBIDb *db)
{
    return callSlot<QDBI_ORD_OPENDATABASE>(aliasName, params, db);
}
inline DBIResult DbiCloseDatabase(hDBIDb db) { return callSlot<QDBI_ORD_CLOSEDATABASE>(db); }
inline DBIResult DbiListTables(hDBIDb db, const char *pattern, DBIBool withExtensions, DBIBool systemTables,
                               hDBIList *list)
{
    return callSlot<QDBI_ORD_LISTTABLES>(db, pattern, withExtensions, systemTables, list);
}
inline DBIResult DbiListFields(hDBIDb db, const char *tableName, hDBIList *list)
{
    return callSlot<QDBI_ORD_LISTFIELDS>(db, tableName, list);
}
inline DBIResult DbiInsertRow(hDBIDb db, const char *tableName, uint32_t count, const char *const *names,
                              const char *const *values)
{
    return callSlot<QDBI_ORD_INSERTROW>(db, tableName, count, names, values);
}

inline DBIResult DbiOpenTable(hDBIDb db, const char *tableName, hDBICur *cursor)
{
    return callSlot<QDBI_ORD_OPENTABLE>(db, tableName, cursor);
}
inline DBIResult DbiOpenQuery(hDBIDb db, const char *sql, hDBICur *cursor)
{
    return callSlot<QDBI_ORD_OPENQUERY>(db, sql, cursor);
}
inline DBIResult DbiCloseCursor(hDBICur cursor) { return callSlot<QDBI_ORD_CLOSECURSOR>(cursor); }
inline DBIResult DbiGetColumnCount(hDBICur cursor, uint32_t *count)
{
    return callSlot<QDBI_ORD_COLUMNCOUNT>(cursor, count);
}
inline DBIResult DbiGetColumnName(hDBICur cursor, uint32_t index, const char **name)
{
    return callSlot<QDBI_ORD_COLUMNNAME>(cursor, index, name);
}
inline DBIResult DbiMoveFirst(hDBICur cursor) { return callSlot<QDBI_ORD_MOVEFIRST>(cursor); }
inline DBIResult DbiMoveNext(hDBICur cursor) { return callSlot<QDBI_ORD_MOVENEXT>(cursor); }
inline DBIResult DbiMovePrior(hDBICur cursor) { return callSlot<QDBI_ORD_MOVEPRIOR>(cursor); }
inline DBIResult DbiMoveLast(hDBICur cursor) { return callSlot<QDBI_ORD_MOVELAST>(cursor); }
inline DBIResult DbiGetCursorState(hDBICur cursor, DBIBool *bof, DBIBool *eof)
{
    return callSlot<QDBI_ORD_GETCURSORSTATE>(cursor, bof, eof);
}
inline DBIResult DbiGetFieldText(hDBICur cursor, uint32_t index, const char **text, DBIBool *isNull)
{
    return callSlot<QDBI_ORD_GETFIELDTEXT>(cursor, index, text, isNull);
}
inline DBIResult DbiGetLastError(DBIResult *status, char *buffer, uint32_t bufferSize)
{
    return callSlot<QDBI_ORD_GETLASTERROR>(status, buffer, bufferSize);
}

} // namespace quillon::engine
