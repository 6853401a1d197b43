// The shipped sample: the CSV folder and demo.sqlite hold the same data,
// and the tables are related as a user browsing them would expect.

#include "enginefixture.h"

using namespace enginetest;

namespace {

using SampleData = EngineTest;

const std::string kSample = QUILLON_SOURCE_DIR "/examples/data";

TEST_F(SampleData, CsvFolderAndSqliteFileAnswerAlike)
{
    ASSERT_EQ(DbiAddAlias(nullptr, "CSVDEMO", nullptr, ("PATH:" + kSample).c_str(), 0), 0);
    ASSERT_EQ(DbiAddAlias(nullptr, "SQLDEMO", "SQLITE", ("PATH:" + kSample + "/demo.sqlite").c_str(), 0), 0);
    hDBIDb csv = nullptr, sql = nullptr;
    ASSERT_EQ(DbiOpenDatabase("CSVDEMO", nullptr, &csv), 0) << lastError();
    ASSERT_EQ(DbiOpenDatabase("SQLDEMO", nullptr, &sql), 0) << lastError();

    hDBIList list = nullptr;
    ASSERT_EQ(DbiListTables(csv, "*.*", 0, 0, &list), 0);
    const auto csvTables = takeNames(list);
    ASSERT_EQ(DbiListTables(sql, "*.*", 0, 0, &list), 0);
    EXPECT_EQ(takeNames(list), csvTables);
    EXPECT_EQ(csvTables, (std::vector<std::string>{"customer", "guestbook", "items", "orders", "parts"}));

    const std::string join =
        "SELECT c.COMPANY, o.ORDERNO, o.TOTAL, round(sum(i.QTY * p.PRICE), 2), count(*) "
        "FROM customer c JOIN orders o ON o.CUSTNO = c.CUSTNO JOIN items i ON i.ORDERNO = o.ORDERNO "
        "JOIN parts p ON p.PARTNO = i.PARTNO GROUP BY o.ORDERNO ORDER BY o.ORDERNO";
    const auto fromCsv = query(csv, join);
    EXPECT_EQ(fromCsv.size(), 40u) << "every order has a customer and items";
    EXPECT_EQ(query(sql, join), fromCsv);
    for (const auto &row : fromCsv)
        ASSERT_EQ(row[2], row[3]) << "order total is the sum of its items";

    // Numeric columns compared with text literals, the way the typed file compares them.
    for (const char *where : {"CUSTNO = '1001'", "CUSTNO = '1001.0'", "'1001' = CUSTNO", "CUSTNO IN ('1001', '1221')",
                              "CUSTNO < '1300'", "CUSTNO = ' 1001'", "COMPANY = 1001"}) {
        const std::string sqlText = std::string("SELECT count(*) FROM customer WHERE ") + where;
        EXPECT_EQ(query(csv, sqlText), query(sql, sqlText)) << where;
    }
    EXPECT_EQ(query(csv, "SELECT count(*) FROM customer WHERE CUSTNO = '1001'"), (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_EQ(DbiCloseDatabase(csv), 0);
    EXPECT_EQ(DbiCloseDatabase(sql), 0);
}

} // namespace
