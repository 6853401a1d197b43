// Opening a cursor on a table of 1,000,000 rows and reading its first 100
// rows: the time must not depend on the table's size, and neither may the
// memory (the peak resident size is reported beside a 1,000-row table).

#include "benchtables.h"
#include "enginelib/quillondbi.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const std::string &dataDir()
{
    static const std::string dir = [] {
        std::string d = (std::filesystem::temp_directory_path() / "qdbi-bench-XXXXXX").string();
        if (!::mkdtemp(d.data()))
            std::abort();
        ::setenv("QUILLON_ENGINE_CONFIG", (d + "/engine.cfg").c_str(), 1);
        enginebench::writeTable(d + "/small.csv", 1000);
        enginebench::writeTable(d + "/big.csv", 1000000);
        DbiInitFn(QDBI_INTERFACE_VERSION, nullptr);
        QDBI_ORDINAL_SYMBOL(1207)(nullptr, "BENCH", nullptr, ("PATH:" + d).c_str(), 0);
        return d;
    }();
    return dir;
}

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// touch: give the file a new time before each iteration, so the engine has
// to learn its column types again.
void firstRows(benchmark::State &state, const char *table, bool sql, bool touch = false)
{
    dataDir();
    hDBIDb db = nullptr;
    if (QDBI_ORDINAL_SYMBOL(1104)("BENCH", nullptr, &db) != 0) {
        state.SkipWithError("cannot open the database");
        return;
    }
    const std::string text = std::string("SELECT * FROM ") + table;
    const long before = peakKb();
    for (auto _ : state) {
        if (touch) {
            state.PauseTiming();
            ::utimensat(AT_FDCWD, (dataDir() + "/big.csv").c_str(), nullptr, 0);
            state.ResumeTiming();
        }
        hDBICur cursor = nullptr;
        const DBIResult rc = sql ? QDBI_ORDINAL_SYMBOL(1109)(db, text.c_str(), &cursor)
                                 : QDBI_ORDINAL_SYMBOL(1108)(db, table, &cursor);
        if (rc != 0) {
            state.SkipWithError("cannot open the cursor");
            break;
        }
        for (int i = 0; i < 100; ++i) {
            const char *value = nullptr;
            QDBI_ORDINAL_SYMBOL(1118)(cursor, 1, &value, nullptr);
            benchmark::DoNotOptimize(value);
            QDBI_ORDINAL_SYMBOL(1114)(cursor);
        }
        QDBI_ORDINAL_SYMBOL(1110)(cursor);
    }
    state.counters["peak_rss_kb"] = double(peakKb());
    state.counters["peak_growth_kb"] = double(peakKb() - before);
    QDBI_ORDINAL_SYMBOL(1105)(db);
}

void TableCursor1k(benchmark::State &state) { firstRows(state, "small.csv", false); }
void TableCursor1M(benchmark::State &state) { firstRows(state, "big.csv", false); }
// SQL on a CSV table: the first run of a file also learns its column types
// (one streaming pass, cached while the file is unchanged); later runs do not.
void QueryCursor1M(benchmark::State &state) { firstRows(state, "big", true); }
void QueryCursor1MFirstTime(benchmark::State &state) { firstRows(state, "big", true, true); }

BENCHMARK(TableCursor1k)->Unit(benchmark::kMillisecond);
BENCHMARK(TableCursor1M)->Unit(benchmark::kMillisecond);
BENCHMARK(QueryCursor1M)->Unit(benchmark::kMillisecond);
BENCHMARK(QueryCursor1MFirstTime)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    dataDir();
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(dataDir());
    return 0;
}
