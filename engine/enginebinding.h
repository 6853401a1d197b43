#pragma once

/*
** The lazy binding to the engine library (QDBI_LIBRARY_NAME).
**
** Nothing is loaded before the first EngineInit or engine call. Every engine
** function has a slot; a slot starts on its function's stub, and the stub's
** first call binds the module, resolves the ordinal and stores the address
** in the slot, so that later calls go straight to the library through one
** indirect call, with no lock and no lookup (see enginefunctions.h).
**
** EngineInit and EngineExit open and close the engine ("DbiInitFn" and
** "DbiExit", found by name) with a reference count; EngineLibraryExit
** unbinds the module and puts every slot back on its stub.
**
** Every function returns a 16-bit status: 0, one of the binding's codes
** (enginestatus.h) or the engine's own.
*/

#include "engine/loaderrecords.h"
#include "engine/ordinaltable.h"
#include "enginelib/quillondbi.h"
#include "platform/dynlib.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillon::engine {

// Resolves one function: its address, or a status code in a result whose
// upper bits are zero (no function lies below 0x10000).
std::uintptr_t ResolveFunction(const FunctionDescriptor *descriptor);

// Opens the engine: "DbiInitFn" with QDBI_INTERFACE_VERSION and env.
DBIResult EngineInit(void *env);

// Closes one successful EngineInit; the last one frees the library.
DBIResult EngineExit();

// Unbinds the module and tears the lock down; returns 0.
DBIResult EngineLibraryExit();

// Called back by the library with its module handle (not used).
void UnloadNotify(void *moduleHandle);

// What the binding holds at this moment, for diagnostics and tests.
struct BindingState
{
    void *moduleHandle;
    std::uint16_t moduleFlags;
    void *engineHandle;
    std::uint16_t initCount;
    bool lockSetUp;
};
BindingState bindingState();

// The binding's descriptor of a slot, and whether the slot is on its stub.
const FunctionDescriptor &functionDescriptor(std::size_t slot);
bool slotOnStub(std::size_t slot);

// The static client record handed to the library.
const LoaderClientRecord &loaderClientRecord();

// The file name the binding loads: QDBI_LIBRARY_NAME.
const char *engineLibraryName();

namespace testing {
// Makes the binding load another file name; only for tests that bring
// their own engine library. The name must be shorter than 32 bytes.
void setEngineLibraryName(const std::string &name);
} // namespace testing

} // namespace quillon::engine
