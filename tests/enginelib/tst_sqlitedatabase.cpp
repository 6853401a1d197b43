// Driver "SQLITE" through the C entries.

#include "enginefixture.h"

#include <fcntl.h>
#include <functional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

/*
** Sessions kept from a close to the next open of the same alias.  Each row
** closes a session that changed a row, does something between the close
** and the next open, and reads "SELECT *, total_changes() FROM t" in the
** next session: the last column counts the rows the connection changed
** since it was made, so 1 shows the session was reused and 0 that it was
** made again.  Whatever happened in between must show, never a stale answer.
*/
class SessionReuse;

struct SessionCase
{
    const char *name;
    const char *inSession; // SQL the first user runs before closing it, or null
    std::function<void(SessionReuse &)> between;
    Rows expected;         // the next session's rows
    DBIResult openStatus = QDBIERR_NONE;
    const char *table = nullptr; // read this table instead of the query
    DBIResult tableStatus = QDBIERR_NONE;
};

void PrintTo(const SessionCase &c, std::ostream *out)
{
    *out << c.name;
}

// The descriptors of this process open on path.
int openFilesOn(const std::string &path)
{
    int count = 0;
    const std::string want = std::filesystem::weakly_canonical(path).string();
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (!ec && (target == want || target == want + " (deleted)"))
            ++count;
    }
    return count;
}

void runSql(const std::string &file, const char *sql)
{
    sqlite3 *handle = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &handle), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(handle, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(handle);
    sqlite3_close(handle);
}

class SessionReuse : public EngineTest, public ::testing::WithParamInterface<SessionCase>
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        for (const char *name : {"a", "b"})
            runSql(data(std::string(name) + ".sqlite"),
                   (std::string("CREATE TABLE t(v TEXT); CREATE TABLE log(n INTEGER); INSERT INTO t VALUES ('") +
                    name + "');")
                       .c_str());
        setAlias("a.sqlite", 1);
    }

public:
    using EngineTest::data;
    void setAlias(const std::string &file, DBIBool persistent)
    {
        ASSERT_EQ(DbiAddAlias(nullptr, "WEB", "SQLITE", ("PATH:" + data(file)).c_str(), persistent), 0) << lastError();
    }
    hDBIDb open(DBIResult expected = QDBIERR_NONE)
    {
        hDBIDb db = nullptr;
        EXPECT_EQ(DbiOpenDatabase("web", nullptr, &db), expected) << lastError();
        return db;
    }
    void logRow(hDBIDb db)
    {
        const char *names[] = {"n"};
        const char *values[] = {"1"};
        ASSERT_EQ(DbiInsertRow(db, "log", 1, names, values), 0) << lastError();
    }
    // The case's read: its table, else "SELECT *, total_changes() FROM t".
    DBIResult read(hDBIDb db, const SessionCase &c, hDBICur &cursor)
    {
        return c.table ? DbiOpenTable(db, c.table, &cursor)
                       : DbiOpenQuery(db, "SELECT *, total_changes() FROM t", &cursor);
    }
    // Rewrites the engine configuration with "a.sqlite" turned into
    // "b.sqlite" (the same size), keeping its times as they were, in its
    // place or by an atomic rename.
    void pointConfigurationAtB(bool inPlace)
    {
        struct stat before{};
        ASSERT_EQ(::stat(config().c_str(), &before), 0);
        std::string text = readText(config());
        const size_t at = text.find("a.sqlite");
        ASSERT_NE(at, std::string::npos) << text;
        text.replace(at, 1, "b");
        const std::string target = inPlace ? config() : config() + ".new";
        writeText(target, text);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, target.c_str(), times, 0), 0);
        if (!inPlace)
            std::filesystem::rename(target, config());
    }
};

TEST_P(SessionReuse, NextOpenSeesWhatChangedSinceTheClose)
{
    const SessionCase &c = GetParam();
    hDBIDb db = open();
    logRow(db);
    // The same read once before, so its statement is kept with the session.
    hDBICur cursor = nullptr;
    if (read(db, c, cursor) == QDBIERR_NONE)
        takeRows(cursor);
    if (c.inSession) {
        EXPECT_EQ(query(db, c.inSession), Rows{});
    }
    ASSERT_EQ(DbiCloseDatabase(db), 0);
    if (c.between)
        c.between(*this);
    db = open(c.openStatus);
    if (c.openStatus != QDBIERR_NONE)
        return;
    cursor = nullptr;
    EXPECT_EQ(read(db, c, cursor), c.tableStatus) << lastError();
    if (c.tableStatus == QDBIERR_NONE)
        EXPECT_EQ(takeRows(cursor), c.expected);
    else
        EXPECT_NE(lastError().find(c.table), std::string::npos) << lastError();
    EXPECT_EQ(DbiCloseDatabase(db), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sqlite, SessionReuse,
    ::testing::Values(
        SessionCase{"Unchanged", nullptr, {}, {{"a", "1"}}},
        SessionCase{"RowsChangedElsewhere", nullptr,
                    [](SessionReuse &t) { runSql(t.data("a.sqlite"), "UPDATE t SET v = 'z'"); }, {{"z", "1"}}},
        SessionCase{"SchemaChangedElsewhere", nullptr,
                    [](SessionReuse &t) {
                        runSql(t.data("a.sqlite"), "DROP TABLE t; CREATE TABLE t(v, w); INSERT INTO t VALUES ('c', 'd')");
                    },
                    {{"c", "d", "1"}}},
        SessionCase{"FileReplaced", nullptr,
                    [](SessionReuse &t) { std::filesystem::rename(t.data("b.sqlite"), t.data("a.sqlite")); },
                    {{"b", "0"}}},
        SessionCase{"FileRemoved", nullptr, [](SessionReuse &t) { std::filesystem::remove(t.data("a.sqlite")); },
                    {}, QDBIERR_OPENFAILED},
        SessionCase{"AliasReplacedAsTheSetupProgramDoes", nullptr,
                    [](SessionReuse &t) { t.setAlias("b.sqlite", QDBI_PERSIST_REPLACE); }, {{"b", "0"}}},
        SessionCase{"ConfigurationRenamedOverWithTheSameSizeAndTimes", nullptr,
                    [](SessionReuse &t) { t.pointConfigurationAtB(false); }, {{"b", "0"}}},
        SessionCase{"ConfigurationRewrittenInPlaceWithTheSameSizeAndTimes", nullptr,
                    [](SessionReuse &t) { t.pointConfigurationAtB(true); }, {{"b", "0"}}},
        SessionCase{"TransactionLeftOpenIsRolledBackNotKept", "BEGIN",
                    [](SessionReuse &t) { runSql(t.data("a.sqlite"), "UPDATE t SET v = 'unlocked'"); },
                    {{"unlocked", "0"}}},
        SessionCase{"TemporaryTableIsNotHandedOn", "CREATE TEMP TABLE t(v)", {}, {{"a", "0"}}},
        SessionCase{"TableMadeElsewhereIsFound", nullptr,
                    [](SessionReuse &t) { runSql(t.data("a.sqlite"), "CREATE TABLE Fresh(x); INSERT INTO Fresh VALUES (7)"); },
                    {{"7"}}, QDBIERR_NONE, "FRESH"},
        SessionCase{"TableDroppedElsewhereIsMissing", nullptr,
                    [](SessionReuse &t) { runSql(t.data("a.sqlite"), "DROP TABLE t"); }, {}, QDBIERR_NONE, "T",
                    QDBIERR_NOSUCHTABLE},
        SessionCase{"TableMadeAgainWithOtherFields", nullptr,
                    [](SessionReuse &t) {
                        runSql(t.data("a.sqlite"), "DROP TABLE t; CREATE TABLE T(x, y); INSERT INTO T VALUES (1, 2)");
                    },
                    {{"1", "2"}}, QDBIERR_NONE, "t"}),
    [](const ::testing::TestParamInfo<SessionCase> &info) { return std::string(info.param.name); });

TEST_F(SessionReuse, TwoHandlesOpenAtOnceNeverShareAConnection)
{
    hDBIDb first = open();
    hDBIDb second = open();
    EXPECT_EQ(query(first, "BEGIN"), Rows{});
    logRow(first);
    EXPECT_EQ(query(first, "SELECT count(*), total_changes() FROM log"), (Rows{{"1", "1"}}));
    EXPECT_EQ(query(second, "SELECT count(*), total_changes() FROM log"), (Rows{{"0", "0"}}));
    EXPECT_EQ(query(first, "ROLLBACK"), Rows{});
    EXPECT_EQ(DbiCloseDatabase(first), 0);
    EXPECT_EQ(DbiCloseDatabase(second), 0);
    // Both come back, each to one user.
    first = open();
    second = open();
    EXPECT_NE(query(first, "SELECT total_changes()"), query(second, "SELECT total_changes()"));
    EXPECT_EQ(DbiCloseDatabase(first), 0);
    EXPECT_EQ(DbiCloseDatabase(second), 0);
}

TEST_F(SessionReuse, KeptSessionsAreFewAndEndWithTheEngine)
{
    std::vector<hDBIDb> open;
    for (int i = 0; i < 6; ++i) {
        const std::string file = data("f" + std::to_string(i) + ".sqlite");
        runSql(file, "CREATE TABLE t(v)");
        const std::string alias = "F" + std::to_string(i);
        ASSERT_EQ(DbiAddAlias(nullptr, alias.c_str(), "SQLITE", ("PATH:" + file).c_str(), 0), 0) << lastError();
        open.push_back(nullptr);
        ASSERT_EQ(DbiOpenDatabase(alias.c_str(), nullptr, &open.back()), 0) << lastError();
    }
    for (hDBIDb db : open)
        EXPECT_EQ(DbiCloseDatabase(db), 0);
    auto kept = [&] {
        int files = 0;
        for (int i = 0; i < 6; ++i)
            files += openFilesOn(data("f" + std::to_string(i) + ".sqlite"));
        return files;
    };
    EXPECT_EQ(kept(), 4) << "the four closed last are kept";
    EXPECT_EQ(openFilesOn(data("f5.sqlite")), 1);
    EXPECT_EQ(openFilesOn(data("f0.sqlite")), 0);
    ASSERT_EQ(DbiExit(), 0);
    EXPECT_EQ(kept(), 0) << "nothing stays open after the engine is closed";
    ASSERT_EQ(DbiInitFn(QDBI_INTERFACE_VERSION, nullptr), 0);
}

} // namespace

namespace {

// A process forked with a session kept makes its own: the parent's
// connection is neither used nor closed by the child.
TEST_F(SessionReuse, ForkedChildLeavesTheParentsSessionAlone)
{
    hDBIDb db = open();
    logRow(db);
    ASSERT_EQ(DbiCloseDatabase(db), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        hDBIDb own = nullptr;
        bool fresh = DbiOpenDatabase("WEB", nullptr, &own) == 0 &&
                     query(own, "SELECT total_changes()") == Rows{{"0"}} && DbiCloseDatabase(own) == 0;
        fresh = fresh && DbiExit() == 0;
        ::_exit(fresh ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child got the parent's session";
    db = open();
    EXPECT_EQ(query(db, "SELECT total_changes(), v FROM t"), (Rows{{"1", "a"}})) << "the parent's session is whole";
    EXPECT_EQ(DbiCloseDatabase(db), 0);
}

} // namespace
