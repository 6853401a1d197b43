// The default driver through the C entries: a folder of CSV tables.

#include "enginefixture.h"

using namespace enginetest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class DirectoryDb : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        writeText(data("customer.csv"), "ID,NAME,CITY\r\n1,Ann,Oslo\r\n2,\"Bo, Jr.\",Rome\r\n10,Cy,Oslo\r\n");
        writeText(data("items.csv"), "SKU,PRICE,CODE\n a,9.5,007\nb,10,x1\nc,100,12\nd,,13\n");
        writeText(data("notes.txt"), "not a table");
        db = openData();
    }
    void TearDown() override
    {
        EXPECT_EQ(DbiCloseDatabase(db), 0);
        EngineTest::TearDown();
    }
    std::vector<std::string> tables(const char *pattern, bool ext)
    {
        hDBIList list = nullptr;
        if (DbiListTables(db, pattern, ext, 1, &list) != 0)
            return {"<" + lastError() + ">"};
        return takeNames(list);
    }
    hDBIDb db = nullptr;
};

TEST_F(DirectoryDb, ListsCsvFilesAsTablesWithOrWithoutExtension)
{
    EXPECT_EQ(tables("*.*", true), (std::vector<std::string>{"customer.csv", "items.csv"}));
    EXPECT_EQ(tables(nullptr, false), (std::vector<std::string>{"customer", "items"}));
    EXPECT_EQ(tables("CUST*", true), std::vector<std::string>{"customer.csv"});
    EXPECT_EQ(tables("?tems", false), std::vector<std::string>{"items"});
}

TEST_F(DirectoryDb, ListsFieldsInFileOrder)
{
    hDBIList list = nullptr;
    ASSERT_EQ(DbiListFields(db, "customer.csv", &list), 0);
    EXPECT_EQ(takeNames(list), (std::vector<std::string>{"ID", "NAME", "CITY"}));
    ASSERT_EQ(DbiListFields(db, "CUSTOMER", &list), 0) << "case-insensitive fallback";
    EXPECT_EQ(takeNames(list).size(), 3u);
}

TEST_F(DirectoryDb, TableCursorGivesTextRowsAndMovesBothWays)
{
    hDBICur cursor = nullptr;
    ASSERT_EQ(DbiOpenTable(db, "customer", &cursor), 0);
    const char *name = nullptr;
    ASSERT_EQ(DbiGetColumnName(cursor, 1, &name), 0);
    EXPECT_STREQ(name, "NAME");
    EXPECT_EQ(DbiGetColumnName(cursor, 3, &name), QDBIERR_INVALIDPARAM);
    EXPECT_EQ(currentRow(cursor), (std::vector<std::string>{"1", "Ann", "Oslo"}));
    ASSERT_EQ(DbiMoveLast(cursor), 0);
    EXPECT_EQ(currentRow(cursor)[1], "Cy");
    ASSERT_EQ(DbiMovePrior(cursor), 0);
    EXPECT_EQ(currentRow(cursor)[1], "Bo, Jr.");
    ASSERT_EQ(DbiMoveFirst(cursor), 0);
    DBIBool bof = 0, eof = 1;
    DbiGetCursorState(cursor, &bof, &eof);
    EXPECT_TRUE(bof);
    EXPECT_FALSE(eof);
    EXPECT_EQ(takeRows(cursor).size(), 3u);
}

TEST_F(DirectoryDb, BothSpellingsNameTheSameTableInSql)
{
    const Rows expected{{"Ann"}, {"Cy"}};
    EXPECT_EQ(query(db, "SELECT NAME FROM customer WHERE CITY = 'Oslo' ORDER BY ID"), expected);
    EXPECT_EQ(query(db, "select name from \"customer.csv\" where city = 'Oslo' order by id"), expected);
    EXPECT_EQ(query(db, "SELECT c.NAME, i.SKU FROM customer c JOIN items i ON c.ID = i.PRICE"),
              (Rows{{"Cy", "b"}}));
}

TEST_F(DirectoryDb, TheListedNameRunsUnquotedAndQuotedInSql)
{
    // The name as the table list gives it, put into SQL as typed: unquoted
    // customer.csv is no database "customer" with a table "csv".
    writeText(data("Mixed.CSV"), "K\n7\n");
    const struct
    {
        const char *sql;
        Rows rows;
    } cases[] = {
        {"SELECT NAME FROM customer.csv WHERE CITY = 'Oslo' ORDER BY ID", {{"Ann"}, {"Cy"}}},
        {"SELECT * FROM \"customer.csv\" WHERE ID = 2", {{"2", "Bo, Jr.", "Rome"}}},
        {"SELECT * FROM [customer.csv] WHERE ID = 2", {{"2", "Bo, Jr.", "Rome"}}},
        {"SELECT * FROM `customer.csv` WHERE ID = 2", {{"2", "Bo, Jr.", "Rome"}}},
        {"select count(*) from CUSTOMER . CSV", {{"3"}}},
        {"SELECT customer.csv.NAME FROM customer.csv WHERE ID = 1", {{"Ann"}}},
        {"SELECT c.NAME, i.SKU FROM customer.csv c JOIN items.csv AS i ON c.ID = i.PRICE", {{"Cy", "b"}}},
        {"SELECT K FROM mixed.csv", {{"7"}}},
        {"SELECT 'customer.csv' /* customer.csv */ FROM customer.csv -- customer.csv\nLIMIT 1", {{"customer.csv"}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(query(db, c.sql), c.rows) << c.sql;
    // Names that are no table stay SQLite's own error.
    for (const char *missing : {"nothere.csv", "notes.txt"}) {
        const Rows rows = query(db, std::string("SELECT * FROM ") + missing);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_NE(rows[0][0].find(std::string("no such table: ") + missing), std::string::npos) << rows[0][0];
    }
}

TEST_F(DirectoryDb, NumericColumnsCompareAsNumbers)
{
    // PRICE holds only numbers (and an empty value): 9.5 < 10 < 100 numerically.
    EXPECT_EQ(query(db, "SELECT SKU FROM items WHERE PRICE > 9.6 ORDER BY PRICE"), (Rows{{"b"}, {"c"}}));
    EXPECT_EQ(query(db, "SELECT PRICE IS NULL FROM items WHERE SKU = 'd'"), (Rows{{"1"}}));
    // CODE has a non-number, so it stays text: '007' keeps its zeros and compares as text.
    EXPECT_EQ(query(db, "SELECT CODE FROM items WHERE CODE < '1' ORDER BY CODE"), (Rows{{"007"}}));
    EXPECT_EQ(query(db, "SELECT typeof(ID), typeof(NAME) FROM customer LIMIT 1"), (Rows{{"integer", "text"}}));
}

TEST_F(DirectoryDb, LargeFilesLearnTheSameTypesAsOneSequentialPass)
{
    // Files large enough to be read in two halves at once.  The halves meet
    // at a line start near the middle, which may lie inside a quoted value
    // whose lines look like rows; neither that nor an error may depend on
    // where the halves meet.
    const auto rows = [](size_t count, const std::string &second) {
        std::string text;
        for (size_t i = 0; i < count; ++i)
            text += std::to_string(i) + "," + second + "\n";
        return text;
    };
    const size_t n = 200000; // about 3.5 MB of rows
    const std::string block = rows(n, "plain text value");
    const std::string inQuote = "7,\"" + rows(n, "x").replace(0, 1, "w") + "end\"\n";
    const struct
    {
        const char *name;
        std::string text;
        const char *sql;
        Rows expected;
    } cases[] = {
        {"late", "N,T\n" + block + block + block + "x,late\n", "SELECT typeof(N), count(*) FROM late WHERE N = '0'",
         {{"text", "3"}}},
        {"inquote", "N,T\n" + block + inQuote + block, "SELECT typeof(N), count(*) FROM inquote WHERE N = 7",
         {{"integer", "3"}}},
        {"ragged", "N,T\n" + block + block + block + "1,2,3\n" + block,
         "SELECT count(*) FROM ragged",
         {{"<" + std::to_string(QDBIERR_MALFORMEDCSV) + ": " + data("ragged.csv") + ", line " +
           std::to_string(3 * n + 2) + ": 3 fields where the header has 2>"}}},
    };
    for (const auto &c : cases) {
        writeText(data(std::string(c.name) + ".csv"), c.text);
        EXPECT_EQ(query(db, c.sql), c.expected) << c.name;
    }
}

// A query over a file whose column types are not known yet guesses them
// from the first rows and learns them while it reads.  Where the guess is
// wrong (text late in a column of numbers, numbers late in a column empty
// so far) every kind of statement still gives what it gives once the types
// are known: the same as a second database opened afterwards, which finds
// them known, and as the rows written down here.
TEST_F(DirectoryDb, GuessedTypesNeverChangeWhatAQueryGives)
{
    const auto table = [](int late, const std::string &lateN, int emptyUntil) {
        std::string text = "N,E,C\n";
        for (int i = 1; i <= 3000; ++i)
            text += (i == late ? lateN : std::to_string(i)) + "," + (i <= emptyUntil ? "" : std::to_string(i % 7)) +
                    ",t" + std::to_string(i % 3) + "\n";
        return text;
    };
    const std::string textLate = table(2500, "x", 0), numbersLate = table(0, "", 2000), plain = table(0, "", 0);
    const struct
    {
        const char *name;
        const std::string &file;
        std::string sql; // "@" stands for the table
        Rows expected;   // empty: only compared with the second database
    } cases[] = {
        {"ScanAggregate", textLate, "SELECT count(*), typeof(max(N)) FROM @ WHERE N > 2000", {{"3000", "text"}}},
        {"FirstRowsOfAScan", textLate, "SELECT N, typeof(N) FROM @ LIMIT 2", {{"1", "text"}, {"2", "text"}}},
        {"Lookup", textLate, "SELECT count(*) FROM @ WHERE N = '7'", {{"1"}}},
        {"LookupOfANumber", textLate, "SELECT count(*) FROM @ WHERE N = 7", {{"0"}}},
        {"SecondHalfOfAUnion", textLate, "SELECT 'a' UNION ALL SELECT typeof(N) FROM @ LIMIT 2",
         {{"a"}, {"text"}}},
        {"Sorted", textLate, "SELECT N FROM @ ORDER BY N LIMIT 3", {{"1"}, {"10"}, {"100"}}},
        {"NumbersAfterEmpty", numbersLate, "SELECT typeof(E), count(*) FROM @ WHERE E > 5 GROUP BY 1",
         {{"integer", "143"}}},
        {"NumbersAfterEmptyFirstRow", numbersLate, "SELECT E IS NULL, typeof(N) FROM @ LIMIT 1",
         {{"1", "integer"}}},
        {"GuessRight", plain, "SELECT sum(N), typeof(sum(E)), count(DISTINCT C) FROM @", {{"4501500", "integer", "3"}}},
        {"Join", textLate, "SELECT count(*) FROM @ a JOIN @ b ON a.N = b.N WHERE a.N < '2'", {}},
    };
    int number = 0;
    for (const auto &c : cases) {
        // A file of its own, so that its types are not known yet.
        const std::string name = "guess" + std::to_string(++number);
        writeText(data(name + ".csv"), c.file);
        std::string sql = c.sql;
        for (size_t at; (at = sql.find('@')) != std::string::npos;)
            sql.replace(at, 1, name);
        const Rows first = query(db, sql);
        if (!c.expected.empty()) {
            EXPECT_EQ(first, c.expected) << c.name << ": " << sql;
        }
        hDBIDb later = nullptr;
        ASSERT_EQ(DbiOpenDatabase("DATA", "", &later), 0) << lastError();
        EXPECT_EQ(first, query(later, sql)) << c.name << ": " << sql;
        EXPECT_EQ(DbiCloseDatabase(later), 0);
    }
}

TEST_F(DirectoryDb, EqualityLookupsFindWhatAScanFinds)
{
    writeText(data("price.csv"), "SKU,PRICE,NOTE\nb,10,\nc,10.0,x\nd,1e1,\ne,,X\n");
    const Rows tens{{"b"}, {"c"}, {"d"}};
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE PRICE = 10 ORDER BY SKU"), tens);
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE PRICE = 10.0 ORDER BY SKU"), tens);
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE PRICE = '10' ORDER BY SKU"), tens)
        << "a numeric column converts a text literal, as a typed SQLite column does";
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE PRICE = NULL"), Rows{});
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE NOTE = '' ORDER BY SKU"), (Rows{{"b"}, {"d"}}));
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE NOTE = 'x' COLLATE NOCASE ORDER BY SKU"), (Rows{{"c"}, {"e"}}));
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE NOTE = 'X' OR SKU = 'b' ORDER BY SKU"), (Rows{{"b"}, {"e"}}));
    EXPECT_EQ(query(db, "SELECT SKU FROM price WHERE SKU = 'c' OR NOTE = 'x'"), (Rows{{"c"}})) << "once";
    EXPECT_EQ(query(db, "SELECT CODE FROM items WHERE CODE = 12"), Rows{}) << "a number is not text";
    EXPECT_EQ(query(db, "SELECT CODE FROM items WHERE CODE = '12'"), (Rows{{"12"}}));
}

TEST_F(DirectoryDb, ANumericColumnThatTakesTextWhileConnectedStillCompares)
{
    writeText(data("stock.csv"), "SKU,QTY\na,10\nb,20\n");
    EXPECT_EQ(query(db, "SELECT SKU FROM stock WHERE QTY = '10'"), (Rows{{"a"}}));
    const char *names[] = {"SKU", "QTY"};
    const char *values[] = {"c", "n/a"};
    ASSERT_EQ(DbiInsertRow(db, "stock", 2, names, values), 0) << lastError();
    EXPECT_EQ(query(db, "SELECT SKU FROM stock WHERE QTY = '10'"), (Rows{{"a"}}));
    EXPECT_EQ(query(db, "SELECT SKU FROM stock WHERE QTY = 'n/a'"), (Rows{{"c"}}));
    EXPECT_EQ(query(db, "SELECT typeof(QTY) FROM stock ORDER BY SKU"), (Rows{{"integer"}, {"integer"}, {"text"}}));
}

TEST_F(DirectoryDb, JoinSeesRowsInsertedAfterItsFirstRun)
{
    const std::string join = "SELECT c.NAME FROM items i JOIN customer c ON c.ID = i.PRICE ORDER BY c.NAME";
    EXPECT_EQ(query(db, join), (Rows{{"Cy"}}));
    const char *names[] = {"ID", "NAME"};
    const char *values[] = {"100", "Hundred"};
    ASSERT_EQ(DbiInsertRow(db, "customer", 2, names, values), 0) << lastError();
    EXPECT_EQ(query(db, join), (Rows{{"Cy"}, {"Hundred"}}));
}

TEST_F(DirectoryDb, InsertAppendsOneCompleteLineAndIsReadBack)
{
    const char *names[] = {"name", "ID"};
    const char *values[] = {"Di \"the\" One,\nsecond line", "11"};
    ASSERT_EQ(DbiInsertRow(db, "customer.csv", 2, names, values), 0) << lastError();
    const std::string text = readText(data("customer.csv"));
    EXPECT_TRUE(text.ends_with("\r\n10,Cy,Oslo\r\n11,\"Di \"\"the\"\" One,\nsecond line\",\r\n")) << text;
    EXPECT_EQ(query(db, "SELECT NAME, CITY FROM customer WHERE ID = 11"),
              (Rows{{"Di \"the\" One,\nsecond line", ""}}));
    EXPECT_EQ(query(db, "SELECT count(*) FROM customer WHERE ID > 5"), (Rows{{"2"}})) << "still numeric";
}

TEST_F(DirectoryDb, LastLineWithoutLineEndIsARowAndAnInsertKeepsIt)
{
    // The file's own line ends are followed; a CR LF cut after its CR is completed.
    const struct
    {
        const char *before, *after;
    } cases[] = {
        {"N,T\n1,a\n2,bob", "N,T\n1,a\n2,bob\n3,c\n"},
        {"N,T\r\n1,a\r\n2,bob", "N,T\r\n1,a\r\n2,bob\r\n3,c\r\n"},
        {"N,T\r\n1,a\r\n2,bob\r", "N,T\r\n1,a\r\n2,bob\r\n3,c\r\n"},
        {"N,T\n1,a\n2,\"bob\"", "N,T\n1,a\n2,\"bob\"\n3,c\n"},
    };
    const char *names[] = {"N", "T"};
    const char *values[] = {"3", "c"};
    int n = 0;
    for (const auto &c : cases) {
        const std::string table = "log" + std::to_string(n++);
        writeText(data(table + ".csv"), c.before);
        EXPECT_EQ(query(db, "SELECT N, T FROM " + table), (Rows{{"1", "a"}, {"2", "bob"}})) << c.before;
        hDBICur cursor = nullptr;
        ASSERT_EQ(DbiOpenTable(db, table.c_str(), &cursor), 0);
        ASSERT_EQ(DbiMoveLast(cursor), 0);
        EXPECT_EQ(currentRow(cursor), (std::vector<std::string>{"2", "bob"}));
        DbiCloseCursor(cursor);
        ASSERT_EQ(DbiInsertRow(db, table.c_str(), 2, names, values), 0) << lastError();
        EXPECT_EQ(readText(data(table + ".csv")), c.after);
    }
}

TEST_F(DirectoryDb, QuoteNeverClosedIsAnErrorAndTheInsertIsRefused)
{
    // A quoted value that holds a line break and is never closed: the rest
    // of the file would vanish into it.
    const std::string text = "N,T\n1,a\n2,\"first line\n3,c\n";
    writeText(data("memo.csv"), text);
    const Rows rows = query(db, "SELECT count(*) FROM memo");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0][0].find("memo.csv, line 3: the double quote that opens this field is never closed"),
              std::string::npos)
        << rows[0][0];
    const char *names[] = {"N", "T"};
    const char *values[] = {"4", "d"};
    EXPECT_NE(DbiInsertRow(db, "memo", 2, names, values), 0);
    EXPECT_NE(lastError().find("memo.csv, line 3"), std::string::npos) << lastError();
    EXPECT_EQ(readText(data("memo.csv")), text);

    // The same when another writer leaves it after this process's last append.
    writeText(data("memo.csv"), "N,T\n1,a\n");
    ASSERT_EQ(DbiInsertRow(db, "memo", 2, names, values), 0) << lastError();
    std::ofstream(data("memo.csv"), std::ios::app) << "5,\"torn\n";
    EXPECT_NE(DbiInsertRow(db, "memo", 2, names, values), 0);
    EXPECT_NE(lastError().find("memo.csv, line 4"), std::string::npos) << lastError();
    EXPECT_EQ(readText(data("memo.csv")), "N,T\n1,a\n4,d\n5,\"torn\n");
}

TEST_F(DirectoryDb, ByteOrderMarkIsNoPartOfTheFirstFieldName)
{
    writeText(data("bom.csv"), "\xEF\xBB\xBFID,NAME\r\n1,Ann\r\n");
    EXPECT_EQ(query(db, "SELECT ID FROM bom"), (Rows{{"1"}}));
    const char *names[] = {"ID", "NAME"};
    const char *values[] = {"2", "Bo"};
    ASSERT_EQ(DbiInsertRow(db, "bom", 2, names, values), 0) << lastError();
    EXPECT_EQ(readText(data("bom.csv")), "\xEF\xBB\xBFID,NAME\r\n1,Ann\r\n2,Bo\r\n");
}

TEST_F(DirectoryDb, InsertIntoHeaderWithoutLineEnd)
{
    writeText(data("fresh.csv"), "A,B");
    const char *names[] = {"B"};
    const char *values[] = {"x"};
    ASSERT_EQ(DbiInsertRow(db, "fresh", 1, names, values), 0) << lastError();
    EXPECT_EQ(readText(data("fresh.csv")), "A,B\r\n,x\r\n");
}

struct BadCall
{
    const char *name;
    const char *table;
    DBIResult status;
    const char *messagePart;
};

class DirectoryDbBadTable : public DirectoryDb, public ::testing::WithParamInterface<BadCall>
{
};

TEST_P(DirectoryDbBadTable, IsRefusedByEveryTableEntry)
{
    const BadCall &c = GetParam();
    hDBIList list = nullptr;
    hDBICur cursor = nullptr;
    const char *names[] = {"ID"};
    const char *values[] = {"1"};
    EXPECT_EQ(DbiListFields(db, c.table, &list), c.status);
    EXPECT_NE(lastError().find(c.messagePart), std::string::npos) << lastError();
    EXPECT_EQ(DbiOpenTable(db, c.table, &cursor), c.status);
    EXPECT_EQ(DbiInsertRow(db, c.table, 1, names, values), c.status);
    EXPECT_EQ(cursor, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DirectoryDbBadTable,
    ::testing::Values(BadCall{"Slash", "../customer", QDBIERR_INVALIDTABLENAME, "\"../customer\""},
                      BadCall{"Absolute", "/etc/passwd", QDBIERR_INVALIDTABLENAME, "/"},
                      BadCall{"DotDot", "a..b", QDBIERR_INVALIDTABLENAME, ".."},
                      BadCall{"Empty", "", QDBIERR_INVALIDTABLENAME, "No table name"},
                      BadCall{"Missing", "orders", QDBIERR_NOSUCHTABLE, "orders.csv"},
                      BadCall{"NotCsv", "notes.txt", QDBIERR_NOSUCHTABLE, "notes.txt"}),
    [](const auto &info) { return std::string(info.param.name); });

struct BadCsv
{
    const char *name;
    std::string text;
    const char *messagePart;
};

class DirectoryDbMalformed : public DirectoryDb, public ::testing::WithParamInterface<BadCsv>
{
};

TEST_P(DirectoryDbMalformed, QueryAndCursorReportTheFileAndLine)
{
    writeText(data("bad.csv"), GetParam().text);
    const Rows result = query(db, "SELECT * FROM bad");
    ASSERT_EQ(result.size(), 1u);
    ASSERT_EQ(result[0].size(), 1u);
    EXPECT_NE(result[0][0].find(std::to_string(QDBIERR_MALFORMEDCSV)), std::string::npos) << result[0][0];
    EXPECT_NE(result[0][0].find("bad.csv, line"), std::string::npos) << result[0][0];
    EXPECT_NE(result[0][0].find(GetParam().messagePart), std::string::npos) << result[0][0];

    hDBICur cursor = nullptr;
    DBIResult rc = DbiOpenTable(db, "bad", &cursor);
    if (rc == 0)
        rc = DbiMoveLast(cursor);
    EXPECT_EQ(rc, QDBIERR_MALFORMEDCSV);
    DbiCloseCursor(cursor);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DirectoryDbMalformed,
    ::testing::Values(BadCsv{"Ragged", "a,b\n1,2\n3\n4,5\n", "line 3: 1 fields"},
                      BadCsv{"TooWide", "a,b\n1,2,3\n", "line 2: 3 fields"},
                      BadCsv{"BadQuoting", "a,b\n1,x\"y\n", "double quote"},
                      BadCsv{"Junk", std::string("a,b\n\x7f\x45LF\0\x01,2\n", 12), "NUL"},
                      BadCsv{"RepeatedField", "a,A\n1,2\n", "appears twice"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DirectoryDb, RejectedSqlGivesSqliteMessage)
{
    EXPECT_EQ(query(db, "SELEC * FROM customer")[0][0].substr(0, 6), "<" + std::to_string(QDBIERR_SQL));
    hDBICur cursor = nullptr;
    EXPECT_EQ(DbiOpenQuery(db, "SELECT nope FROM customer", &cursor), QDBIERR_SQL);
    EXPECT_EQ(lastError(), "no such column: nope");
    EXPECT_EQ(DbiOpenQuery(db, "SELECT * FROM missing", &cursor), QDBIERR_SQL);
    EXPECT_EQ(lastError(), "no such table: missing");
    EXPECT_EQ(DbiOpenQuery(db, "SELECT * FROM \"../customer.csv\"", &cursor), QDBIERR_SQL);
    EXPECT_EQ(lastError(), "no such table: ../customer.csv") << "never a file outside the folder";
    EXPECT_EQ(DbiOpenQuery(db, "SELECT 1; SELECT 2", &cursor), QDBIERR_SQL);
    EXPECT_EQ(DbiOpenQuery(db, "DELETE FROM customer", &cursor), QDBIERR_READONLY);
    EXPECT_EQ(DbiOpenQuery(db, "  ", &cursor), QDBIERR_SQL);
    EXPECT_EQ(DbiOpenQuery(db, nullptr, &cursor), QDBIERR_INVALIDPARAM);
    EXPECT_EQ(query(db, "SELECT count(*) FROM customer"), (Rows{{"3"}})) << "file untouched";
}

TEST_F(DirectoryDb, InsertChecksFieldNames)
{
    const char *names[] = {"ID", "id"};
    const char *values[] = {"1", "2"};
    EXPECT_EQ(DbiInsertRow(db, "customer", 2, names, values), QDBIERR_INVALIDPARAM);
    const char *unknown[] = {"AGE"};
    EXPECT_EQ(DbiInsertRow(db, "customer", 1, unknown, values), QDBIERR_NOSUCHFIELD);
    EXPECT_EQ(lastError(), "Table \"customer\" has no field \"AGE\"");
    EXPECT_EQ(query(db, "SELECT count(*) FROM customer"), (Rows{{"3"}}));
}

TEST_F(DirectoryDb, ClosingTheDatabaseInvalidatesItsCursors)
{
    hDBICur cursor = nullptr;
    ASSERT_EQ(DbiOpenQuery(db, "SELECT * FROM customer", &cursor), 0);
    ASSERT_EQ(DbiCloseDatabase(db), 0);
    EXPECT_EQ(DbiMoveNext(cursor), QDBIERR_INVALIDHANDLE);
    EXPECT_EQ(DbiCloseDatabase(db), QDBIERR_INVALIDHANDLE);
    EXPECT_EQ(DbiMoveNext(reinterpret_cast<hDBICur>(0x1234)), QDBIERR_INVALIDHANDLE);
    db = nullptr; // closing null is accepted in TearDown
}

TEST_F(DirectoryDb, StaleHandlesStayRefusedWhenTheirPlaceIsReused)
{
    // Closed handles, handles of the wrong kind and made-up values are all
    // refused, also after a new object took the closed one's place.
    hDBICur first = nullptr, second = nullptr;
    ASSERT_EQ(DbiOpenQuery(db, "SELECT NAME FROM customer", &first), 0);
    ASSERT_EQ(DbiCloseCursor(first), 0);
    ASSERT_EQ(DbiOpenQuery(db, "SELECT CITY FROM customer", &second), 0);
    hDBIList list = nullptr;
    ASSERT_EQ(DbiListTables(db, nullptr, 1, 0, &list), 0);
    const struct
    {
        hDBICur handle;
        const char *what;
    } refused[] = {
        {first, "closed and reused"},
        {reinterpret_cast<hDBICur>(db), "a database"},
        {reinterpret_cast<hDBICur>(list), "a list"},
        {reinterpret_cast<hDBICur>(uintptr_t(0xFFFFFFFF)), "beyond every slot"},
        {reinterpret_cast<hDBICur>(uintptr_t(1)), "generation 0, never given"},
        {nullptr, "null"},
    };
    for (const auto &r : refused) {
        EXPECT_EQ(DbiMoveNext(r.handle), QDBIERR_INVALIDHANDLE) << r.what;
        EXPECT_EQ(lastError(), "Invalid cursor handle") << r.what;
        const char *text = nullptr;
        EXPECT_EQ(DbiGetRecord(r.handle, 0, &text, nullptr), QDBIERR_INVALIDHANDLE) << r.what;
    }
    EXPECT_EQ(DbiCloseCursor(first), QDBIERR_INVALIDHANDLE);
    EXPECT_EQ(DbiListFree(reinterpret_cast<hDBIList>(second)), QDBIERR_INVALIDHANDLE) << "a cursor is no list";
    EXPECT_EQ(currentRow(second), std::vector<std::string>{"Oslo"}) << "the live cursor is untouched";
    EXPECT_EQ(DbiListFree(list), 0);
    EXPECT_EQ(DbiCloseCursor(second), 0);
}

TEST_F(DirectoryDb, RecordReadChecksItsArguments)
{
    hDBICur cursor = nullptr;
    ASSERT_EQ(DbiOpenQuery(db, "SELECT ID, NAME, NULL FROM customer WHERE ID = 2", &cursor), 0);
    const char *texts[4] = {};
    DBIBool nulls[4] = {9, 9, 9, 9};
    ASSERT_EQ(DbiGetRecord(cursor, 3, texts, nulls), 0) << lastError();
    EXPECT_STREQ(texts[1], "Bo, Jr.");
    EXPECT_EQ((std::vector<int>(nulls, nulls + 4)), (std::vector<int>{0, 0, 1, 9}));
    ASSERT_EQ(DbiGetRecord(cursor, 1, texts, nullptr), 0) << "fewer fields than columns";
    EXPECT_STREQ(texts[0], "2");
    EXPECT_EQ(DbiGetRecord(cursor, 4, texts, nulls), QDBIERR_INVALIDPARAM);
    EXPECT_EQ(lastError(), "A record of 4 fields was asked for; the row has 3");
    EXPECT_EQ(DbiGetRecord(cursor, 2, nullptr, nulls), QDBIERR_INVALIDPARAM);
    EXPECT_EQ(DbiCloseCursor(cursor), 0);
    ASSERT_EQ(DbiOpenQuery(db, "SELECT ID FROM customer WHERE ID = 99", &cursor), 0);
    EXPECT_EQ(DbiGetRecord(cursor, 1, texts, nulls), QDBIERR_NOCURRENTROW);
    EXPECT_EQ(DbiCloseCursor(cursor), 0);
}

TEST_F(DirectoryDb, OpeningFailsForUnknownAliasAndMissingDirectory)
{
    hDBIDb other = nullptr;
    EXPECT_EQ(DbiOpenDatabase("NOSUCH", nullptr, &other), QDBIERR_UNKNOWNALIAS);
    EXPECT_EQ(lastError(), "Unknown alias \"NOSUCH\"");
    EXPECT_EQ(DbiOpenDatabase("", nullptr, &other), QDBIERR_INVALIDALIASNAME);
    ASSERT_EQ(DbiAddAlias(nullptr, "GONE", nullptr, "PATH:/no/such/dir", 0), 0);
    EXPECT_EQ(DbiOpenDatabase("GONE", nullptr, &other), QDBIERR_DIRNOTFOUND);
    EXPECT_NE(lastError().find("/no/such/dir"), std::string::npos);
    EXPECT_EQ(other, nullptr);
}

} // namespace
