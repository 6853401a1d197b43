// Driver "SQLITE" through the C entries.

#include "enginefixture.h"

#include <sqlite3.h>

using namespace enginetest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class SqliteDb : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        sqlite3 *handle = nullptr;
        ASSERT_EQ(sqlite3_open(data("shop.sqlite").c_str(), &handle), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(handle,
                               "CREATE TABLE Customer(id INTEGER PRIMARY KEY, name TEXT, city TEXT DEFAULT 'none');"
                               "INSERT INTO Customer VALUES (1, 'Ann', 'Oslo'), (2, 'Bo', NULL);"
                               "CREATE TABLE orders(no INTEGER, customer INTEGER, total REAL);"
                               "CREATE INDEX ix ON orders(no);"
                               "CREATE VIEW big AS SELECT * FROM orders WHERE total > 100;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(handle);
        db = openData("SQLITE", data("shop.sqlite"));
    }
    void TearDown() override
    {
        EXPECT_EQ(DbiCloseDatabase(db), 0);
        EngineTest::TearDown();
    }
    hDBIDb db = nullptr;
};

TEST_F(SqliteDb, ListsTablesWithoutExtensionAndFieldsInOrder)
{
    hDBIList list = nullptr;
    ASSERT_EQ(DbiListTables(db, "*.*", 1, 0, &list), 0);
    EXPECT_EQ(takeNames(list), (std::vector<std::string>{"Customer", "big", "orders"}));
    ASSERT_EQ(DbiListTables(db, "*", 1, 1, &list), 0);
    EXPECT_EQ(takeNames(list).size(), 4u) << "with sqlite_master";
    ASSERT_EQ(DbiListFields(db, "customer", &list), 0);
    EXPECT_EQ(takeNames(list), (std::vector<std::string>{"id", "name", "city"}));
}

TEST_F(SqliteDb, TableCursorAndQueryShowNulls)
{
    hDBICur cursor = nullptr;
    ASSERT_EQ(DbiOpenTable(db, "CUSTOMER", &cursor), 0);
    EXPECT_EQ(takeRows(cursor), (Rows{{"1", "Ann", "Oslo"}, {"2", "Bo", "NULL"}}));
    EXPECT_EQ(query(db, "SELECT count(*), sum(id) FROM customer"), (Rows{{"2", "3"}}));
}

TEST_F(SqliteDb, InsertRowUsesDefaultsForFieldsNotGiven)
{
    const char *names[] = {"NAME", "id"};
    const char *values[] = {"O'Neil", "7"};
    ASSERT_EQ(DbiInsertRow(db, "customer", 2, names, values), 0) << lastError();
    EXPECT_EQ(query(db, "SELECT name, city, typeof(id) FROM customer WHERE id = 7"),
              (Rows{{"O'Neil", "none", "integer"}}));
    EXPECT_EQ(DbiInsertRow(db, "customer", 2, names, values), QDBIERR_SQL);
    EXPECT_NE(lastError().find("UNIQUE"), std::string::npos) << lastError();
}

TEST_F(SqliteDb, ChangingStatementRunsOnceEvenWhenTheCursorMovesBack)
{
    hDBICur cursor = nullptr;
    ASSERT_EQ(DbiOpenQuery(db, "INSERT INTO orders VALUES (1, 1, 50)", &cursor), 0) << lastError();
    uint32_t columns = 9;
    DbiGetColumnCount(cursor, &columns);
    EXPECT_EQ(columns, 0u);
    DbiMoveLast(cursor);
    DbiMoveFirst(cursor);
    DbiCloseCursor(cursor);
    EXPECT_EQ(query(db, "SELECT count(*) FROM orders"), (Rows{{"1"}}));
}

TEST_F(SqliteDb, BadInput)
{
    hDBICur cursor = nullptr;
    EXPECT_EQ(DbiOpenTable(db, "nope", &cursor), QDBIERR_NOSUCHTABLE);
    EXPECT_EQ(DbiOpenTable(db, "a/b", &cursor), QDBIERR_INVALIDTABLENAME);
    EXPECT_EQ(DbiOpenQuery(db, "SELECT FROM", &cursor), QDBIERR_SQL);
    EXPECT_NE(lastError().find("syntax error"), std::string::npos) << lastError();

    hDBIDb other = nullptr;
    writeText(data("text.sqlite"), "this is not a database file, just text");
    ASSERT_EQ(DbiAddAlias(nullptr, "TXT", "sqlite", ("PATH:" + data("text.sqlite")).c_str(), 0), 0);
    EXPECT_EQ(DbiOpenDatabase("TXT", nullptr, &other), QDBIERR_OPENFAILED);
    EXPECT_NE(lastError().find("text.sqlite"), std::string::npos) << lastError();
    ASSERT_EQ(DbiAddAlias(nullptr, "NOFILE", "SQLITE", "PATH:/no/such.sqlite", 0), 0);
    EXPECT_EQ(DbiOpenDatabase("NOFILE", nullptr, &other), QDBIERR_OPENFAILED);
    EXPECT_FALSE(std::filesystem::exists("/no/such.sqlite"));
}

} // namespace

namespace {

TEST_F(SqliteDb, StatementsStayInsideTheAliasOnEveryDriver)
{
    writeText(data("t.csv"), "A\n1\n");
    ASSERT_EQ(DbiAddAlias(nullptr, "CSVDATA", nullptr, ("PATH:" + data("")).c_str(), 0), 0) << lastError();
    hDBIDb csv = nullptr;
    ASSERT_EQ(DbiOpenDatabase("CSVDATA", nullptr, &csv), 0) << lastError();
    const TempDir elsewhere;
    const std::string out = elsewhere.path();
    const std::vector<std::string> refused{
        "ATTACH DATABASE '" + out + "/x.db' AS x",
        "ATTACH 'file:" + out + "/u.db?mode=rwc' AS u",
        "VACUUM INTO '" + out + "/copy.db'",
        "DETACH DATABASE main",
        "PRAGMA user_version = 7",
        "PRAGMA main.journal_mode = WAL",
        "PRAGMA wal_checkpoint",
    };
    for (hDBIDb each : {db, csv}) {
        for (const std::string &sql : refused) {
            const Rows r = query(each, sql);
            ASSERT_EQ(r.size(), 1u) << sql;
            // (A CSV folder refuses VACUUM before it runs: it changes no data of a CSV table.)
            const bool said = r[0][0].find(" not allowed: ") != std::string::npos ||
                              (each == csv && r[0][0].find("Only statements that read data") != std::string::npos);
            EXPECT_TRUE(said) << sql << ": " << r[0][0];
        }
        // Reading pragmas still work.
        EXPECT_EQ(query(each, "SELECT count(*) > 0 FROM pragma_table_info('sqlite_master')"), (Rows{{"1"}}));
        EXPECT_EQ(query(each, "PRAGMA user_version"), (Rows{{"0"}}));
    }
    EXPECT_TRUE(std::filesystem::is_empty(out)) << "nothing was written outside the aliases";
    // The user's own file takes changes to its data.
    EXPECT_EQ(query(db, "INSERT INTO Customer(id, name) VALUES (3, 'Cy')"), Rows{});
    EXPECT_EQ(query(db, "SELECT name FROM Customer WHERE id = 3"), (Rows{{"Cy"}}));
    EXPECT_EQ(query(db, "PRAGMA table_info(Customer)").size(), 3u);
    // One that fails while it runs leaves no statement behind (the leak check of the sanitizer build).
    EXPECT_NE(query(db, "INSERT INTO Customer(id, name) VALUES (3, 'again')")[0][0].find("UNIQUE"), std::string::npos);
    EXPECT_EQ(DbiCloseDatabase(csv), 0);
}

} // namespace
