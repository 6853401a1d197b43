/*
** Generated extensions that browse and insert, run against the engine
** library: a folder of CSV tables registered as an alias in a private
** engine configuration, extensions generated and compiled with fpc, and
** requests run through the ISAPI test host.
*/

#include "enginealiases.h"
#include "extensionbuild.h"
#include "isapihost.h"
#include "scratchdir.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using quillon::WizardProject;
using namespace quillon::testing;

namespace {

const char *const kCustomers =
    "NAME,CITY,PRICE\r\n"
    "Smith,Bonn,12\r\n"
    "\"O'Brien, Pat\",K\xC3\xB6ln,7\r\n"
    "<b>Bold</b> & Co,Berlin,30\r\n";

// The customer table again, in a SQLite file.
void makeSqliteCopy(const fs::path &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create " + path.string());
    char *error = nullptr;
    const int rc = sqlite3_exec(db,
                                "CREATE TABLE customer (NAME TEXT, CITY TEXT, PRICE INTEGER);"
                                "INSERT INTO customer VALUES ('Smith', 'Bonn', 12),"
                                " ('O''Brien, Pat', 'K\xC3\xB6ln', 7), ('<b>Bold</b> & Co', 'Berlin', 30);",
                                nullptr, nullptr, &error);
    const std::string why = error != nullptr ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot fill " + path.string() + ": " + why);
}

class DatabaseExtensionTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_scratch = new ScratchDir;
        const fs::path data = s_scratch->path() / "data";
        fs::create_directories(data);
        quillon::platform::writeFileAtomically((data / "customer.csv").string(), kCustomers);
        quillon::platform::writeFileAtomically((data / "orders.csv").string(), "ID,NAME,CITY\r\n");
        s_engine = new EngineAliases(s_scratch->path() / "engine.cfg");
        s_engine->add("QNTEST", "", data);
        const fs::path sqlite = s_scratch->path() / "customer.sqlite";
        makeSqliteCopy(sqlite);
        s_engine->add("QNTESTSQL", "SQLITE", sqlite);
        s_builder = new ExtensionBuilder(s_scratch->path() / "build");
    }
    static void TearDownTestSuite()
    {
        delete s_builder;
        delete s_engine;
        delete s_scratch;
    }

    static fs::path table(const std::string &file) { return s_scratch->path() / "data" / file; }

    static WizardProject browse(const std::string &name)
    {
        WizardProject p;
        p.DBName = "QNTEST";
        p.DoLogin = true;
        p.UserName = "O'Brien";
        p.Password = "it's secret";
        p.PageTitle = "Browse";
        p.ExtName = name;
        return p;
    }

    static WizardProject tableBrowse(const std::string &name, const std::string &table,
                                     quillon::StringList fields)
    {
        WizardProject p = browse(name);
        p.TbToBrowse = table;
        p.RetChosenFields = std::move(fields);
        return p;
    }

    // Adds a customer row: CITY from the request value Town, NAME from Who.
    static WizardProject customerInsert(const std::string &name)
    {
        WizardProject p = browse(name);
        p.DoBrowse = false;
        p.DoInsert = true;
        p.TbInsData = "customer";
        p.Input = {"Town", "Who"};
        p.UpdFields = {"CITY=Town", "NAME=Who"};
        return p;
    }

    static fs::path build(const WizardProject &project, const std::string &name)
    {
        return s_builder->build(project, name);
    }

    static ScratchDir *s_scratch;
    static EngineAliases *s_engine;
    static ExtensionBuilder *s_builder;
};

ScratchDir *DatabaseExtensionTest::s_scratch = nullptr;
EngineAliases *DatabaseExtensionTest::s_engine = nullptr;
ExtensionBuilder *DatabaseExtensionTest::s_builder = nullptr;

struct ProcessRun
{
    int status;
    std::string output;
};

// Runs a GET without query through host (the isapihost command) in a
// process of its own.
ProcessRun runInOwnProcess(const fs::path &host, const fs::path &library, const fs::path &log)
{
    const int status = waitProcess(startProcess({host.string(), library.string()}, log));
    return {status, quillon::platform::readFile(log.string())};
}

std::string runGet(const fs::path &library, const std::string &query = {})
{
    IsapiHost host(library);
    IsapiHost::Request request;
    request.queryString = query;
    return host.run(request).body;
}

TEST_F(DatabaseExtensionTest, TableBrowseWritesEveryRowInOrder)
{
    WizardProject p = tableBrowse("TableBrowse", "customer", {"CITY", "name"});
    const std::string body = runGet(build(p, "TableBrowse"));
    EXPECT_NE(body.find("<TABLE>\r\n"
                        "<TR><TD>Bonn</TD><TD>Smith</TD></TR>\r\n"
                        "<TR><TD>K\xC3\xB6ln</TD><TD>O'Brien, Pat</TD></TR>\r\n"
                        "<TR><TD>Berlin</TD><TD>&lt;b&gt;Bold&lt;/b&gt; &amp; Co</TD></TR>\r\n"
                        "</TABLE>\r\n"),
              std::string::npos)
        << body;
    EXPECT_EQ(body.find("Error"), std::string::npos) << body;
}

TEST_F(DatabaseExtensionTest, TableBrowseOfAnEmptyTableWritesAnEmptyTable)
{
    WizardProject p = tableBrowse("EmptyBrowse", "orders.csv", {"ID"});
    const std::string body = runGet(build(p, "EmptyBrowse"));
    EXPECT_NE(body.find("<TABLE>\r\n</TABLE>\r\n"), std::string::npos) << body;
}

// In a process of its own, where nothing has loaded the engine library
// yet, the extension finds it beside the program, as a server installed
// with our programs would.
TEST_F(DatabaseExtensionTest, ExtensionLoadsTheEngineLibraryItself)
{
    WizardProject p = tableBrowse("OwnProcess", "customer", {"NAME"});
    const auto [status, out] = runInOwnProcess(QUILLON_ISAPIHOST, build(p, "OwnProcess"),
                                               s_scratch->path() / "ownprocess.out");
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("<TR><TD>Smith</TD></TR>\r\n<TR><TD>O'Brien, Pat</TD></TR>"), std::string::npos) << out;
}

// Without the engine library anywhere to be found, the page says so.
TEST_F(DatabaseExtensionTest, MissingEngineLibraryIsReportedInThePage)
{
    for (const char *dir : {"/usr/lib", "/usr/local/lib", "/usr/lib/x86_64-linux-gnu", "/lib"})
        if (fs::exists(fs::path(dir) / "libidapi32.so"))
            GTEST_SKIP() << "an engine library is installed in " << dir;
    WizardProject p = tableBrowse("NoEngine", "customer", {"NAME"});
    const fs::path lonelyHost = s_scratch->path() / "lonely" / "isapihost";
    fs::create_directories(lonelyHost.parent_path());
    fs::copy_file(QUILLON_ISAPIHOST, lonelyHost);
    const auto [status, out] = runInOwnProcess(lonelyHost, build(p, "NoEngine"),
                                               s_scratch->path() / "noengine.out");
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("<P>Error: Cannot load the database engine library libidapi32.so"), std::string::npos)
        << out;
    EXPECT_NE(out.find("</BODY></HTML>"), std::string::npos) << out;
}

struct ScenarioRow
{
    const char *scenario;
    const char *expected; // the probe's whole output
};

class DataSetScenarioTest : public DatabaseExtensionTest,
                            public ::testing::WithParamInterface<ScenarioRow>
{
};

// The dataset classes outside the paths the generated code takes: misuse
// gives an error naming what is wrong, never a crash.
TEST_P(DataSetScenarioTest, BehavesAsExpected)
{
    static const fs::path probe = [] {
        const FpcBuild fpc(s_scratch->path() / "probe");
        const FpcResult made = fpc.compile({fs::path(QUILLON_PASCAL_TESTS_DIR) / "dbtablesprobe.pas",
                                            s_scratch->path() / "probe" / "out"});
        EXPECT_EQ(made.exitCode, 0) << made.log;
        return made.output;
    }();
    ASSERT_FALSE(probe.empty());
    const fs::path log = s_scratch->path() / "probe.out";
    // The probe lies in a folder of its own: show it where the engine library is.
    const std::string libraryPath = "LD_LIBRARY_PATH=" + fs::read_symlink("/proc/self/exe").parent_path().string();
    const int status = waitProcess(
        startProcess({probe.string(), GetParam().scenario, "QNTEST", "customer"}, log, {libraryPath}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(quillon::platform::readFile(log.string()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, DataSetScenarioTest,
    ::testing::Values(
        ScenarioRow{"unknownsession", "EDatabaseError: Table 'customer': session 'Elsewhere' not found"},
        ScenarioRow{"aliasasdatabasename", "Smith"},
        ScenarioRow{"noalias", "EDatabaseError: Database 'MyDB' has no alias name"},
        ScenarioRow{"insertwhileclosed",
                    "EDatabaseError: Table 'customer': cannot perform this operation on a closed dataset"},
        ScenarioRow{"setwhilebrowsing",
                    "EDatabaseError: Table 'customer': field 'NAME' can only be set while inserting"},
        ScenarioRow{"postwithoutinsert", "EDatabaseError: Table 'customer': not in insert mode"},
        ScenarioRow{"nextpastend", "eof <b>Bold</b> & Co"},
        ScenarioRow{"databasefreedfirst", "closed"},
        ScenarioRow{"reopen", "Smith"}),
    [](const auto &info) { return std::string(info.param.scenario); });

class QueryBrowseTest : public DatabaseExtensionTest, public ::testing::WithParamInterface<const char *>
{
};

// The same query through both drivers: the CSV folder and the SQLite file
// hold the same rows.
TEST_P(QueryBrowseTest, WritesTheSelectedRows)
{
    const std::string alias = GetParam();
    WizardProject p = browse("Query" + alias);
    p.DBName = alias;
    p.TbBrowse = false;
    p.QrBrowse = true;
    // Lines as the user typed them, a quoted literal among them; PRICE is
    // compared as a number (30 > 9 although "30" < "9" as text).
    p.QrToBrowse = "SELECT NAME, PRICE\r\nFROM customer\r\nWHERE PRICE > 9\r\n  AND NAME <> 'O''Hara'\r\nORDER BY PRICE";
    p.RetChosenFields = {"PRICE", "NAME"};
    const std::string body = runGet(build(p, "Query" + alias));
    EXPECT_NE(body.find("<TABLE>\r\n"
                        "<TR><TD>12</TD><TD>Smith</TD></TR>\r\n"
                        "<TR><TD>30</TD><TD>&lt;b&gt;Bold&lt;/b&gt; &amp; Co</TD></TR>\r\n"
                        "</TABLE>\r\n"),
              std::string::npos)
        << body;
}

INSTANTIATE_TEST_SUITE_P(Drivers, QueryBrowseTest, ::testing::Values("QNTEST", "QNTESTSQL"));

TEST_F(DatabaseExtensionTest, QueryWithALiteralTheUserQuoted)
{
    WizardProject p = browse("QuerySmith");
    p.TbBrowse = false;
    p.QrBrowse = true;
    p.QrToBrowse = "SELECT CITY FROM customer WHERE NAME = 'Smith'";
    p.RetChosenFields = {"CITY"};
    const std::string body = runGet(build(p, "QuerySmith"));
    EXPECT_NE(body.find("<TABLE>\r\n<TR><TD>Bonn</TD></TR>\r\n</TABLE>"), std::string::npos) << body;
}

TEST_F(DatabaseExtensionTest, InsertAddsTheRowBuiltFromTheRequest)
{
    const fs::path library = build(customerInsert("Insert"), "Insert");
    const std::string before = quillon::platform::readFile(table("customer.csv").string());

    // A request without every value adds nothing.
    const std::string refused = runGet(library, "Town=Hamburg");
    EXPECT_NE(refused.find("Problems with parameters!"), std::string::npos) << refused;
    EXPECT_EQ(quillon::platform::readFile(table("customer.csv").string()), before);

    IsapiHost host(library);
    IsapiHost::Request post;
    post.method = "POST";
    post.body = "Who=Ann+O%27Neil%2C+Jr.&Town=Hamburg";
    post.firstChunk = 5;
    const auto r = host.run(post);
    EXPECT_EQ(r.body.find("Error"), std::string::npos) << r.body;

    WizardProject check = tableBrowse("AfterInsert", "customer", {"NAME", "CITY", "PRICE"});
    const std::string rows = runGet(build(check, "AfterInsert"));
    EXPECT_NE(rows.find("<TR><TD>&lt;b&gt;Bold&lt;/b&gt; &amp; Co</TD><TD>Berlin</TD><TD>30</TD></TR>\r\n"
                        "<TR><TD>Ann O'Neil, Jr.</TD><TD>Hamburg</TD><TD></TD></TR>\r\n"
                        "</TABLE>"),
              std::string::npos)
        << rows;
    quillon::platform::writeFileAtomically(table("customer.csv").string(), before);
}

// A request value with an escaped NUL byte ("%00") cannot reach the
// engine whole: the row is refused with an error naming the field, and
// the table keeps what it had, rather than a value cut at the NUL.
TEST_F(DatabaseExtensionTest, InsertRefusesAValueWithANulByte)
{
    IsapiHost host(build(customerInsert("InsertNul"), "InsertNul"));
    const std::string before = quillon::platform::readFile(table("customer.csv").string());
    IsapiHost::Request get, post;
    get.queryString = "Town=before%00after&Who=Ann";
    post.method = "POST";
    post.body = "Town=Bonn&Who=before%00after";
    for (const IsapiHost::Request &request : {get, post}) {
        const std::string body = host.run(request).body;
        const auto error = body.find("<P>Error: ");
        ASSERT_NE(error, std::string::npos) << body;
        EXPECT_NE(body.find("holds a NUL byte", error), std::string::npos) << body;
        EXPECT_NE(body.find(request.method == "GET" ? "field CITY" : "field NAME", error), std::string::npos) << body;
        EXPECT_EQ(quillon::platform::readFile(table("customer.csv").string()), before);
    }
}

struct EscapeRow
{
    const char *name;
    std::string stored; // a field's text in the table
    std::string shown;  // its cell in the page
};

void PrintTo(const EscapeRow &row, std::ostream *out)
{
    *out << row.name;
}

class PageEscapeTest : public DatabaseExtensionTest, public ::testing::WithParamInterface<EscapeRow>
{
};

std::vector<EscapeRow> escapeRows();

/*
** Field texts reach the page through PrepareString. One table holds every
** row's text, numbered; one extension browses it, and each row looks for
** its own cell.
*/
TEST_P(PageEscapeTest, FieldTextIsEscapedForTheCell)
{
    static const std::string page = [] {
        const fs::path file = s_scratch->path() / "texts.sqlite";
        sqlite3 *db = nullptr;
        sqlite3_stmt *insert = nullptr;
        EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE texts (ID INTEGER PRIMARY KEY, TEXT TEXT)", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO texts VALUES (?, ?)", -1, &insert, nullptr);
        int id = 0;
        for (const EscapeRow &row : escapeRows()) {
            sqlite3_bind_int(insert, 1, ++id);
            sqlite3_bind_text(insert, 2, row.stored.data(), static_cast<int>(row.stored.size()), SQLITE_TRANSIENT);
            EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE) << row.name;
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_close(db);
        s_engine->add("QNTEXTS", "SQLITE", file);
        WizardProject p = tableBrowse("Escape", "texts", {"ID", "TEXT"});
        p.DBName = "QNTEXTS";
        return runGet(build(p, "Escape"));
    }();
    const auto rows = escapeRows();
    const auto at = std::find_if(rows.begin(), rows.end(), [](const EscapeRow &r) { return r.name == std::string(GetParam().name); });
    const std::string cell = "<TR><TD>" + std::to_string(at - rows.begin() + 1) + "</TD><TD>" + GetParam().shown + "</TD></TR>\r\n";
    EXPECT_NE(page.find(cell), std::string::npos) << "no " << cell << " in\n" << page;
}

std::vector<EscapeRow> escapeRows()
{
    const std::string plain(5000, 'x');
    return {
        {"Empty", "", ""},
        {"PlainText", "O'Brien, K\xC3\xB6ln\t{*$Author} 100%", "O'Brien, K\xC3\xB6ln\t{*$Author} 100%"},
        {"EachCharacterAlone", "&", "&amp;"},
        {"AllFourTogether", "<>&\"", "&lt;&gt;&amp;&quot;"},
        {"EntityIsEscapedAgain", "&amp;&lt;", "&amp;amp;&amp;lt;"},
        {"FirstAndLast", ">middle<", "&gt;middle&lt;"},
        {"BreakTagInAnyCase", "a<BR>b<br>c<bR>", "a<BR>b<br>c<bR>"},
        {"BreakTagOnly", "<BR>", "<BR>"},
        {"BreakTagCutAtTheEnd", "x<BR", "x&lt;BR"},
        {"BreakTagNotClosed", "<BR <BRx> <B>", "&lt;BR &lt;BRx&gt; &lt;B&gt;"},
        {"BreakTagInsideBrackets", "<<BR>>", "&lt;<BR>&gt;"},
        {"LoneOpeningAtTheEnd", "a<", "a&lt;"},
        {"LongRunsAroundOneEscape", plain + "\"" + plain, plain + "&quot;" + plain},
        {"LongTextNothingToEscape", plain + "<br>" + plain, plain + "<br>" + plain},
    };
}

INSTANTIATE_TEST_SUITE_P(Texts, PageEscapeTest, ::testing::ValuesIn(escapeRows()),
                         [](const auto &info) { return std::string(info.param.name); });

struct FailureRow
{
    const char *name;
    std::function<void(WizardProject &)> shape;
    const char *shown; // a text the error line must hold
    const char *query = "";
};

class DatabaseFailureTest : public DatabaseExtensionTest,
                            public ::testing::WithParamInterface<FailureRow>
{
};

// A database failure ends the page with an error line naming what is at
// fault; the extension neither crashes nor leaves the page unfinished.
TEST_P(DatabaseFailureTest, IsReportedInThePage)
{
    WizardProject p = browse(GetParam().name);
    p.TbToBrowse = "customer";
    p.RetChosenFields = {"NAME"};
    GetParam().shape(p);
    const std::string body = runGet(build(p, GetParam().name), GetParam().query);
    const auto error = body.find("<P>Error: ");
    ASSERT_NE(error, std::string::npos) << body;
    EXPECT_NE(body.find(GetParam().shown, error), std::string::npos) << body;
    EXPECT_NE(body.find("</BODY></HTML>", error), std::string::npos) << body;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DatabaseFailureTest,
    ::testing::Values(
        FailureRow{"UnknownAlias", [](WizardProject &p) { p.DBName = "NOSUCHALIAS"; }, "NOSUCHALIAS"},
        FailureRow{"UnknownTable", [](WizardProject &p) { p.TbToBrowse = "nosuchtable"; }, "nosuchtable"},
        FailureRow{"UnknownField", [](WizardProject &p) { p.RetChosenFields = {"NOSUCHFIELD"}; }, "NOSUCHFIELD"},
        FailureRow{"BadSql", [](WizardProject &p) {
                       p.TbBrowse = false; p.QrBrowse = true; p.QrToBrowse = "SELEKT 1";
                   }, "SELEKT"},
        FailureRow{"InsertUnknownField", [](WizardProject &p) {
                       p.DoBrowse = false; p.DoInsert = true; p.TbInsData = "orders";
                       p.Input = {"V"}; p.UpdFields = {"NOPE=V"};
                   }, "NOPE", "V=1"}),
    [](const auto &info) { return std::string(info.param.name); });

// Each request thread makes its own session, named after the thread, with
// its own database and table: requests running at once do not mix rows.
TEST_F(DatabaseExtensionTest, ConcurrentBrowsesEachGetEveryRow)
{
    WizardProject p = tableBrowse("ThreadBrowse", "customer", {"NAME"});
    IsapiHost host(build(p, "ThreadBrowse"));
    const std::string expected = "<TABLE>\r\n<TR><TD>Smith</TD></TR>\r\n<TR><TD>O'Brien, Pat</TD></TR>\r\n"
                                 "<TR><TD>&lt;b&gt;Bold&lt;/b&gt; &amp; Co</TD></TR>\r\n</TABLE>\r\n";
    constexpr int kThreads = 6;
    std::vector<int> bad(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 15; ++i)
                if (host.run({}).body.find(expected) == std::string::npos)
                    ++bad[t];
        });
    for (auto &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(bad[t], 0) << "thread " << t;
}

} // namespace
