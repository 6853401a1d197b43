/*
** A generated browse filtered by a request value, end to end on every
** driver: the query "WHERE CITY = :City" binds the request value City, so
** the page lists exactly the rows "quillon db query --param City=..."
** finds, and a value written to break out of the SQL is only a value: it
** lists nothing and leaves the table as it was.  The extension is
** compiled with fpc and run through the ISAPI test host; the PostgreSQL
** case is skipped without QUILLON_TEST_PG_URI (scripts/pgcluster).
*/

#include "dbquery.h"
#include "enginealiases.h"
#include "extensionbuild.h"
#include "isapihost.h"
#include "scratchdir.h"

#include "platform/atomicfile.h"
#include "tests/support/pgserver.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;
using quillon::WizardProject;
using quillon::test::PgServer;
using namespace quillon::testing;

namespace {

const char *const kClients = "ID,NAME,CITY\n"
                             "1,Ann & Bo,Lyon\n"
                             "2,Bob,Paris\n"
                             "3,<Cy>,Lyon\n"
                             "4,Dee,lyon\n";
const char *const kClientsSql = "CREATE TABLE client (ID INTEGER, NAME TEXT, CITY TEXT)";
const char *const kClientsRows = "INSERT INTO client VALUES (1, 'Ann & Bo', 'Lyon'), (2, 'Bob', 'Paris'),"
                                 " (3, '<Cy>', 'Lyon'), (4, 'Dee', 'lyon')";
const char *const kQuery = "SELECT ID, NAME\r\nFROM client\r\nWHERE CITY = :City\r\nORDER BY ID";

// Runs "quillon db" with the words given.
DbRun quillonDb(const std::vector<std::string> &words)
{
    return quillon::testing::quillonDb(QUILLON_BIN, words);
}

// One database holding the table client, as an alias of the test's engine.
struct Driver
{
    const char *alias;
    const char *driver; // "", "SQLITE" or "POSTGRESQL"
};

void PrintTo(const Driver &d, std::ostream *os)
{
    *os << d.alias;
}

class ParamExtensionTest : public ::testing::TestWithParam<Driver>
{
protected:
    static void SetUpTestSuite()
    {
        s_scratch = new ScratchDir;
        s_engine = new EngineAliases(s_scratch->path() / "engine.cfg");
        s_builder = new ExtensionBuilder(s_scratch->path() / "build");
        const fs::path csv = s_scratch->path() / "csv";
        fs::create_directories(csv);
        quillon::platform::writeFileAtomically((csv / "client.csv").string(), kClients);
        s_engine->add("QNPARAMCSV", "", csv);
        const fs::path sqlite = s_scratch->path() / "client.sqlite";
        quillon::platform::writeFileAtomically(sqlite.string(), "");
        s_engine->add("QNPARAMSQL", "SQLITE", sqlite);
        makeTable("QNPARAMSQL", {});
        s_server = PgServer::fromEnvironment();
        if (s_server.known()) {
            s_schema = "qp_" + std::to_string(::getpid());
            s_engine->add("QNPARAMPGSETUP", "POSTGRESQL", s_server.uri);
            const std::vector<std::string> login = {"--user", s_server.user, "--password", s_server.password};
            mustRun("QNPARAMPGSETUP", "CREATE SCHEMA " + s_schema, login);
            s_engine->add("QNPARAMPG", "POSTGRESQL", s_server.uriWith("options=-csearch_path%3D" + s_schema));
            makeTable("QNPARAMPG", login);
        }
    }
    static void TearDownTestSuite()
    {
        if (s_server.known())
            quillonDb({"query", "QNPARAMPGSETUP", "DROP SCHEMA " + s_schema + " CASCADE", "--user", s_server.user,
                       "--password", s_server.password});
        delete s_builder;
        delete s_engine;
        delete s_scratch;
    }
    void SetUp() override
    {
        if (std::string(GetParam().driver) == "POSTGRESQL")
            QUILLON_SKIP_WITHOUT_PG(s_server);
    }

    static std::vector<std::string> login()
    {
        if (!s_server.known())
            return {};
        return {"--user", s_server.user, "--password", s_server.password};
    }
    static std::string mustRun(const std::string &alias, const std::string &sql, std::vector<std::string> extra)
    {
        std::vector<std::string> words = {"query", alias, sql};
        words.insert(words.end(), extra.begin(), extra.end());
        const DbRun r = quillonDb(words);
        if (r.status != 0)
            throw std::runtime_error("quillon db query " + alias + " \"" + sql + "\" failed: " + r.out);
        return r.out;
    }
    static void makeTable(const std::string &alias, const std::vector<std::string> &login)
    {
        mustRun(alias, kClientsSql, login);
        mustRun(alias, kClientsRows, login);
    }

    static std::string page(const Driver &d, const std::string &query)
    {
        WizardProject p;
        p.DBName = d.alias;
        p.DoLogin = true;
        p.UserName = s_server.user;
        p.Password = s_server.password;
        p.PageTitle = "Clients";
        p.ExtName = std::string("Param") + d.alias;
        p.Input = {"City"};
        p.TbBrowse = false;
        p.QrBrowse = true;
        p.QrToBrowse = kQuery;
        p.RetChosenFields = {"ID", "NAME"};
        IsapiHost host(s_builder->build(p, p.ExtName));
        IsapiHost::Request request;
        request.queryString = query;
        return host.run(request).body;
    }

    static ScratchDir *s_scratch;
    static EngineAliases *s_engine;
    static ExtensionBuilder *s_builder;
    static PgServer s_server;
    static std::string s_schema;
};

ScratchDir *ParamExtensionTest::s_scratch = nullptr;
EngineAliases *ParamExtensionTest::s_engine = nullptr;
ExtensionBuilder *ParamExtensionTest::s_builder = nullptr;
PgServer ParamExtensionTest::s_server;
std::string ParamExtensionTest::s_schema;

TEST_P(ParamExtensionTest, RequestValueFiltersTheRowsAndIsNeverSql)
{
    const Driver &d = GetParam();
    std::vector<std::string> lyon = login();
    lyon.insert(lyon.end(), {"--param", "City=Lyon"});
    const std::string found = mustRun(d.alias, kQuery, lyon);
    ASSERT_EQ(found.substr(found.find('\n') + 1), "1\tAnn & Bo\n3\t<Cy>\n")
        << "the rows quillon db query finds for Lyon";
    const std::string before = mustRun(d.alias, "SELECT * FROM client ORDER BY ID", login());

    const std::string body = page(d, "City=Lyon");
    EXPECT_NE(body.find(asHtmlTable(found)), std::string::npos) << body << "\nexpected:\n" << asHtmlTable(found);

    // Values written to escape from a quoted literal, or to end the
    // statement and start another, are only values: no city is named so.
    for (const std::string &attack :
         {std::string("City=Lyon%27+OR+%271%27%3D%271"), std::string("City=Lyon%27%3B+DELETE+FROM+client%3B+--"),
          std::string("City=%3ACity")}) {
        const std::string other = page(d, attack);
        EXPECT_NE(other.find("<TABLE>\r\n</TABLE>\r\n"), std::string::npos) << attack << ":\n" << other;
        EXPECT_EQ(other.find("Error"), std::string::npos) << attack << ":\n" << other;
    }
    // A NUL byte would cut the value short ("Lyon"): the page refuses it, naming the parameter.
    const std::string cut = page(d, "City=Lyon%00x");
    EXPECT_NE(cut.find("the value for the parameter :City holds a NUL byte"), std::string::npos) << cut;
    EXPECT_EQ(cut.find("<TABLE>"), std::string::npos) << cut;
    EXPECT_EQ(mustRun(d.alias, "SELECT * FROM client ORDER BY ID", login()), before) << "the table is as it was";
}

INSTANTIATE_TEST_SUITE_P(Drivers, ParamExtensionTest,
                         ::testing::Values(Driver{"QNPARAMCSV", ""}, Driver{"QNPARAMSQL", "SQLITE"},
                                           Driver{"QNPARAMPG", "POSTGRESQL"}),
                         [](const auto &info) { return std::string(info.param.alias); });

} // namespace
