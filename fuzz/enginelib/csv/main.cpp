// Feeds arbitrary bytes to the CSV table reader: it must return rows of the
// header's width or throw EngineError, never crash, hang or read out of
// bounds, and a rewind must give the same rows again.

#include "enginelib/csvtablereader.h"
#include "enginelib/engineerror.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quillon::enginelib;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        CsvTableReader reader(text, "fuzz");
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> row;
        while (reader.next(row)) {
            if (row.size() != reader.header().size())
                std::abort();
            rows.push_back(row);
        }
        reader.rewind();
        for (const auto &expected : rows) {
            if (!reader.next(row) || row != expected)
                std::abort();
        }
        if (reader.next(row))
            std::abort();
    } catch (const EngineError &) {
    }
    return 0;
}
