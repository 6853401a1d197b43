#pragma once

/*
** The engine binding's own status codes. They reach callers through the
** same 16-bit status channel as the engine library's codes, as the result
** of the engine function or wrapper they called.
*/

#include "enginelib/quillondbi.h"

namespace quillon::engine {

enum EngineStatus : DBIResult {
    kStatusLibraryNotFound = 8456,      // EngineInit: no library file (ENOENT, ENOTDIR)
    kStatusLibraryLoadFailed = 8457,    // EngineInit: the file is there but does not load
    kStatusLibraryUnavailable = 8458,   // engine call: library neither loaded nor loadable
    kStatusOutOfMemory = 9473,          // EngineInit: no memory to load the library
    kStatusEntryNotFound = 10063,       // ordinal not exported; "DbiExit" not found
    kStatusRegistryUnreadable = 10756,  // library search: "DLLPATH" unreadable (internal)
    kStatusNoInitEntry = 10758,         // EngineInit: the library has no "DbiInitFn"
};

// True for the codes above: the binding answered, not the engine, so the
// engine has no message of its own for them.
bool isBindingStatus(DBIResult status);

// A sentence describing a binding status, naming the library file.
const char *bindingStatusText(DBIResult status);

} // namespace quillon::engine
