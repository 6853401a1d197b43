#include "engine/enginebinding.h"

#include "engine/enginefunctions.h"
#include "engine/enginestatus.h"
#include "engine/librarysearch.h"
#include "engine/loaderlock.h"

#include <cstring>
#include <utility>

namespace quillon::engine {

using platform::DynLib;

namespace {

constexpr std::uintptr_t kLowestAddress = 0x10000;

ModuleRecord g_module = {nullptr, kFunctionCount, QDBI_LIBRARY_NAME, detail::g_slots, nullptr, 0};

// The engine-open state: changed only by EngineInit and EngineExit, under
// the loader lock. Separate from the module record's handle.
struct
{
    DynLib::Handle handle = nullptr;
    std::uint16_t initCount = 0;
} g_engine;

const LoaderClientBlock g_client = {{{'V', 'Q', 'X', '\0'}, 1, &UnloadNotify}, {}};

// The first-call path of a slot: resolve, then continue into the function
// with the caller's arguments, or hand the status back as the result and
// leave the slot on the stub so the next call tries again.
template <std::size_t Slot, typename Fn>
struct Stub;

template <std::size_t Slot, typename... Args>
struct Stub<Slot, DBIResult (*)(Args...)>
{
    static DBIResult call(Args... args);
};

constexpr std::array<FunctionDescriptor, kFunctionCount> makeDescriptors()
{
    std::array<FunctionDescriptor, kFunctionCount> table{};
    for (std::size_t slot = 0; slot < kFunctionCount; ++slot)
        table[slot] = {&g_module, static_cast<std::uint32_t>(slot), kOrdinals[slot]};
    return table;
}

constinit const std::array<FunctionDescriptor, kFunctionCount> g_descriptors = makeDescriptors();

template <std::size_t Slot, typename... Args>
DBIResult Stub<Slot, DBIResult (*)(Args...)>::call(Args... args)
{
    const std::uintptr_t result = ResolveFunction(&g_descriptors[Slot]);
    if ((result >> 16) == 0)
        return static_cast<DBIResult>(result);
    return reinterpret_cast<DBIResult (*)(Args...)>(result)(args...);
}

template <std::size_t... Slots>
std::array<void *, kFunctionCount> makeStubs(std::index_sequence<Slots...>)
{
    return {reinterpret_cast<void *>(&Stub<Slots, typename SlotSignature<Slots>::type>::call)...};
}

// The read-only initial-stub copy, used to put slots back.
const std::array<void *, kFunctionCount> g_initialStubs = makeStubs(std::make_index_sequence<kFunctionCount>());

struct SlotsOnStubs
{
    SlotsOnStubs()
    {
        g_module.initialStubs = g_initialStubs.data();
        for (std::size_t slot = 0; slot < kFunctionCount; ++slot)
            detail::g_slots[slot].store(g_initialStubs[slot], std::memory_order_relaxed);
    }
} g_slotsOnStubs;

void *symbol(DynLib::Handle handle, const char *name)
{
    void *address = DynLib::symbol(handle, name);
    return reinterpret_cast<std::uintptr_t>(address) < kLowestAddress ? nullptr : address;
}

// Binds the module record to the library: one already loaded in the process
// (no reference taken), else one found and loaded (the record then owns a
// reference). Calls "DLLINITFUNCTION" on every binding. Under the lock.
DBIResult bindModule(ModuleRecord &module)
{
    DynLib::Handle handle = DynLib::findLoaded(module.libraryName);
    std::uint16_t flags = 0;
    if (!handle) {
        handle = FindAndLoadLibrary(std::nullopt, module.libraryName);
        if (!handle)
            return kStatusLibraryUnavailable;
        flags = kModuleOwnsReference;
    }
    module.handle = handle;
    module.flags = flags;
    if (auto init = reinterpret_cast<PFN_DLLINITFUNCTION>(symbol(handle, "DLLINITFUNCTION"))) {
        const LoaderInitRecord record = {1, module.libraryName, &g_client.record};
        init(&record);
    }
    return 0;
}

// Returns the module to unbound: tells the library (its exit entry, or the
// second exit entry with the client record) and puts every slot back on its
// stub. The library is not freed: a load reference the binding took stays,
// so that a call still running through an old slot never finds the library
// unmapped, and the next binding finds the library loaded and takes no
// further reference. Under the lock.
void unbindModule(ModuleRecord &module)
{
    if (!module.handle)
        return;
    DynLib::Handle handle = module.handle;
    if (auto exit = reinterpret_cast<PFN_DLLEXITFUNCTION>(symbol(handle, "DLLEXITFUNCTION")))
        exit();
    else if (auto exit2 = reinterpret_cast<PFN_DLLEXITFUNCTION2>(symbol(handle, "DLLEXITFUNCTION2")))
        exit2(&g_client.record);
    module.handle = nullptr;
    module.flags = 0;
    for (std::size_t slot = 0; slot < module.functionCount; ++slot)
        module.slots[slot].store(module.initialStubs[slot], std::memory_order_release);
}

DBIResult translateLoadFailure(DynLib::Failure failure)
{
    switch (failure) {
    case DynLib::Failure::NotFound: return kStatusLibraryNotFound;
    case DynLib::Failure::OutOfMemory: return kStatusOutOfMemory;
    default: return kStatusLibraryLoadFailed;
    }
}

} // namespace

namespace detail {
std::atomic<void *> g_slots[kFunctionCount];
} // namespace detail

std::uintptr_t ResolveFunction(const FunctionDescriptor *descriptor)
{
    LoaderLock::Guard guard;
    ModuleRecord &module = *descriptor->module;
    if (!module.handle)
        if (const DBIResult status = bindModule(module))
            return status;
    void *address = symbol(module.handle, ordinalSymbol(descriptor->ordinal).c_str());
    if (!address)
        return kStatusEntryNotFound;
    module.slots[descriptor->slotIndex].store(address, std::memory_order_release);
    return reinterpret_cast<std::uintptr_t>(address);
}

DBIResult EngineInit(void *env)
{
    // The whole call runs under the lock (taking it sets it up), so that two
    // threads opening the engine at once neither both load the library nor
    // lose an update of the count.
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    DynLib::Handle handle = g_engine.handle;
    const bool loadedHere = !handle;
    if (loadedHere) {
        handle = FindAndLoadLibrary(std::nullopt, g_module.libraryName);
        if (!handle) {
            lock.release();
            return translateLoadFailure(DynLib::lastError().kind);
        }
    }
    DBIResult status = kStatusNoInitEntry;
    if (auto init = reinterpret_cast<PFN_DbiInitFn>(symbol(handle, "DbiInitFn")))
        status = init(QDBI_INTERFACE_VERSION, env);
    if (status != 0) {
        if (loadedHere) {
            DynLib::free(handle);
            lock.tearDown();
        } else {
            lock.release();
        }
        return status;
    }
    if (g_engine.initCount == 0)
        g_engine.handle = handle;
    ++g_engine.initCount;
    lock.release();
    return 0;
}

DBIResult EngineExit()
{
    // Under the lock too: the count and the handle are shared with
    // EngineInit, and an unlocked update could free the library twice or
    // never.
    LoaderLock::Guard guard;
    DynLib::Handle handle = g_engine.handle;
    auto exit = reinterpret_cast<PFN_DbiExit>(symbol(handle, "DbiExit"));
    if (!exit)
        return kStatusEntryNotFound;
    if (const DBIResult status = exit())
        return status;
    if (g_engine.initCount > 0 && --g_engine.initCount == 0) {
        // A module bound to this library without a reference of its own
        // would keep slots pointing into a library about to be unmapped:
        // unbind it first, so the next engine call binds afresh.
        if (g_module.handle == handle && !(g_module.flags & kModuleOwnsReference))
            unbindModule(g_module);
        DynLib::free(handle);
        g_engine.handle = nullptr;
    }
    return 0;
}

DBIResult EngineLibraryExit()
{
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    unbindModule(g_module);
    lock.tearDown();
    return 0;
}

void UnloadNotify(void *)
{
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    lock.tearDown();
}

BindingState bindingState()
{
    LoaderLock::Guard guard;
    return {g_module.handle, g_module.flags, g_engine.handle, g_engine.initCount, LoaderLock::instance().isSetUp()};
}

const FunctionDescriptor &functionDescriptor(std::size_t slot)
{
    return g_descriptors.at(slot);
}

bool slotOnStub(std::size_t slot)
{
    return detail::g_slots[slot].load(std::memory_order_acquire) == g_initialStubs.at(slot);
}

const LoaderClientRecord &loaderClientRecord()
{
    return g_client.record;
}

const char *engineLibraryName()
{
    return g_module.libraryName;
}

void testing::setEngineLibraryName(const std::string &name)
{
    LoaderLock::Guard guard;
    std::memset(g_module.libraryName, 0, kLibraryNameSize);
    std::memcpy(g_module.libraryName, name.data(), std::min(name.size(), kLibraryNameSize - 1));
}

} // namespace quillon::engine
