/*
** The FastCGI responder with a test extension, spoken to over its socket
** as a web server would: how requests of every shape reach the extension,
** what comes back for its faults and the client's, concurrency, and
** stopping. No web server is needed, so these run in the sanitizer build.
*/

#include "clients.h"
#include "fcgi/responder.h"
#include "platform/atomicfile.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using namespace quillon::testing;

namespace {

std::string fnv(const std::string &data)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : data)
        hash = (hash ^ c) * 16777619u;
    return std::to_string(hash);
}

Params cgi(const std::string &method, const std::string &query, Params more = {})
{
    Params p = {{"REQUEST_METHOD", method}, {"QUERY_STRING", query}, {"SCRIPT_NAME", "/ext"},
                {"SERVER_PORT", "18080"}, {"CONTENT_TYPE", "application/x-www-form-urlencoded"}};
    p.insert(p.end(), more.begin(), more.end());
    return p;
}

class ResponderTest : public ::testing::Test
{
protected:
    void SetUp() override { start(QUILLON_TEST_EXTENSION); }

    // Every responder must stop cleanly; in the sanitizer build a report
    // (a leak found at exit among them) makes the exit status non-zero.
    void TearDown() override
    {
        if (m_responder) {
            EXPECT_EQ(m_responder->stop(SIGTERM), 0) << logText();
        }
    }

    void start(const std::string &library, const std::vector<std::string> &more = {})
    {
        std::vector<std::string> argv = {QUILLON_FCGI, "--socket", socket().string(), "--threads", "16"};
        argv.insert(argv.end(), more.begin(), more.end());
        argv.push_back(library);
        m_responder = std::make_unique<ChildProcess>(argv, log());
        ASSERT_TRUE(waitFor([&] { return fs::exists(socket()); })) << logText();
    }

    fs::path socket() const { return fs::path(m_dir.path()) / "responder.sock"; }
    fs::path log() const { return fs::path(m_dir.path()) / "responder.log"; }
    std::string logText() const { return quillon::platform::readFile(log().string()); }

    FcgiReply request(const Params &params, const std::string &body = {}, const FcgiOptions &options = {})
    {
        return fcgiRequest(socket(), params, body, options);
    }

    quillon::test::TempDir m_dir;
    std::unique_ptr<ChildProcess> m_responder;
};

struct ShapeRow
{
    const char *name;
    Params params;
    std::string body;
    const char *status;
    std::vector<std::string> shown; // texts the response must hold
};

class RequestShapeTest : public ResponderTest, public ::testing::WithParamInterface<ShapeRow>
{
};

TEST_P(RequestShapeTest, AnswersAsExpected)
{
    const ShapeRow &row = GetParam();
    const FcgiReply reply = request(row.params, row.body);
    EXPECT_TRUE(reply.ended) << reply.out;
    EXPECT_EQ(reply.status(), row.status) << reply.out;
    for (const std::string &text : row.shown)
        EXPECT_NE(reply.out.find(text), std::string::npos) << text << "\n---\n" << reply.out.substr(0, 2000);
    EXPECT_EQ(reply.out.find("X-Injected"), std::string::npos);
    EXPECT_TRUE(m_responder->alive()) << "the responder ended\n" << logText();
}

const std::string kBig(5 * 1024 * 1024 + 17, 'b');
const std::string kSixtyK(60000, 's');

Params thousandParams()
{
    Params p = cgi("GET", "var=P999");
    for (int i = 0; i < 1000; ++i)
        p.emplace_back("P" + std::to_string(i), "value " + std::to_string(i));
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RequestShapeTest,
    ::testing::Values(
        ShapeRow{"GetWithQueryAndPathInfo", cgi("GET", "a=1&b=2", {{"PATH_INFO", "/more"}}), "", "200 OK",
                 {"method=GET\n", "query-length=7\n", "path-info=/more\n", "total=0\n"}},
        ShapeRow{"PostForm", cgi("POST", "", {{"CONTENT_LENGTH", "11"}}), "City=Bonn&x", "200 OK",
                 {"method=POST\n", "total=11\n", "available=11\n", "read=11\n", "hash=" + fnv("City=Bonn&x")}},
        ShapeRow{"PostOfSeveralMegabytes",
                 cgi("POST", "", {{"CONTENT_LENGTH", std::to_string(kBig.size())}}), kBig, "200 OK",
                 {"total=" + std::to_string(kBig.size()), "available=49152\n",
                  "read=" + std::to_string(kBig.size()), "hash=" + fnv(kBig)}},
        ShapeRow{"BodyShorterThanItsLength", cgi("POST", "", {{"CONTENT_LENGTH", "100"}}), "0123456789", "200 OK",
                 {"total=10\n", "read=10\n"}},
        ShapeRow{"BodyEndingAfterTheFirstPart", cgi("POST", "", {{"CONTENT_LENGTH", "100000"}}), kSixtyK, "200 OK",
                 {"total=100000\n", "available=49152\n", "read=60000\n"}},
        ShapeRow{"MissingContentLength", cgi("POST", ""), "abc", "200 OK", {"total=3\n", "read=3\n"}},
        ShapeRow{"NonNumericContentLength", cgi("POST", "", {{"CONTENT_LENGTH", "12abc"}}), "abc",
                 "400 Bad Request", {"CONTENT_LENGTH is not a number"}},
        ShapeRow{"ContentLengthBeyondTheBlock", cgi("POST", "", {{"CONTENT_LENGTH", "99999999999"}}), "abc",
                 "413 Payload Too Large", {}},
        ShapeRow{"AThousandParameters", thousandParams(), "", "200 OK", {"var=value 999\n"}},
        ShapeRow{"QueryOfOneMegabyte", cgi("GET", std::string(1024 * 1024, 'q')), "", "200 OK",
                 {"query-length=1048576\n"}},
        ShapeRow{"UnknownServerVariable", cgi("GET", "var=NO_SUCH_VARIABLE"), "", "200 OK", {"var=error 1413\n"}},
        ShapeRow{"HeaderNotSent", cgi("GET", "var=HTTP_X_NOT_SENT"), "", "200 OK", {"var=\n"}},
        ShapeRow{"ServerVariableFromTheServer", cgi("GET", "var=SERVER_PORT"), "", "200 OK", {"var=18080\n"}},
        ShapeRow{"AllHttpHeaders", cgi("GET", "var=ALL_HTTP", {{"HTTP_ACCEPT", "text/html"}}), "", "200 OK",
                 {"var=HTTP_ACCEPT:text/html\n"}},
        ShapeRow{"AnsweredFromAnotherThread", cgi("GET", "pending&ms=200"), "", "200 OK", {"answered later\n"}},
        ShapeRow{"ExtensionError", cgi("GET", "error"), "", "500 Internal Server Error",
                 {"The extension reported an error."}},
        ShapeRow{"WriteWithoutHeader", cgi("GET", "raw"), "", "200 OK", {"Content-Type: text/html\r\n\r\nraw body\n"}},
        ShapeRow{"StatusInTheControlBlock", cgi("GET", "nocontent"), "", "204", {}},
        ShapeRow{"StatusWithAHeaderSmuggledIn", cgi("GET", "badstatus"), "", "500 Internal Server Error",
                 {"\r\n\r\nbody\n"}}),
    [](const auto &info) { return std::string(info.param.name); });

// A web server that drops the connection while the extension still writes
// (its client went away) costs that request only.
TEST_F(ResponderTest, LostConnectionMidResponseLeavesTheResponderServing)
{
    FcgiOptions options;
    options.stopReadingAfter = 100000;
    for (int i = 0; i < 3; ++i)
        request(cgi("GET", "big&kb=20000"), {}, options);
    const FcgiReply after = request(cgi("GET", "a=1"));
    EXPECT_TRUE(m_responder->alive()) << logText();
    EXPECT_EQ(after.status(), "200 OK") << logText();
    EXPECT_NE(after.out.find("query-length=3\n"), std::string::npos);
}

// Sixteen requests at once each run on a thread of their own, and each
// response comes whole.
TEST_F(ResponderTest, ConcurrentRequestsRunAtOnce)
{
    constexpr int kClients = 16;
    std::atomic<int> complete{0};
    std::vector<std::thread> clients;
    std::vector<std::string> bodies(kClients);
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&, i] {
            const FcgiReply r = request(cgi("GET", "sleep&ms=400"));
            if (r.ended && r.status() == "200 OK")
                ++complete;
            bodies[i] = r.body();
        });
    for (auto &c : clients)
        c.join();
    EXPECT_EQ(complete, kClients);
    const FcgiReply big = request(cgi("GET", "big&kb=4096"));
    EXPECT_EQ(big.body(), std::string(4096 * 1024, 'x'));
    int most = 0;
    for (const std::string &b : bodies)
        if (b.starts_with("most="))
            most = std::max(most, std::stoi(b.substr(5)));
    EXPECT_GE(most, 4) << "requests did not overlap";
}

// SIGTERM lets the request in flight end, then calls TerminateExtension,
// removes the socket and exits with 0.
TEST_F(ResponderTest, StopsCleanlyOnSigterm)
{
    FcgiReply inFlight;
    std::thread client([&] { inFlight = request(cgi("GET", "sleep&ms=700")); });
    ASSERT_TRUE(waitFor([&] { return logText().find("serving") != std::string::npos; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(m_responder->stop(SIGTERM), 0) << logText();
    client.join();
    EXPECT_EQ(inFlight.status(), "200 OK");
    EXPECT_NE(logText().find("TerminateExtension"), std::string::npos) << logText();
    EXPECT_FALSE(fs::exists(socket()));
}

struct StartFailureRow
{
    const char *name;
    std::vector<std::string> argv; // after the program; "@" is replaced by the test folder
    const char *message;
};

class StartFailureTest : public ::testing::TestWithParam<StartFailureRow>
{
};

// A library that cannot serve, or a command line that cannot be served,
// ends the responder at once with exit status 2 and a message naming it.
TEST_P(StartFailureTest, ExitsWithAMessage)
{
    quillon::test::TempDir dir;
    quillon::platform::writeFileAtomically(dir.file("notalibrary.so"), "plain text");
    std::vector<std::string> argv = {QUILLON_FCGI};
    for (std::string a : GetParam().argv) {
        if (const auto at = a.find('@'); at != std::string::npos)
            a.replace(at, 1, dir.path());
        argv.push_back(a);
    }
    const fs::path log = dir.file("log");
    ChildProcess responder(argv, log);
    EXPECT_EQ(responder.wait(std::chrono::seconds(10)), 2);
    const std::string text = quillon::platform::readFile(log.string());
    EXPECT_NE(text.find(GetParam().message), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartFailureTest,
    ::testing::Values(
        StartFailureRow{"MissingLibrary", {"--socket", "@/s", "@/nosuch.so"}, "nosuch.so: no such file"},
        StartFailureRow{"NotALibrary", {"--socket", "@/s", "@/notalibrary.so"}, "cannot load"},
        StartFailureRow{"LibraryWithoutEntries", {"--socket", "@/s", QUILLON_TEST_EXTENSION_NO_PROC},
                        "has no entry HttpExtensionProc"},
        StartFailureRow{"SocketPathIsAFile", {"--socket", "@/notalibrary.so", QUILLON_TEST_EXTENSION},
                        "exists and is not a socket"},
        StartFailureRow{"NoSocket", {QUILLON_TEST_EXTENSION}, "standard input is not a listening socket"},
        StartFailureRow{"BadThreadCount", {"--threads", "0", QUILLON_TEST_EXTENSION}, "--threads"}),
    [](const auto &info) { return std::string(info.param.name); });

struct HeadRow
{
    const char *status;
    const char *headers;
    const char *head;
};

class ResponseHeadTest : public ::testing::TestWithParam<HeadRow>
{
};

// The header lines always end in exactly one blank line.
TEST_P(ResponseHeadTest, EndsTheHeadOnce)
{
    EXPECT_EQ(quillon::fcgi::responseHead(GetParam().status, GetParam().headers), GetParam().head);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, ResponseHeadTest,
    ::testing::Values(HeadRow{"200 OK", "Content-Type: text/html\r\n\r\n", "Status: 200 OK\r\nContent-Type: text/html\r\n\r\n"},
                      HeadRow{"200 OK", "Content-Type: text/html\r\n", "Status: 200 OK\r\nContent-Type: text/html\r\n\r\n"},
                      HeadRow{"200 OK", "Content-Type: text/html", "Status: 200 OK\r\nContent-Type: text/html\r\n\r\n"},
                      HeadRow{"404 Not Found", "", "Status: 404 Not Found\r\n\r\n"},
                      HeadRow{"302", "Location: /x\r\n\r\n", "Status: 302\r\nLocation: /x\r\n\r\n"},
                      HeadRow{"OK", "", "Status: 500 Internal Server Error\r\n\r\n"},
                      HeadRow{"200 OK\r\nSet-Cookie: a=1", "", "Status: 200 OK\r\n\r\n"}));

} // namespace
