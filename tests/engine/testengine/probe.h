#pragma once

/*
** What the test engine library reports to the test that loaded it, and the
** switches the test sets. The test program owns the one instance (exported
** as "tst_engine_probe"); the library finds it by name at each call, so the
** counts survive the library being unloaded and loaded again.
*/

#include "enginelib/quillondbi.h"

#include <atomic>

struct TstEngineProbe
{
    std::atomic<int> initCalls;
    std::atomic<int> exitCalls;
    std::atomic<int> dllInitCalls;
    std::atomic<int> dllExitCalls;
    std::atomic<int> dllExit2Calls;
    std::atomic<int> ordinalCalls;

    DBIResult initResult; // what DbiInitFn returns
    DBIResult exitResult; // what DbiExit returns

    unsigned initVersion;
    void *initEnv;

    unsigned initRecordVersion; // copied from the LoaderInitRecord
    char initRecordName[64];
    const void *clientRecord;
    const void *exit2Record;

    char aliasName[256]; // the last alias calls' arguments
    char aliasParams[256];
    bool driverTypeNull;
    unsigned persistent;
};

extern "C" TstEngineProbe tst_engine_probe;
