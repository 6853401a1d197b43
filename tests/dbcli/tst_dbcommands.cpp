/*
** The db subcommands end to end: what they write, their exit codes, and
** their messages for wrong command lines and engine failures.
*/

#include "realengine.h"

#include "cli/dbcommands.h"

#include <algorithm>
#include <sstream>

namespace quillon::cli::test {
namespace {

struct Result
{
    int code;
    std::string out;
    std::string err;
};

class DbCommandsTest : public engine::test::RealEngineTest
{
protected:
    void SetUp() override
    {
        RealEngineTest::SetUp();
        writeTable("shop", "customer.csv",
                   "ID,NAME,NOTE\n1,Ann,\"tab\there\"\n2,Bob,\"two\nlines\"\n3,Cy,back\\slash\n");
        writeTable("shop", "orders.csv", "ORDERNO,PRICE\n10,5\n");
        addAlias("SHOP", "shop");
    }

    static Result db(const std::vector<std::string> &args)
    {
        std::ostringstream out, err;
        const int code = runDbCommand(args, out, err);
        return {code, out.str(), err.str()};
    }
};

TEST_F(DbCommandsTest, ListingsWriteOneNameALine)
{
    addAlias("DEMO2", "shop");
    EXPECT_EQ(db({"aliases"}).out, "DEMO2\nSHOP\n");
    EXPECT_EQ(db({"db", "tables", "SHOP"}).out, "customer.csv\norders.csv\n") << "a leading db is skipped";
    const Result fields = db({"fields", "SHOP", "customer.csv"});
    EXPECT_EQ(fields.code, 0);
    EXPECT_EQ(fields.out, "ID\nNAME\nNOTE\n");
    EXPECT_EQ(fields.err, "");
}

TEST_F(DbCommandsTest, QueryWritesAHeaderAndTabSeparatedRowsWithValuesEscaped)
{
    const Result r = db({"query", "SHOP", "SELECT", "ID, NAME, NOTE FROM customer ORDER BY ID"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "ID\tNAME\tNOTE\n"
                     "1\tAnn\ttab\\there\n"
                     "2\tBob\ttwo\\nlines\n"
                     "3\tCy\tback\\\\slash\n");
}

TEST_F(DbCommandsTest, QueryWithoutRowsWritesOnlyTheHeader)
{
    const Result r = db({"query", "SHOP", "SELECT * FROM orders WHERE PRICE > 1000"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "ORDERNO\tPRICE\n");
}

TEST_F(DbCommandsTest, LoginOptionsAreTakenInBothFormsAnywhere)
{
    EXPECT_EQ(db({"--user", "scott", "tables", "SHOP", "--password=tiger"}).code, 0);
    EXPECT_EQ(db({"tables", "--user=scott", "SHOP", "--password", "tiger"}).out, "customer.csv\norders.csv\n");
}

struct BadLine
{
    std::vector<std::string> args;
    const char *message;
};

class DbCommandsUsageTest : public DbCommandsTest, public ::testing::WithParamInterface<BadLine>
{};

TEST_P(DbCommandsUsageTest, WrongCommandLineIsExitTwoWithUsage)
{
    const Result r = db(GetParam().args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: quillon db"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DbCommandsUsageTest,
    ::testing::Values(BadLine{{}, "no command given"}, BadLine{{"db"}, "no command given"},
                      BadLine{{"drop", "SHOP"}, "unknown command \"drop\""},
                      BadLine{{"tables"}, "wrong number of arguments for \"tables\""},
                      BadLine{{"fields", "SHOP"}, "wrong number of arguments for \"fields\""},
                      BadLine{{"aliases", "extra"}, "wrong number of arguments for \"aliases\""},
                      BadLine{{"query", "SHOP"}, "wrong number of arguments for \"query\""},
                      BadLine{{"tables", "SHOP", "--user"}, "--user needs a value"}),
    [](const ::testing::TestParamInfo<BadLine> &info) { return "Line" + std::to_string(info.index); });

TEST_F(DbCommandsTest, EngineFailuresAreExitOneWithTheEnginesMessage)
{
    const Result unknown = db({"tables", "NOPE"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("NOPE"), std::string::npos) << unknown.err;

    const Result sql = db({"query", "SHOP", "SELECT * FROM nosuchtable"});
    EXPECT_EQ(sql.code, 1);
    EXPECT_EQ(sql.out, "");
    EXPECT_NE(sql.err.find("nosuchtable"), std::string::npos) << sql.err;

    const Result field = db({"fields", "SHOP", "missing.csv"});
    EXPECT_EQ(field.code, 1);
    EXPECT_EQ(std::count(field.err.begin(), field.err.end(), '\n'), 1) << field.err;
}

} // namespace
} // namespace quillon::cli::test
