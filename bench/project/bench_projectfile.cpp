/*
** Project file save and load against the project's size: N input values
** and N returned fields (plus N sorted available fields, which load through
** the sorted insert). Both must grow linearly: twice N, about twice the time.
*/

#include "project/projectfile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace quillon;

namespace {

WizardProject projectOfSize(std::size_t n)
{
    WizardProject p;
    p.PageTitle = "Benchmark";
    p.QrToBrowse = "SELECT *\r\nFROM T\r\n";
    for (std::size_t i = 0; i < n; ++i) {
        p.Input.push_back("InputValue" + std::to_string(i));
        p.RetChosenFields.push_back("RETURNED_FIELD_" + std::to_string(i));
        p.RetAvailFields.push_back("AVAIL_" + std::to_string(i));
    }
    std::sort(p.RetAvailFields.begin(), p.RetAvailFields.end());
    return p;
}

std::string benchFile()
{
    return (std::filesystem::temp_directory_path() /
            ("quillon-bench-" + std::to_string(::getpid()) + ".qnp"))
        .string();
}

void BM_Save(benchmark::State &state)
{
    const WizardProject p = projectOfSize(static_cast<std::size_t>(state.range(0)));
    const std::string path = benchFile();
    for (auto _ : state)
        ProjectFile::save(p, path);
    std::filesystem::remove(path);
    state.SetComplexityN(state.range(0));
}

void BM_Load(benchmark::State &state)
{
    const WizardProject p = projectOfSize(static_cast<std::size_t>(state.range(0)));
    const std::string path = benchFile();
    ProjectFile::save(p, path);
    for (auto _ : state) {
        WizardProject loaded;
        ProjectFile::load(path, loaded);
        benchmark::DoNotOptimize(loaded.Input.data());
    }
    std::filesystem::remove(path);
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_Save)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_Load)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
