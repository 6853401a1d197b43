/*
** What a generated browse extension asks of the engine on every request:
** open its alias, open the table, read every row's fields, close both.
** Run on the shipped sample (demo.sqlite, the 30-row customer table) and
** on a copy of it with a 5,000-row table, so the open and close costs show
** beside the reading.
**
** The library is loaded at run time, so the same program times another
** build of it: LD_LIBRARY_PATH=<that build's bin> bench_enginelib_session.
*/

#include "enginelib/quillondbi.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Sample
{
    fs::path folder;
    Sample()
    {
        folder = fs::temp_directory_path() / ("quillon-bench-session-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        const fs::path file = folder / "demo.sqlite";
        fs::copy_file(QUILLON_EXAMPLES "/data/demo.sqlite", file, fs::copy_options::overwrite_existing);
        sqlite3 *db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE big AS WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < 4999) SELECT i AS ROWNO, c.COMPANY || ' #' || i AS COMPANY, c.CITY, c.PHONE "
                     "FROM n JOIN (SELECT row_number() OVER (ORDER BY CUSTNO) - 1 AS k, * FROM customer) c "
                     "ON c.k = i % (SELECT count(*) FROM customer) ORDER BY i",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        ::setenv("QUILLON_ENGINE_CONFIG", (folder / "engine.cfg").c_str(), 1);
        DbiInitFn(QDBI_INTERFACE_VERSION, nullptr);
        QDBI_ORDINAL_SYMBOL(1207)(nullptr, "SESSIONBENCH", "SQLITE", ("PATH:" + file.string()).c_str(), 1);
    }
    ~Sample()
    {
        DbiExit();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

void request(benchmark::State &state, const char *table)
{
    static Sample sample;
    for (auto _ : state) {
        hDBIDb db = nullptr;
        hDBICur cursor = nullptr;
        if (QDBI_ORDINAL_SYMBOL(1104)("SESSIONBENCH", "", &db) != 0 ||
            QDBI_ORDINAL_SYMBOL(1108)(db, table, &cursor) != 0) {
            state.SkipWithError("cannot open the sample table");
            return;
        }
        uint32_t columns = 0;
        QDBI_ORDINAL_SYMBOL(1111)(cursor, &columns);
        DBIBool eof = 0;
        QDBI_ORDINAL_SYMBOL(1117)(cursor, nullptr, &eof);
        int64_t rows = 0;
        while (!eof) {
            ++rows;
            for (uint32_t i = 0; i < columns; ++i) {
                const char *text = nullptr;
                QDBI_ORDINAL_SYMBOL(1118)(cursor, i, &text, nullptr);
                benchmark::DoNotOptimize(text);
            }
            QDBI_ORDINAL_SYMBOL(1114)(cursor);
            QDBI_ORDINAL_SYMBOL(1117)(cursor, nullptr, &eof);
        }
        QDBI_ORDINAL_SYMBOL(1110)(cursor);
        QDBI_ORDINAL_SYMBOL(1105)(db);
        state.counters["rows"] = double(rows);
    }
}

BENCHMARK_CAPTURE(request, customer30, "customer")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(request, big5000, "big")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
