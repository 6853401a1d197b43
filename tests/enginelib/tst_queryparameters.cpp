// Query parameters bound by the CSV folder and the SQLite file drivers
// (the server's rows are in tst_pgdatabase.cpp): every row of
// parameterrows.h on both, and what the plain query entry does after.

#include "enginefixture.h"
#include "parameterrows.h"

#include <sqlite3.h>

using namespace enginetest;

namespace {

class QueryParameters : public EngineTest, public testing::WithParamInterface<std::tuple<const char *, ParameterRow>>
{
protected:
    hDBIDb openCity()
    {
        const std::string driver = std::get<0>(GetParam());
        if (driver == "CSV") {
            writeText(data("city.csv"), kCityCsv);
            return openData();
        }
        sqlite3 *handle = nullptr;
        EXPECT_EQ(sqlite3_open(data("city.sqlite").c_str(), &handle), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(handle, kCitySql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(handle);
        return openData("SQLITE", data("city.sqlite"));
    }
};

TEST_P(QueryParameters, BindsByNameAsText)
{
    const ParameterRow &row = std::get<1>(GetParam());
    hDBIDb db = openCity();
    const std::vector<std::string> found = runParameterRow(db, row);
    EXPECT_TRUE(parameterRowMatches(row, found)) << testing::PrintToString(found);
    // The same text through the plain entry afterwards binds nothing (a
    // statement kept for reuse forgets its values): a mark is NULL there.
    EXPECT_EQ(query(db, "SELECT count(*) FROM city WHERE CITY = :City"),
              (std::vector<std::vector<std::string>>{{"0"}}));
    EXPECT_EQ(query(db, "SELECT count(*) FROM city"), (std::vector<std::vector<std::string>>{{"4"}}))
        << "the table is as it was";
    DbiCloseDatabase(db);
}

INSTANTIATE_TEST_SUITE_P(Drivers, QueryParameters,
                         testing::Combine(testing::Values("CSV", "SQLITE"), testing::ValuesIn(parameterRows())),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

using QueryParameterEntry = EngineTest;

TEST_F(QueryParameterEntry, KeepsItsValuesWhenACsvQueryStartsAgainOnTruerTypes)
{
    // CODE looks numeric in the rows read to guess its type and holds text
    // further down: the statement is prepared again once the file has been
    // read, and must be bound again.
    std::string csv = "CODE,NAME\n";
    for (int i = 0; i < 1200; ++i)
        csv += std::to_string(i) + ",n" + std::to_string(i) + "\n";
    csv += "X1,last\n";
    writeText(data("codes.csv"), csv);
    hDBIDb db = openData();
    const ParameterRow row{"",
                           "SELECT NAME FROM codes WHERE CODE = :Code OR CODE = :Other ORDER BY NAME",
                           {{"Code", "X1"}, {"Other", "7"}},
                           {"last", "n7"}};
    EXPECT_EQ(runParameterRow(db, row), row.expected);
    DbiCloseDatabase(db);
}

TEST_F(QueryParameterEntry, RefusesNamelessParametersAndNullArrays)
{
    writeText(data("city.csv"), kCityCsv);
    hDBIDb db = openData();
    hDBICur cursor = nullptr;
    const char *names[] = {"City"};
    const char *values[] = {"Lyon"};
    EXPECT_EQ(DbiOpenQueryParams(db, "SELECT * FROM city WHERE CITY = ?", 1, names, values, &cursor),
              QDBIERR_INVALIDPARAM);
    EXPECT_NE(lastError().find(":Name"), std::string::npos) << lastError();
    EXPECT_EQ(DbiOpenQueryParams(db, "SELECT * FROM city WHERE CITY = :City", 1, nullptr, values, &cursor),
              QDBIERR_INVALIDPARAM);
    EXPECT_EQ(DbiOpenQueryParams(db, "SELECT * FROM city", 0, nullptr, nullptr, nullptr), QDBIERR_INVALIDPARAM);
    ASSERT_EQ(DbiOpenQueryParams(db, "SELECT count(*) FROM city", 0, nullptr, nullptr, &cursor), 0) << lastError();
    EXPECT_EQ(takeRows(cursor), (std::vector<std::vector<std::string>>{{"4"}}));
    DbiCloseDatabase(db);
}

} // namespace
