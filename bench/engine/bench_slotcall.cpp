/*
** What the lazy binding costs once a slot is resolved: the same engine
** entry called through its slot (by the out-of-line entry, and inlined at
** the caller), directly (linked, through the PLT as any
** program linking the library would), and through a function pointer held
** by the caller. The entry does next to nothing, so the call itself shows.
*/

#include "engine/enginebinding.h"
#include "engine/enginefunctions.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace quillon::engine;

struct OpenEngine
{
    OpenEngine()
    {
        if (EngineInit(nullptr) != 0 || DbiGetLastError(nullptr, nullptr, 0) != 0)
            std::abort();
    }
    ~OpenEngine() { EngineExit(); }
};

void BM_ThroughSlot(benchmark::State &state)
{
    OpenEngine engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(DbiGetLastError(nullptr, nullptr, 0));
}
BENCHMARK(BM_ThroughSlot);

void BM_ThroughSlotInlined(benchmark::State &state)
{
    OpenEngine engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(callSlot<QDBI_ORD_GETLASTERROR>(nullptr, nullptr, 0u));
}
BENCHMARK(BM_ThroughSlotInlined);

void BM_DirectCall(benchmark::State &state)
{
    OpenEngine engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(QDBI_ORDINAL_SYMBOL(1120)(nullptr, nullptr, 0));
}
BENCHMARK(BM_DirectCall);

void BM_HeldPointer(benchmark::State &state)
{
    OpenEngine engine;
    PFN_DbiGetLastError fn = &QDBI_ORDINAL_SYMBOL(1120);
    benchmark::DoNotOptimize(fn);
    for (auto _ : state)
        benchmark::DoNotOptimize(fn(nullptr, nullptr, 0));
}
BENCHMARK(BM_HeldPointer);

// The first call of a slot: bind, resolve, patch, then call.
void BM_FirstCallAfterUnbind(benchmark::State &state)
{
    OpenEngine engine;
    for (auto _ : state) {
        state.PauseTiming();
        EngineLibraryExit();
        state.ResumeTiming();
        benchmark::DoNotOptimize(DbiGetLastError(nullptr, nullptr, 0));
    }
}
BENCHMARK(BM_FirstCallAfterUnbind);

} // namespace
