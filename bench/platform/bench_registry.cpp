/*
** Registry hive reads and writes against the hive's size: N keys of one
** value each. Opening a key reads and parses the whole hive; writing a
** value reads it, changes one value and replaces the file. Both must grow
** linearly: twice N, about twice the time.
*/

#include "platform/atomicfile.h"
#include "platform/registry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace quillon::platform;

namespace {

std::string keyPath(long i)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "Software\\Bench\\Key%07ld", i);
    return buf;
}

// A registry folder whose machine hive holds n keys.
std::string hiveOfSize(long n)
{
    const std::string dir = (std::filesystem::temp_directory_path() /
                             ("quillon-bench-registry-" + std::to_string(::getpid())))
                                .string();
    std::filesystem::create_directories(dir);
    std::string text = "REGEDIT4\r\n";
    for (long i = 0; i < n; ++i)
        text += "\r\n[HKEY_LOCAL_MACHINE\\" + keyPath(i) + "]\r\n\"Value\"=\"text " + std::to_string(i) + "\"\r\n";
    writeFileAtomically(dir + "/HKEY_LOCAL_MACHINE.reg", text);
    return dir;
}

void BM_OpenKey(benchmark::State &state)
{
    const std::string dir = hiveOfSize(state.range(0));
    const Registry registry(dir);
    for (auto _ : state) {
        auto key = registry.openKey(Hive::LocalMachine, keyPath(state.range(0) - 1));
        benchmark::DoNotOptimize(key);
    }
    std::filesystem::remove_all(dir);
    state.SetComplexityN(state.range(0));
}

void BM_WriteValue(benchmark::State &state)
{
    const std::string dir = hiveOfSize(state.range(0));
    const Registry registry(dir);
    RegistryKey key = registry.createKey(Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0");
    int i = 0;
    for (auto _ : state)
        key.writeString("RootDir", "/opt/root" + std::to_string(i++));
    std::filesystem::remove_all(dir);
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_OpenKey)->Arg(10000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_WriteValue)->Arg(10000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
