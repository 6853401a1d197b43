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

// The command lines themselves are tested with every other command's, as a
// table run through the quillon program; here only that this entry reports
// like the program does.
TEST_F(DbCommandsTest, WrongCommandLineIsReportedAsTheProgramDoes)
{
    const Result r = db({"aliases", "--verbose"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quillon: db: unknown option '--verbose'\nTry 'quillon --help' for more information.\n");
}

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
