// bench_enginelib_query DIR SQL [RUNS [ROWS]]: runs SQL on the CSV folder
// DIR (or the server that DIR names when it is a postgresql:// URI, logging
// in as $PGUSER with $PGPASSWORD) through the engine library's entries RUNS
// times (default 1) in one process, reading at most ROWS rows (default all),
// prints the result rows of the last run (tab-separated) to standard output
// and the seconds each run took to standard error, one line "run N: S"
// each, then the peak memory "peak rss: N kB".

#include "enginelib/quillondbi.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

static int fail(const char *what)
{
    char message[512];
    QDBI_ORDINAL_SYMBOL(1120)(nullptr, message, sizeof message);
    std::fprintf(stderr, "%s: %s\n", what, message);
    return 1;
}

// Opens the database, runs the query to its end and closes both.
static int runOnce(const char *sql, bool print, long maxRows)
{
    hDBIDb db = nullptr;
    hDBICur cursor = nullptr;
    std::string login;
    for (const auto &[line, variable] : {std::pair{"USER NAME=", "PGUSER"}, std::pair{"PASSWORD=", "PGPASSWORD"}})
        if (const char *value = std::getenv(variable))
            login += line + std::string(value) + "\n";
    if (QDBI_ORDINAL_SYMBOL(1104)("QUERYBENCH", login.c_str(), &db) != 0)
        return fail("open");
    if (QDBI_ORDINAL_SYMBOL(1109)(db, sql, &cursor) != 0)
        return fail("query");
    uint32_t columns = 0;
    QDBI_ORDINAL_SYMBOL(1111)(cursor, &columns);
    DBIBool eof = 0;
    QDBI_ORDINAL_SYMBOL(1117)(cursor, nullptr, &eof);
    for (long row = 0; !eof && (maxRows == 0 || row < maxRows); ++row) {
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
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: %s DIR|URI SQL [RUNS [ROWS]]\n", argv[0]);
        return 2;
    }
    const int runs = argc >= 4 ? std::atoi(argv[3]) : 1;
    const long maxRows = argc == 5 ? std::atol(argv[4]) : 0;
    if (DbiInitFn(QDBI_INTERFACE_VERSION, nullptr) != 0)
        return fail("init");
    if (QDBI_ORDINAL_SYMBOL(1207)(nullptr, "QUERYBENCH", nullptr, (std::string("PATH:") + argv[1]).c_str(), 0))
        return fail("alias");
    for (int run = 1; run <= runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (int rc = runOnce(argv[2], run == runs, maxRows))
            return rc;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "run %d: %.3f\n", run, seconds);
    }
    DbiExit();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "peak rss: %ld kB\n", usage.ru_maxrss);
    return 0;
}
