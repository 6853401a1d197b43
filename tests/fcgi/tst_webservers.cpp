/*
** Generated extensions, compiled with fpc, answering real HTTP requests
** through lighttpd and through nginx with quillon-fcgi behind them, and
** through `quillon serve`: the sample database (a copy of examples/data,
** registered as QUILLONDEMO in a private engine configuration) browsed and
** inserted into, forms by GET and POST, header and footer files, a missing
** parameter, concurrent requests and stopping.
*/

#include "enginealiases.h"
#include "extensionbuild.h"
#include "scratchdir.h"
#include "webserver.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <thread>

namespace fs = std::filesystem;
using quillon::WizardProject;
using namespace quillon::testing;

namespace {

constexpr const char *kBilbaoRow = "<TR><TD>Berg &amp; Partners</TD><TD>Bilbao</TD></TR>";

class Extensions
{
public:
    static void setUp()
    {
        s_scratch = new ScratchDir;
        const fs::path data = s_scratch->path() / "data";
        fs::copy(QUILLON_EXAMPLES "/data", data, fs::copy_options::recursive);
        s_engine = new EngineAliases(s_scratch->path() / "engine.cfg");
        s_engine->add("QUILLONDEMO", "", data);
        quillon::platform::writeFileAtomically((s_scratch->path() / "header.htm").string(), "<P>OUR HEADER</P>");
        quillon::platform::writeFileAtomically((s_scratch->path() / "footer.htm").string(), "<P>OUR FOOTER</P>");
        ExtensionBuilder builder(s_scratch->path() / "build");

        WizardProject browse;
        browse.DBName = "QUILLONDEMO";
        browse.TbToBrowse = "customer";
        browse.RetChosenFields = {"COMPANY", "CITY"};
        browse.Input = {"City"};
        browse.HasHeaderFile = browse.HasFooterFile = true;
        browse.HeaderFile = (s_scratch->path() / "header.htm").string();
        browse.FooterFile = (s_scratch->path() / "footer.htm").string();
        browse.PageTitle = "Customers";
        s_browse = new fs::path(builder.build(browse, "Browse"));

        WizardProject insert;
        insert.DBName = "QUILLONDEMO";
        insert.DoBrowse = false;
        insert.DoInsert = true;
        insert.TbInsData = "guestbook.csv";
        insert.Input = {"Name", "Email", "Comment"};
        insert.UpdFields = {"NAME=Name", "EMAIL=Email", "COMMENTS=Comment"};
        insert.PageTitle = "Thank you";
        s_insert = new fs::path(builder.build(insert, "Insert"));
    }
    static void tearDown()
    {
        delete s_insert;
        delete s_browse;
        delete s_engine;
        delete s_scratch;
    }

    static ScratchDir *s_scratch;
    static EngineAliases *s_engine;
    static fs::path *s_browse;
    static fs::path *s_insert;
};

ScratchDir *Extensions::s_scratch = nullptr;
EngineAliases *Extensions::s_engine = nullptr;
fs::path *Extensions::s_browse = nullptr;
fs::path *Extensions::s_insert = nullptr;

class WebServerTest : public ::testing::TestWithParam<ServerKind>
{
protected:
    static void SetUpTestSuite() { Extensions::setUp(); }
    static void TearDownTestSuite() { Extensions::tearDown(); }

    WebServer &serve(const fs::path &library)
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const fs::path folder = Extensions::s_scratch->path()
                                / (std::string(serverName(GetParam())) + "-" + test.substr(0, test.find('/')));
        m_server = std::make_unique<WebServer>(GetParam(), library, folder);
        return *m_server;
    }

    static void expectBrowsePage(const HttpReply &r, const std::string &log)
    {
        EXPECT_EQ(r.status, 200) << r.head << "\n" << log;
        EXPECT_NE(r.body.find("<TITLE>Customers</TITLE>"), std::string::npos) << r.body;
        const auto header = r.body.find("<P>OUR HEADER</P>");
        const auto row = r.body.find(kBilbaoRow);
        const auto footer = r.body.find("<P>OUR FOOTER</P>");
        EXPECT_NE(row, std::string::npos) << r.body;
        EXPECT_LT(header, row);
        EXPECT_LT(row, footer);
        EXPECT_NE(footer, std::string::npos);
        EXPECT_TRUE(r.body.ends_with("</BODY></HTML>\r\n")) << r.body;
        EXPECT_EQ(r.body.find("Error"), std::string::npos) << r.body;
    }

    std::unique_ptr<WebServer> m_server;
};

TEST_P(WebServerTest, GetWithAQueryBrowsesTheTable)
{
    WebServer &server = serve(*Extensions::s_browse);
    expectBrowsePage(httpRequest(server.port(), "GET", "/browse?City=Bilbao"), server.log());
}

TEST_P(WebServerTest, PostedFormsSmallAndLarge)
{
    WebServer &server = serve(*Extensions::s_browse);
    const std::string form = "City=Lyon";
    expectBrowsePage(httpRequest(server.port(), "POST", "/browse", form,
                                 "Content-Type: application/x-www-form-urlencoded\r\n"),
                     server.log());
    // Three megabytes: most of the body reaches the extension through ReadClient.
    const std::string large = form + "&Pad=" + std::string(3 * 1024 * 1024, 'x');
    expectBrowsePage(httpRequest(server.port(), "POST", "/browse", large,
                                 "Content-Type: application/x-www-form-urlencoded\r\n"),
                     server.log());
}

TEST_P(WebServerTest, MissingParameterIsReportedInThePage)
{
    WebServer &server = serve(*Extensions::s_browse);
    const HttpReply r = httpRequest(server.port(), "GET", "/browse?Town=Bilbao");
    EXPECT_EQ(r.status, 400) << server.log();
    EXPECT_NE(r.body.find("Problems with parameters!"), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("<TABLE>"), std::string::npos) << r.body;
}

// A query longer than the server takes is refused by the server with a
// 4xx answer, and the next request is served as ever.
TEST_P(WebServerTest, OverlongQueryGetsAnAnswerAndServingGoesOn)
{
    WebServer &server = serve(*Extensions::s_browse);
    const HttpReply r = httpRequest(server.port(), "GET", "/browse?City=" + std::string(1024 * 1024, 'q'));
    EXPECT_GE(r.status, 400) << r.head;
    EXPECT_LT(r.status, 500) << r.head;
    expectBrowsePage(httpRequest(server.port(), "GET", "/browse?City=Bilbao"), server.log());
}

TEST_P(WebServerTest, InsertAddsTheRow)
{
    WebServer &server = serve(*Extensions::s_insert);
    const std::string name = std::string("Guest of ") + serverName(GetParam());
    const HttpReply r = httpRequest(server.port(), "POST", "/sign",
                                    "Name=" + name + "&Email=g%40example.com&Comment=Nice+%26+quick",
                                    "Content-Type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(r.status, 200) << server.log();
    EXPECT_EQ(r.body.find("Error"), std::string::npos) << r.body;
    const std::string table =
        quillon::platform::readFile((Extensions::s_scratch->path() / "data" / "guestbook.csv").string());
    EXPECT_NE(table.find(name + ",g@example.com,Nice & quick"), std::string::npos) << table;
}

TEST_P(WebServerTest, ConcurrentRequestsAllComplete)
{
    WebServer &server = serve(*Extensions::s_browse);
    const std::string expected = httpRequest(server.port(), "GET", "/browse?City=Bilbao").body;
    ASSERT_NE(expected.find(kBilbaoRow), std::string::npos) << expected;
    constexpr int kClients = 16;
    std::atomic<int> same{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&] {
            for (int k = 0; k < 5; ++k) {
                const HttpReply r = httpRequest(server.port(), "GET", "/browse?City=Bilbao");
                if (r.status == 200 && r.body == expected)
                    ++same;
            }
        });
    for (auto &c : clients)
        c.join();
    EXPECT_EQ(same, kClients * 5) << server.log();
}

// Stopping the server stops the responder too: both exit cleanly, the
// responder after its stop message, and nothing of theirs keeps running.
TEST_P(WebServerTest, StopsCleanly)
{
    WebServer &server = serve(*Extensions::s_browse);
    EXPECT_EQ(httpRequest(server.port(), "GET", "/browse?City=Bilbao").status, 200);
    const int port = server.port();
    // lighttpd itself exits with 1 when SIGTERM reaches it within its first
    // moments; give it a moment of serving first.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(server.stop()) << server.log();
    EXPECT_FALSE(portAnswers(port));
    // lighttpd stops the responder it started on its way out, without waiting for it.
    EXPECT_TRUE(waitFor([] { return processesMentioning(Extensions::s_browse->string()) == 0; }))
        << "a responder is still running";
    EXPECT_NE(server.log().find("quillon-fcgi: stopping"), std::string::npos) << server.log();
}

// A responder that lighttpd started stops when lighttpd goes away, even
// without a word from it.
TEST_P(WebServerTest, ResponderStopsWhenTheServerThatStartedItDies)
{
    if (GetParam() != ServerKind::Lighttpd)
        GTEST_SKIP() << "nginx does not start the responder";
    WebServer &server = serve(*Extensions::s_browse);
    EXPECT_EQ(httpRequest(server.port(), "GET", "/browse?City=Bilbao").status, 200);
    server.kill();
    EXPECT_TRUE(waitFor([] { return processesMentioning(Extensions::s_browse->string()) == 0; }))
        << "the responder outlived lighttpd";
    EXPECT_NE(server.log().find("quillon-fcgi: stopping"), std::string::npos) << server.log();
}

INSTANTIATE_TEST_SUITE_P(Servers, WebServerTest, ::testing::Values(ServerKind::Lighttpd, ServerKind::Nginx),
                         [](const auto &info) { return std::string(serverName(info.param)); });

// `quillon serve` in one command: prints the address, serves, and on
// Ctrl+C stops lighttpd and the responder and removes what it made.
class ServeCommandTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { Extensions::setUp(); }
    static void TearDownTestSuite() { Extensions::tearDown(); }
};

TEST_F(ServeCommandTest, ServesUntilInterrupted)
{
    const fs::path log = Extensions::s_scratch->path() / "serve.log";
    const int port = freePort();
    ChildProcess serve(withRootAllowed({QUILLON_BIN, "serve", Extensions::s_browse->string(), "--port", std::to_string(port)}),
                       log);
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";
    ASSERT_TRUE(waitFor([&] { return quillon::platform::readFile(log.string()).find(address) != std::string::npos; },
                        std::chrono::seconds(20)))
        << quillon::platform::readFile(log.string());
    const HttpReply r = httpRequest(port, "GET", "/?City=Bilbao");
    EXPECT_EQ(r.status, 200);
    EXPECT_NE(r.body.find(kBilbaoRow), std::string::npos) << r.body;

    EXPECT_EQ(serve.stop(SIGINT), 0) << quillon::platform::readFile(log.string());
    EXPECT_NE(quillon::platform::readFile(log.string()).find("Stopped."), std::string::npos);
    EXPECT_FALSE(portAnswers(port));
    EXPECT_TRUE(waitFor([] { return processesMentioning(Extensions::s_browse->string()) == 0; }));
}

TEST_F(ServeCommandTest, ALibraryThatCannotServeIsReported)
{
    const fs::path notALibrary = Extensions::s_scratch->path() / "plain.so";
    quillon::platform::writeFileAtomically(notALibrary.string(), "text");
    const fs::path log = Extensions::s_scratch->path() / "serve-bad.log";
    ChildProcess serve(withRootAllowed({QUILLON_BIN, "serve", notALibrary.string(), "--port", std::to_string(freePort())}),
                       log);
    EXPECT_EQ(serve.wait(std::chrono::seconds(20)), 1);
    EXPECT_NE(quillon::platform::readFile(log.string()).find("cannot load " + notALibrary.string()),
              std::string::npos)
        << quillon::platform::readFile(log.string());
}

} // namespace
