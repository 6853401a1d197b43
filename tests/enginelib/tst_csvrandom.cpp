// Seeded random inputs for the CSV reader: arbitrary bytes never crash it
// (it returns records or throws EngineError), and any values written by
// CsvTable::formatLine read back unchanged.

#include "enginelib/csvreader.h"
#include "enginelib/csvtable.h"
#include "enginelib/engineerror.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillon::enginelib;

namespace {

std::string randomBytes(std::mt19937 &rng, size_t maxLength)
{
    static const char alphabet[] = {'a', 'b', ',', '"', '\n', '\r', '\0', ' ', '\xff', '1', '.'};
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 1);
    std::string s(length(rng), ' ');
    for (char &c : s)
        c = alphabet[pick(rng)];
    return s;
}

TEST(CsvRandom, ArbitraryBytesGiveRecordsOrAnError)
{
    std::mt19937 rng(20261208);
    for (int i = 0; i < 20000; ++i) {
        const std::string input = randomBytes(rng, 64);
        CsvReader reader(input, "random");
        std::vector<std::string> fields;
        size_t consumed = 0;
        try {
            while (reader.next(fields)) {
                ASSERT_GT(reader.position(), consumed) << "no progress";
                consumed = reader.position();
            }
            // Every byte is read: nothing is skipped silently.
            ASSERT_EQ(reader.position(), input.size());
        } catch (const EngineError &e) {
            ASSERT_EQ(e.status(), QDBIERR_MALFORMEDCSV);
        }
    }
}

TEST(CsvRandom, FormattedValuesReadBackUnchanged)
{
    std::mt19937 rng(4180);
    std::uniform_int_distribution<int> fieldCount(1, 6);
    for (int i = 0; i < 5000; ++i) {
        std::vector<std::string> values(size_t(fieldCount(rng)));
        for (std::string &v : values) {
            v = randomBytes(rng, 12);
            std::erase(v, '\0'); // values come from C strings
        }
        const std::string line = CsvTable::formatLine(values, i % 2 ? "\r\n" : "\n");
        CsvReader reader(line, "line");
        std::vector<std::string> back;
        ASSERT_TRUE(reader.next(back)) << line;
        ASSERT_EQ(back, values) << line;
        ASSERT_FALSE(reader.next(back));
        ASSERT_FALSE(reader.missingLineEnd());
    }
}

} // namespace
