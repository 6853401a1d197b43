#pragma once

// Writes a CSV table of generated rows for the benchmarks: ID, NAME, CITY,
// PRICE, about 40 bytes a row.

#include <cstdio>
#include <string>

namespace enginebench {

inline void writeTable(const std::string &path, long rows)
{
    static const char *const cities[] = {"Oslo", "Lyon", "Porto", "Graz", "Turku", "Bilbao", "Gent", "Leeds"};
    FILE *f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fputs("ID,NAME,CITY,PRICE\n", f);
    unsigned long x = 12345;
    for (long i = 0; i < rows; ++i) {
        x = x * 6364136223846793005UL + 1442695040888963407UL;
        std::fprintf(f, "%ld,\"Customer %lu, Ltd\",%s,%lu.%02lu\n", i + 1, (x >> 40) % 100000,
                     cities[(x >> 20) % 8], (x >> 33) % 1000, (x >> 13) % 100);
    }
    std::fclose(f);
}

} // namespace enginebench
