/*
** The data-access layer against the real engine library: listings, logins,
** cursors and their moves, inserts, and failures as EngineErrors carrying
** the engine's own message.
*/

#include "realengine.h"

#include "engine/enginebinding.h"
#include "engine/engineerror.h"
#include "engine/enginestatus.h"

namespace quillon::engine::test {
namespace {

using Names = std::vector<std::string>;

class DataAccessTest : public RealEngineTest
{
protected:
    void SetUp() override
    {
        RealEngineTest::SetUp();
        writeTable("shop", "customer.csv", "ID,NAME,CITY\n1,Ann,Oslo\n2,Bob,Rome\n3,Cy,Lima\n");
        writeTable("shop", "orders.csv", "ORDERNO,ID,PRICE\n10,1,5\n11,2,25\n12,1,100\n");
        addAlias("SHOP", "shop");
        addAlias("ANOTHER", "shop");
    }
};

TEST_F(DataAccessTest, ListsAliasesTablesAndFields)
{
    DataAccess access;
    EXPECT_EQ(access.aliases(), (Names{"ANOTHER", "SHOP"}));
    const Database db = access.open("SHOP");
    EXPECT_EQ(db.tables(), (Names{"customer.csv", "orders.csv"}));
    EXPECT_EQ(db.fields("customer.csv"), (Names{"ID", "NAME", "CITY"}));
    EXPECT_EQ(db.fields("orders"), (Names{"ORDERNO", "ID", "PRICE"}));
}

TEST_F(DataAccessTest, CursorMovesFirstPriorNextLast)
{
    DataAccess access;
    const Database db = access.open("SHOP");
    Cursor cursor = db.openTable("customer.csv");
    EXPECT_EQ(cursor.columnNames(), (Names{"ID", "NAME", "CITY"}));
    EXPECT_EQ(cursor.row(), (Names{"1", "Ann", "Oslo"}));
    cursor.next();
    EXPECT_EQ(cursor.field(1), "Bob");
    cursor.last();
    EXPECT_EQ(cursor.field(1), "Cy");
    EXPECT_TRUE(cursor.eof());
    cursor.prior();
    EXPECT_EQ(cursor.field(1), "Bob");
    cursor.first();
    EXPECT_EQ(cursor.field(1), "Ann");
    cursor.prior();
    EXPECT_TRUE(cursor.bof());
    EXPECT_EQ(cursor.field(1), "Ann");
}

TEST_F(DataAccessTest, QueryComparesNumbersAndGivesItsColumns)
{
    DataAccess access;
    const Database db = access.open("SHOP", "someone", "secret");
    EXPECT_EQ(db.queryColumns("SELECT NAME, CITY FROM customer"), (Names{"NAME", "CITY"}));
    Cursor cursor = db.openQuery("SELECT ORDERNO FROM orders WHERE PRICE > 10 ORDER BY ORDERNO");
    Names rows;
    for (; !cursor.eof(); cursor.next())
        rows.push_back(cursor.row()[0]);
    EXPECT_EQ(rows, (Names{"11", "12"})) << "25 and 100 are above 10 as numbers, not as text";
}

TEST_F(DataAccessTest, InsertedRowCanBeReadBack)
{
    DataAccess access;
    Database db = access.open("SHOP");
    db.insertRow("customer.csv", {{"NAME", "Dee, \"the\" 4th"}, {"ID", "4"}});
    Cursor cursor = db.openQuery("SELECT NAME, CITY FROM customer WHERE ID = 4");
    ASSERT_FALSE(cursor.eof());
    EXPECT_EQ(cursor.field(0), "Dee, \"the\" 4th");
}

TEST_F(DataAccessTest, FailuresCarryTheStatusAndAMessageNamingTheValue)
{
    DataAccess access;
    try {
        access.testLogin("NOPE", "user", "pw");
        FAIL() << "an unknown alias opened";
    } catch (const EngineError &error) {
        EXPECT_EQ(error.status(), QDBIERR_UNKNOWNALIAS);
        EXPECT_NE(std::string(error.what()).find("NOPE"), std::string::npos) << error.what();
    }
    const Database db = access.open("SHOP");
    try {
        db.openQuery("SELEC nonsense");
        FAIL() << "bad SQL ran";
    } catch (const EngineError &error) {
        EXPECT_EQ(error.status(), QDBIERR_SQL);
        EXPECT_NE(std::string(error.what()).find("SHOP"), std::string::npos) << error.what();
    }
    EXPECT_THROW(db.fields("../customer.csv"), EngineError);
    EXPECT_NO_THROW(access.testLogin("SHOP", "anyone", "anything")) << "a driver without logins ignores them";
}

TEST_F(DataAccessTest, MissingEngineLibraryFailsToOpenWithTheBindingsMessage)
{
    testing::setEngineLibraryName("libidapi32_nowhere.so");
    try {
        DataAccess access;
        ADD_FAILURE() << "opened an engine that is nowhere";
    } catch (const EngineError &error) {
        EXPECT_EQ(error.status(), kStatusLibraryNotFound);
        EXPECT_NE(std::string(error.what()).find("libidapi32_nowhere.so"), std::string::npos) << error.what();
    }
    testing::setEngineLibraryName(QDBI_LIBRARY_NAME);
    EXPECT_NO_THROW(DataAccess());
}

// The login lines the engine reads: the user first, then the password, with
// the values as typed (an "=" or blank inside stays part of the value).
TEST(LoginParams, UserNameLineThenPasswordLine)
{
    EXPECT_EQ(DataAccess::loginParams("scott", "tiger"), (Names{"USER NAME=scott", "PASSWORD=tiger"}));
    EXPECT_EQ(DataAccess::loginParams(" a=b ", ""), (Names{"USER NAME= a=b ", "PASSWORD="}));
}

// A header name may hold a double quote: it is a column like any other,
// and SQL reaches it with the quote doubled inside the quoted name.
TEST_F(DataAccessTest, HeaderWithADoubleQuoteIsAColumnForSql)
{
    writeTable("shop", "said.csv", "ID,\"SAY \"\"HI\"\"\"\n1,hello\n2,bye\n");
    DataAccess access;
    const Database db = access.open("SHOP");
    EXPECT_EQ(db.fields("said.csv"), (Names{"ID", "SAY \"HI\""}));
    Cursor cursor = db.openQuery("SELECT \"SAY \"\"HI\"\"\" FROM said WHERE ID = 2");
    EXPECT_EQ(cursor.columnNames(), (Names{"SAY \"HI\""}));
    ASSERT_FALSE(cursor.eof());
    EXPECT_EQ(cursor.field(0), "bye");
}

// Databases and cursors share the open engine: whatever dies first, the
// others still work, and the engine closes only with the last of them.
TEST_F(DataAccessTest, AnyDestructionOrderIsSafe)
{
    auto access = std::make_unique<DataAccess>();
    auto db = std::make_unique<Database>(access->open("SHOP"));
    Cursor cursor = db->openTable("customer.csv");
    Cursor query = db->openQuery("SELECT NAME FROM customer ORDER BY ID");
    DataAccess moved = std::move(*access);
    EXPECT_THROW(access->aliases(), EngineError) << "a moved-from DataAccess holds no engine";
    access.reset();
    moved = DataAccess(); // shares the open engine, as every DataAccess does
    EXPECT_EQ(db->tables(), (Names{"customer.csv", "orders.csv"}));
    cursor.next();
    EXPECT_EQ(cursor.field(1), "Bob");

    Database other = std::move(*db);
    EXPECT_THROW(db->tables(), EngineError) << "a moved-from Database holds no handle";
    db.reset();
    { Database gone = std::move(other); } // closes the database, and with it its cursors
    try {
        query.next();
        ADD_FAILURE() << "a cursor of a closed database moved";
    } catch (const EngineError &error) {
        EXPECT_EQ(error.status(), QDBIERR_INVALIDHANDLE);
    }
    EXPECT_NE(bindingState().moduleHandle, nullptr) << "the cursors still hold the engine";
    { DataAccess last = std::move(moved); }
    { Cursor gone = std::move(cursor); }
    EXPECT_NE(bindingState().moduleHandle, nullptr) << "one cursor is left";
    { Cursor gone = std::move(query); }
    const BindingState state = bindingState();
    EXPECT_EQ(state.moduleHandle, nullptr);
    EXPECT_EQ(state.initCount, 0);
}

TEST_F(DataAccessTest, ClosingLeavesNothingBoundAndNothingOpen)
{
    {
        DataAccess access;
        EXPECT_EQ(access.aliases().size(), 2u);
        EXPECT_NE(bindingState().moduleHandle, nullptr);
    }
    const BindingState state = bindingState();
    EXPECT_EQ(state.moduleHandle, nullptr);
    EXPECT_EQ(state.engineHandle, nullptr);
    EXPECT_EQ(state.initCount, 0);
}

} // namespace
} // namespace quillon::engine::test
