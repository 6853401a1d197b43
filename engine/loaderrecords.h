#pragma once

/*
** The records the engine binding keeps about the engine library and hands
** to it. All are packed (no padding), in the field order the engine's loader
** protocol fixes.
**
** The protocol was laid out for 32-bit code, where handles and pointers are
** 4 bytes. Here every handle and pointer field keeps its place but takes the
** platform's pointer size (8 bytes on a 64-bit build), so:
**   FunctionDescriptor  module 8, slot index 4, ordinal 4          = 16 bytes
**   ModuleRecord        handle 8, count 2, name 32, slots 8,
**                       initial stubs 8, flags 2                    = 60 bytes
**   LoaderInitRecord    version 2, library name 8, client record 8 = 18 bytes
**   LoaderClientRecord  signature 4, version 2, UnloadNotify 8     = 14 bytes
** (10, 50, 10 and 10 bytes on a 32-bit build.)
*/

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quillon::engine {

struct ModuleRecord;

// One engine function: where it belongs and how to find it.
struct __attribute__((packed)) FunctionDescriptor
{
    ModuleRecord *module;
    std::uint32_t slotIndex;
    std::uint32_t ordinal; // only the low 16 bits are used
};

inline constexpr std::uint16_t kModuleOwnsReference = 0x0001; // flags bit 0
inline constexpr std::size_t kLibraryNameSize = 32;

// The engine library as the binding sees it.
struct __attribute__((packed)) ModuleRecord
{
    void *handle;                       // null while the module is not bound
    std::uint16_t functionCount;        // 654
    char libraryName[kLibraryNameSize]; // NUL-padded
    std::atomic<void *> *slots;         // the slot array
    void *const *initialStubs;          // the read-only initial-stub copy
    std::uint16_t flags;                // kModuleOwnsReference
};

// Routine the library may call back with its module handle.
using UnloadNotifyFn = void (*)(void *moduleHandle);

struct __attribute__((packed)) LoaderClientRecord
{
    char signature[4]; // "VQX" and a NUL
    std::uint16_t version; // 1
    UnloadNotifyFn unloadNotify;
};

// The client record as it stands in memory: followed by 32 zero bytes.
struct __attribute__((packed)) LoaderClientBlock
{
    LoaderClientRecord record;
    unsigned char reserved[32];
};

// Built afresh for each call of the library's "DLLINITFUNCTION".
struct __attribute__((packed)) LoaderInitRecord
{
    std::uint16_t version; // 1
    const char *libraryName;
    const LoaderClientRecord *client;
};

static_assert(sizeof(FunctionDescriptor) == sizeof(void *) + 8);
static_assert(sizeof(ModuleRecord) == 3 * sizeof(void *) + 2 + 32 + 2);
static_assert(sizeof(LoaderInitRecord) == 2 + 2 * sizeof(void *));
static_assert(sizeof(LoaderClientRecord) == 6 + sizeof(void *));
static_assert(sizeof(LoaderClientBlock) == sizeof(LoaderClientRecord) + 32);
static_assert(sizeof(std::atomic<void *>) == sizeof(void *) && std::atomic<void *>::is_always_lock_free);

} // namespace quillon::engine
