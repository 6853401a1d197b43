#include "wizard/databasehelp.h"

#include "fakeengine.h"

#include <gtest/gtest.h>

using namespace quillon::wizard;
using quillon::wizard::test::FakeEngine;
using quillon::wizard::test::FakeState;

namespace {

using Names = std::vector<std::string>;

TEST(WizardDatabase, NamesHoldTheAliasesAndDBTestSortedOnce)
{
    FakeState s;
    s.aliases = {"zeta", "DBTEST", "Shop", "alpha", "shop"};
    WizardDatabase db(std::make_unique<FakeEngine>(s));
    // Equal names in other letter cases count once; the engine's spelling comes first.
    EXPECT_EQ(db.databaseNames(), (Names{"alpha", "DBTEST", "Shop", "zeta"}));
    s.aliases = {};
    EXPECT_EQ(db.databaseNames(), (Names{"DBTest"}));
}

TEST(WizardDatabase, OpensForOneCommandUnlessConnected)
{
    FakeState s;
    WizardDatabase db(std::make_unique<FakeEngine>(s));
    db.setAlias("SHOP");
    db.setLogin("ann", "se=cret");
    EXPECT_EQ(db.tables(), (Names{"customer", "orders"}));
    EXPECT_EQ(db.tableFields("customer"), (Names{"ID", "NAME", "CITY"}));
    EXPECT_EQ(s.opens, 2);
    EXPECT_EQ(s.live, 0);
    EXPECT_FALSE(db.connected());
    EXPECT_EQ(s.lastParams, (Names{"USER NAME=ann", "PASSWORD=se=cret"}));

    db.connect();
    db.connect();
    db.tables();
    EXPECT_EQ(s.opens, 3);
    EXPECT_EQ(s.live, 1);
    db.disconnect();
    db.disconnect();
    EXPECT_EQ(s.live, 0);
}

TEST(WizardDatabase, FailuresCarryTheEngineMessageAndLeaveNothingOpen)
{
    FakeState s;
    WizardDatabase db(std::make_unique<FakeEngine>(s));
    db.setAlias("SHOP");
    EXPECT_THROW(
        {
            try {
                db.tableFields("nowhere");
            } catch (const std::exception &e) {
                EXPECT_STREQ(e.what(), "Table does not exist: nowhere");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_EQ(s.live, 0);
    s.failure = "Cannot load the engine library libidapi32.so";
    EXPECT_THROW(db.connect(), std::runtime_error);
    EXPECT_FALSE(db.connected());
}

TEST(WizardDatabase, PreviewRowsKeepTheConnection)
{
    FakeState s;
    s.queries["SELECT * FROM customer"] = {"ID", "NAME"};
    s.rows = {{"1", "Ann"}, {"2", "Bob"}};
    WizardDatabase db(std::make_unique<FakeEngine>(s));
    db.setAlias("SHOP");
    auto rows = db.openQuery("SELECT * FROM customer");
    EXPECT_TRUE(db.connected());
    std::vector<std::vector<std::string>> out;
    EXPECT_EQ(rows->fetch(10, out), 2u);
    EXPECT_EQ(rows->fetch(10, out), 0u);
    EXPECT_EQ(out[1], (Names{"2", "Bob"}));
}

struct PopupRow
{
    const char *sql;
    const char *query;
};

class FieldPopup : public testing::TestWithParam<PopupRow>
{};

TEST_P(FieldPopup, RewritesTheSelectList)
{
    EXPECT_EQ(fieldPopupQuery(GetParam().sql), GetParam().query);
}

INSTANTIATE_TEST_SUITE_P(
    Sql, FieldPopup,
    testing::Values(PopupRow{"SELECT a, b FROM t WHERE x = 1", "SELECT  * FROM t "},
                    PopupRow{"select name, city from customer", "select  * from customer"},
                    PopupRow{"SELECT * FROM tablelist", "SELECT  * FROM tablelist"},
                    PopupRow{"SELECT x FROM t", "SELECT  * FROM t"},
                    PopupRow{"SELECT FROM t", "SELECT  * FROM t"}, // nothing to remove
                    PopupRow{"SELECT", "SELECT * "},              // " * " appended
                    PopupRow{"SELECT a,b", "SELECT  * a,b"},      // no FROM: nothing removed
                    PopupRow{"delete from t where select", ""},    // WHERE cut first
                    PopupRow{"UPDATE t SET a = 1", ""}, PopupRow{"", ""}));

} // namespace
