// bench_enginelib_query DIR SQL [RUNS]: runs SQL on the CSV folder DIR
// through the engine library's entries RUNS times (default 1) in one
// process, prints the result rows of the last run (tab-separated) to
// standard output and the seconds each run took to standard error, one
// line "run N: S" each.

#include "enginelib/quillondbi.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

static int fail(const char *what)
{
    char message[512];
    QDBI_ORDINAL_SYMBOL(1120)(nullptr, message, sizeof message);
    std::fprintf(stderr, "%s: %s\n", what, message);
    return 1;
}

// Opens the database, runs the query to its end and closes both.
static int runOnce(const char *sql, bool print)
{
    hDBIDb db = nullptr;
    hDBICur cursor = nullptr;
    if (QDBI_ORDINAL_SYMBOL(1104)("QUERYBENCH", nullptr, &db) != 0)
        return fail("open");
    if (QDBI_ORDINAL_SYMBOL(1109)(db, sql, &cursor) != 0)
        return fail("query");
    uint32_t columns = 0;
    QDBI_ORDINAL_SYMBOL(1111)(cursor, &columns);
    DBIBool eof = 0;
    QDBI_ORDINAL_SYMBOL(1117)(cursor, nullptr, &eof);
    while (!eof) {
        for (uint32_t i = 0; i < columns && print; ++i) {
            const char *text = nullptr;
            QDBI_ORDINAL_SYMBOL(1118)(cursor, i, &text, nullptr);
            std::printf(i ? "\t%s" : "%s", text);
        }
        if (print)
            std::printf("\n");
        if (QDBI_ORDINAL_SYMBOL(1114)(cursor) != 0)
            return fail("next");
        QDBI_ORDINAL_SYMBOL(1117)(cursor, nullptr, &eof);
    }
    QDBI_ORDINAL_SYMBOL(1110)(cursor);
    QDBI_ORDINAL_SYMBOL(1105)(db);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s DIR SQL [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc == 4 ? std::atoi(argv[3]) : 1;
    if (DbiInitFn(QDBI_INTERFACE_VERSION, nullptr) != 0)
        return fail("init");
    if (QDBI_ORDINAL_SYMBOL(1207)(nullptr, "QUERYBENCH", nullptr, (std::string("PATH:") + argv[1]).c_str(), 0))
        return fail("alias");
    for (int run = 1; run <= runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (int rc = runOnce(argv[2], run == runs))
            return rc;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "run %d: %.3f\n", run, seconds);
    }
    DbiExit();
    return 0;
}
