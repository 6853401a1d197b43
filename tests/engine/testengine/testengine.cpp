/*
** An engine library that tests control. Built in variants:
**   TST_FULL        DbiInitFn, DbiExit, DLLINITFUNCTION, DLLEXITFUNCTION
**                   and DLLEXITFUNCTION2;
**   TST_EXIT2       as full but without DLLEXITFUNCTION;
**   (neither)       only the ordinal entries;
**   TST_UNRESOLVED  also needs a symbol nobody provides, so it never loads.
** Every variant exports the ordinals 1207, 1211, 1101, 1111 and 1113, and
** none exports 1120, so a test can ask for an entry that is missing.
*/

#include "probe.h"

#include "engine/loaderrecords.h"

#include <cstring>
#include <dlfcn.h>

namespace {

TstEngineProbe *probe()
{
    return static_cast<TstEngineProbe *>(dlsym(RTLD_DEFAULT, "tst_engine_probe"));
}

void copyText(char *target, std::size_t size, const char *text)
{
    std::strncpy(target, text ? text : "", size - 1);
    target[size - 1] = '\0';
}

} // namespace

#ifdef TST_UNRESOLVED
extern "C" int tst_symbol_nobody_provides(void);
QDBI_EXPORT int tst_force_reference(void) { return tst_symbol_nobody_provides(); }
#endif

#if defined(TST_FULL) || defined(TST_EXIT2)
QDBI_EXPORT DBIResult DbiInitFn(uint16_t version, void *env)
{
    TstEngineProbe *p = probe();
    if (!p)
        return 0;
    ++p->initCalls;
    p->initVersion = version;
    p->initEnv = env;
    return p->initResult;
}

QDBI_EXPORT DBIResult DbiExit(void)
{
    TstEngineProbe *p = probe();
    if (!p)
        return 0;
    ++p->exitCalls;
    return p->exitResult;
}

QDBI_EXPORT DBIResult DLLINITFUNCTION(const void *loaderInitRecord)
{
    const auto *record = static_cast<const quillon::engine::LoaderInitRecord *>(loaderInitRecord);
    if (TstEngineProbe *p = probe()) {
        ++p->dllInitCalls;
        p->initRecordVersion = record->version;
        copyText(p->initRecordName, sizeof p->initRecordName, record->libraryName);
        p->clientRecord = record->client;
    }
    return 0;
}

QDBI_EXPORT DBIResult DLLEXITFUNCTION2(const void *loaderClientRecord)
{
    if (TstEngineProbe *p = probe()) {
        ++p->dllExit2Calls;
        p->exit2Record = loaderClientRecord;
    }
    return 0;
}
#endif

#ifdef TST_FULL
QDBI_EXPORT DBIResult DLLEXITFUNCTION(void)
{
    if (TstEngineProbe *p = probe())
        ++p->dllExitCalls;
    return 0;
}
#endif

namespace {

void countCall()
{
    if (TstEngineProbe *p = probe())
        ++p->ordinalCalls;
}

} // namespace

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1211)(hDBICfg, const char *aliasName)
{
    countCall();
    if (TstEngineProbe *p = probe())
        copyText(p->aliasName, sizeof p->aliasName, aliasName);
    return aliasName && std::strcmp(aliasName, "NOSUCHALIAS") == 0 ? QDBIERR_UNKNOWNALIAS : 0;
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1207)(hDBICfg, const char *aliasName, const char *driverType,
                                                const char *params, DBIBool persistent)
{
    countCall();
    if (TstEngineProbe *p = probe()) {
        copyText(p->aliasName, sizeof p->aliasName, aliasName);
        copyText(p->aliasParams, sizeof p->aliasParams, params);
        p->driverTypeNull = driverType == nullptr;
        p->persistent = persistent;
    }
    return 0;
}

// Answers that tell the entries apart: the list has 7 names, the cursor 3
// columns, and a move to the first row of the cursor 0x1234 succeeds.
QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1101)(hDBIList, uint32_t *count)
{
    countCall();
    *count = 7;
    return 0;
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1111)(hDBICur, uint32_t *count)
{
    countCall();
    *count = 3;
    return 0;
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1113)(hDBICur cursor)
{
    countCall();
    return reinterpret_cast<uintptr_t>(cursor) == 0x1234 ? 0 : QDBIERR_INVALIDHANDLE;
}
