#include "enginelib/csvprefetcher.h"
#include "enginelib/csvreader.h"
#include "enginelib/csvtablereader.h"
#include "enginelib/engineerror.h"
#include "enginetestsupport.h"

#include <gtest/gtest.h>

using namespace quillon::enginelib;

namespace {

using Records = std::vector<std::vector<std::string>>;

Records readAll(CsvReader &reader)
{
    Records records;
    std::vector<std::string> fields;
    while (reader.next(fields))
        records.push_back(fields);
    return records;
}

struct GoodCase
{
    const char *name;
    std::string input;
    Records expected;
    bool missingLineEnd;
};

class CsvReaderGood : public ::testing::TestWithParam<GoodCase>
{
};

TEST_P(CsvReaderGood, ReadsRecords)
{
    const GoodCase &c = GetParam();
    CsvReader reader(c.input, "mem");
    EXPECT_EQ(readAll(reader), c.expected);
    EXPECT_EQ(reader.missingLineEnd(), c.missingLineEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CsvReaderGood,
    ::testing::Values(
        GoodCase{"Empty", "", {}, false},
        GoodCase{"Lf", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}, false},
        GoodCase{"CrLf", "a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}, false},
        GoodCase{"EmptyFields", ",,\n", {{"", "", ""}}, false},
        GoodCase{"QuotedComma", "\"x,y\",z\n", {{"x,y", "z"}}, false},
        GoodCase{"DoubledQuote", "\"say \"\"hi\"\"\"\n", {{"say \"hi\""}}, false},
        GoodCase{"QuotedLineBreaks", "\"l1\r\nl2\nl3\",e\n", {{"l1\r\nl2\nl3", "e"}}, false},
        GoodCase{"EmptyQuoted", "\"\",x\n", {{"", "x"}}, false},
        GoodCase{"BlankLine", "a\n\nb\n", {{"a"}, {""}, {"b"}}, false},
        GoodCase{"HighBytes", "caf\xe9,\x01\n", {{"caf\xe9", "\x01"}}, false},
        GoodCase{"LastLineWithoutLineEnd", "a,b\n1,2", {{"a", "b"}, {"1", "2"}}, true},
        GoodCase{"LastQuotedWithoutLineEnd", "a\n\"x\"", {{"a"}, {"x"}}, true},
        GoodCase{"LastLineCutAfterCr", "a\r\nb\r", {{"a"}, {"b"}}, true},
        GoodCase{"ByteOrderMark", "\xEF\xBB\xBF\"ID\",N\n1,\xEF\xBB\xBF\n", {{"ID", "N"}, {"1", "\xEF\xBB\xBF"}}, false},
        GoodCase{"OnlyAByteOrderMark", "\xEF\xBB\xBF", {}, false}),
    [](const auto &info) { return std::string(info.param.name); });

struct BadCase
{
    const char *name;
    std::string input;
    const char *messagePart;
};

class CsvReaderBad : public ::testing::TestWithParam<BadCase>
{
};

TEST_P(CsvReaderBad, RejectsWithLine)
{
    const BadCase &c = GetParam();
    CsvReader reader(c.input, "t.csv");
    try {
        readAll(reader);
        FAIL() << "no error";
    } catch (const EngineError &e) {
        EXPECT_EQ(e.status(), QDBIERR_MALFORMEDCSV);
        EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("t.csv, line "), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, CsvReaderBad,
    ::testing::Values(BadCase{"QuoteInPlainField", "a\nab\"c\n", "line 2: double quote"},
                      BadCase{"TextAfterClosingQuote", "\"ab\"c,d\n", "after the closing quote"},
                      BadCase{"LoneCr", "a\rb\n", "carriage return"},
                      BadCase{"NulInPlain", std::string("a\n\0b\n", 5), "NUL"},
                      BadCase{"NulInQuoted", std::string("\"a\0\"\n", 5), "NUL"},
                      BadCase{"QuoteNeverClosed", "a,b\n1,2\n3,\"open\n4,5\n6,7\n", "line 3: the double quote"},
                      BadCase{"QuoteNeverClosedAtTheEnd", "a\n\"open\n", "line 2: the double quote"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CsvReader, LineNumbersCountQuotedLineBreaks)
{
    CsvReader reader(std::string("\"a\nb\"\nx\"\n"), "m");
    std::vector<std::string> fields;
    ASSERT_TRUE(reader.next(fields));
    try {
        reader.next(fields);
        FAIL();
    } catch (const EngineError &e) {
        EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
    }
}

TEST(CsvReader, FileRecordsLargerThanTheBufferAndSeekBack)
{
    enginetest::TempDir dir;
    const std::string big(700000, 'x'); // spans several read chunks
    enginetest::writeText(dir.file("big.csv"), "h1,h2\n\"" + big + "\",1\nshort,2\n");
    CsvReader reader(dir.file("big.csv"));
    std::vector<std::string> fields;
    ASSERT_TRUE(reader.next(fields));
    ASSERT_TRUE(reader.next(fields));
    EXPECT_EQ(fields[0], big);
    const uint64_t offset = reader.recordOffset();
    const uint64_t line = reader.recordLine();
    ASSERT_TRUE(reader.next(fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"short", "2"}));
    EXPECT_FALSE(reader.next(fields));
    reader.seek(offset, line);
    ASSERT_TRUE(reader.next(fields));
    EXPECT_EQ(fields[0].size(), big.size());
}

TEST(CsvReader, RecordOverTheLimitIsRefused)
{
    std::string huge = "\"" + std::string(CsvReader::kMaxRecordBytes + 10, 'y') + "\"\n";
    CsvReader reader(huge, "m");
    std::vector<std::string> fields;
    EXPECT_THROW(reader.next(fields), EngineError);
}

TEST(CsvReader, MissingFileNamesThePath)
{
    try {
        CsvReader reader("/nonexistent/q.csv");
        FAIL();
    } catch (const EngineError &e) {
        EXPECT_EQ(e.status(), QDBIERR_IO);
        EXPECT_NE(std::string(e.what()).find("/nonexistent/q.csv"), std::string::npos);
    }
}

// The table layer: header rules, width checks, blank lines, torn rows.
TEST(CsvTableReader, RowsMustMatchTheHeader)
{
    CsvTableReader reader(std::string("a,b\n1,2\n\n3\n"), "t.csv");
    std::vector<std::string> row;
    ASSERT_TRUE(reader.next(row));
    try {
        reader.next(row);
        FAIL();
    } catch (const EngineError &e) {
        EXPECT_STREQ(e.what(), "t.csv, line 4: 1 fields where the header has 2");
    }
}

TEST(CsvTableReader, LastLineWithoutLineEndIsARow)
{
    CsvTableReader headerOnly(std::string("id,name"), "h.csv");
    EXPECT_EQ(headerOnly.header(), (std::vector<std::string>{"id", "name"}));
    EXPECT_TRUE(headerOnly.missingLineEnd());
    std::vector<std::string> row;
    EXPECT_FALSE(headerOnly.next(row));

    CsvTableReader open(std::string("\xEF\xBB\xBFid,name\n1,ann\n2,bob"), "t.csv");
    EXPECT_EQ(open.header(), (std::vector<std::string>{"id", "name"}));
    ASSERT_TRUE(open.next(row));
    ASSERT_TRUE(open.next(row));
    EXPECT_EQ(row, (std::vector<std::string>{"2", "bob"}));
    EXPECT_FALSE(open.next(row));
    EXPECT_TRUE(open.missingLineEnd());
    EXPECT_STREQ(open.lineEnd(), "\n");
}

TEST(CsvTableReader, BadHeaders)
{
    EXPECT_THROW(CsvTableReader(std::string("a,,b\n"), "m"), EngineError);
    EXPECT_THROW(CsvTableReader(std::string("a,B,b\n"), "m"), EngineError);
    EXPECT_TRUE(CsvTableReader(std::string(""), "m").header().empty());
}

} // namespace

namespace {

struct PrefetchCase
{
    const char *name;
    size_t rows;      // data rows written
    size_t badAt;     // 0, or the row that has a field too many
    size_t readFirst; // 0: read to the end; else read this many rows, then stop
};

class CsvPrefetch : public ::testing::TestWithParam<PrefetchCase>
{
};

// The prefetcher gives what a sequential reader gives, row for row with
// the same lines, up to and including its error, across batch boundaries,
// and stops cleanly when the caller stops early.
TEST_P(CsvPrefetch, GivesWhatTheSequentialReaderGives)
{
    const PrefetchCase &c = GetParam();
    std::string text = "a,b\n";
    for (size_t i = 1; i <= c.rows; ++i) {
        if (i % 1000 == 7)
            text += "\"quoted\nover lines\"," + std::to_string(i) + "\n\n"; // and a blank line
        else
            text += std::to_string(i) + (i == c.badAt ? ",x,y\n" : ",x\n");
    }
    CsvTableReader sequential(text, "mem");
    CsvPrefetcher prefetched(std::make_unique<CsvTableReader>(text, "mem"));
    std::vector<std::string> expected, got;
    size_t read = 0;
    for (; c.readFirst == 0 || read < c.readFirst; ++read) {
        std::string expectedError, gotError;
        bool more = false, gotMore = false;
        uint64_t line = 0;
        try {
            more = sequential.next(expected);
        } catch (const EngineError &e) {
            expectedError = e.what();
        }
        try {
            gotMore = prefetched.next(got, line);
        } catch (const EngineError &e) {
            gotError = e.what();
        }
        ASSERT_EQ(gotError, expectedError) << "row " << read;
        if (!expectedError.empty()) {
            EXPECT_THROW(prefetched.next(got, line), EngineError) << "the error stays";
            break;
        }
        ASSERT_EQ(gotMore, more) << "row " << read;
        if (!more)
            break;
        ASSERT_EQ(got, expected) << "row " << read;
        ASSERT_EQ(line, sequential.recordLine()) << "row " << read;
    }
    EXPECT_EQ(read, c.readFirst ? c.readFirst : c.badAt ? c.badAt - 1 : c.rows);
}

constexpr size_t kBatch = CsvPrefetcher::kBatchRows;

INSTANTIATE_TEST_SUITE_P(
    Files, CsvPrefetch,
    ::testing::Values(PrefetchCase{"NoRows", 0, 0, 0}, PrefetchCase{"OneRow", 1, 0, 0},
                      PrefetchCase{"OneShortOfABatch", kBatch - 1, 0, 0}, PrefetchCase{"ABatch", kBatch, 0, 0},
                      PrefetchCase{"ManyBatches", kBatch * 9 + 3, 0, 0},
                      PrefetchCase{"ErrorInTheFirstRow", 10, 1, 0},
                      PrefetchCase{"ErrorAfterManyBatches", kBatch * 9, kBatch * 7 + 5, 0},
                      PrefetchCase{"StoppedEarly", kBatch * 20, 0, 10},
                      PrefetchCase{"StoppedWithTheQueueFull", kBatch * 20, 0, kBatch + 1}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
