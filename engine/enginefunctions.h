#pragma once

/*
** The engine functions as the rest of the system calls them. Each one jumps
** through its slot in the binding's function table: the first call lands
** on the stub, which resolves the ordinal and patches the slot; later calls
** go straight to the library. The entries are out of line, so that each is
** one indirect jump through its slot (the shape of a call into a linked
** shared library through its PLT); callSlot() is the same call inlined.
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

// Hidden: reached PC-relative, without a detour through the GOT.
extern std::atomic<void *> g_slots[kFunctionCount] __attribute__((visibility("hidden")));

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
QUILLON_ENGINE_SLOT(QDBI_ORD_OPENQUERYPARAMS, PFN_DbiOpenQueryParams);
QUILLON_ENGINE_SLOT(QDBI_ORD_CLOSECURSOR, PFN_DbiCloseCursor);
QUILLON_ENGINE_SLOT(QDBI_ORD_COLUMNCOUNT, PFN_DbiGetColumnCount);
QUILLON_ENGINE_SLOT(QDBI_ORD_COLUMNNAME, PFN_DbiGetColumnName);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVEFIRST, PFN_DbiMoveFirst);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVENEXT, PFN_DbiMoveNext);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVEPRIOR, PFN_DbiMovePrior);
QUILLON_ENGINE_SLOT(QDBI_ORD_MOVELAST, PFN_DbiMoveLast);
QUILLON_ENGINE_SLOT(QDBI_ORD_GETCURSORSTATE, PFN_DbiGetCursorState);
QUILLON_ENGINE_SLOT(QDBI_ORD_GETFIELDTEXT, PFN_DbiGetFieldText);
QUILLON_ENGINE_SLOT(QDBI_ORD_GETRECORD, PFN_DbiGetRecord);
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

DBIResult DbiDeleteAlias(hDBICfg cfg, const char *aliasName);
DBIResult DbiAddAlias(hDBICfg cfg, const char *aliasName, const char *driverType, const char *params, DBIBool persistent);
DBIResult DbiListAliases(hDBIList *list);
DBIResult DbiListCount(hDBIList list, uint32_t *count);
DBIResult DbiListItem(hDBIList list, uint32_t index, const char **name);
DBIResult DbiListFree(hDBIList list);
DBIResult DbiOpenDatabase(const char *aliasName, const char *params, hDBIDb *db);
DBIResult DbiCloseDatabase(hDBIDb db);
DBIResult DbiListTables(hDBIDb db, const char *pattern, DBIBool withExtensions, DBIBool systemTables, hDBIList *list);
DBIResult DbiListFields(hDBIDb db, const char *tableName, hDBIList *list);
DBIResult DbiInsertRow(hDBIDb db, const char *tableName, uint32_t count, const char *const *names, const char *const *values);
DBIResult DbiOpenTable(hDBIDb db, const char *tableName, hDBICur *cursor);
DBIResult DbiOpenQuery(hDBIDb db, const char *sql, hDBICur *cursor);
DBIResult DbiOpenQueryParams(hDBIDb db, const char *sql, uint32_t count, const char *const *names,
                             const char *const *values, hDBICur *cursor);
DBIResult DbiCloseCursor(hDBICur cursor);
DBIResult DbiGetColumnCount(hDBICur cursor, uint32_t *count);
DBIResult DbiGetColumnName(hDBICur cursor, uint32_t index, const char **name);
DBIResult DbiMoveFirst(hDBICur cursor);
DBIResult DbiMoveNext(hDBICur cursor);
DBIResult DbiMovePrior(hDBICur cursor);
DBIResult DbiMoveLast(hDBICur cursor);
DBIResult DbiGetCursorState(hDBICur cursor, DBIBool *bof, DBIBool *eof);
DBIResult DbiGetFieldText(hDBICur cursor, uint32_t index, const char **text, DBIBool *isNull);
DBIResult DbiGetRecord(hDBICur cursor, uint32_t count, const char **texts, DBIBool *isNull);
DBIResult DbiGetLastError(DBIResult *status, char *buffer, uint32_t bufferSize);

} // namespace quillon::engine
