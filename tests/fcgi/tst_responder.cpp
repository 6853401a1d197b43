/*
** The FastCGI responder with a test extension, spoken to over its socket
** as a web server would: how requests of every shape reach the extension,
** what comes back for its faults and the client's, concurrency, the worker
** pool (crashes, timeouts, stalled clients, overload, reload), and
** stopping. No web server is needed, so these run in the sanitizer build.
*/

#include "clients.h"
#include "fcgi/records.h"
#include "fcgi/responder.h"
#include "platform/atomicfile.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
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
        if (m_responder) {
            EXPECT_EQ(m_responder->stop(SIGTERM), 0) << logText();
        }
        std::vector<std::string> argv = withRootAllowed({QUILLON_FCGI, "--socket", socket().string()});
        argv.insert(argv.end(), more.begin(), more.end());
        argv.push_back(library);
        fs::remove(log());
        m_responder = std::make_unique<ChildProcess>(argv, log());
        // Serving: a worker is ready, so requests are taken as they come.
        ASSERT_TRUE(waitFor([&] { return fs::exists(socket()) && logText().find("serving") != std::string::npos; }))
            << logText();
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

struct PoolRow
{
    const char *name;
    std::vector<std::string> options;
    int mostAtOnceInAWorker; // requests one worker served at once, at most
    int workersAtLeast;      // distinct worker processes that answered
};

class PoolTest : public ResponderTest, public ::testing::WithParamInterface<PoolRow>
{
};

// Twelve requests at once each come back whole; by default each worker
// serves one at a time and the pool grows to take them; with threads a
// worker serves several.
TEST_P(PoolTest, ConcurrentRequestsAllComplete)
{
    start(QUILLON_TEST_EXTENSION, GetParam().options);
    constexpr int kClients = 12;
    std::vector<std::thread> clients;
    std::vector<FcgiReply> replies(kClients);
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&, i] { replies[i] = request(cgi("GET", "sleep&ms=400")); });
    for (auto &c : clients)
        c.join();
    int most = 0;
    std::set<std::string> pids;
    for (const FcgiReply &r : replies) {
        ASSERT_EQ(r.status(), "200 OK") << r.out << logText();
        ASSERT_TRUE(r.body().starts_with("most=")) << r.body();
        most = std::max(most, std::stoi(r.body().substr(5)));
        pids.insert(r.body().substr(r.body().find("pid=")));
    }
    EXPECT_EQ(most, GetParam().mostAtOnceInAWorker);
    EXPECT_GE(static_cast<int>(pids.size()), GetParam().workersAtLeast);
    const FcgiReply big = request(cgi("GET", "big&kb=4096"));
    EXPECT_EQ(big.body(), std::string(4096 * 1024, 'x'));
}

INSTANTIATE_TEST_SUITE_P(
    Pools, PoolTest,
    ::testing::Values(PoolRow{"OneRequestAWorker", {}, 1, 4},
                      PoolRow{"FourThreadsInTwoWorkers", {"--threads", "4", "--max-workers", "2"}, 4, 2}),
    [](const auto &info) { return std::string(info.param.name); });

constexpr const char *kCrashCause = "died of Segmentation fault (signal 11)";
constexpr const char *kCrashUnderThreads = "died of Segmentation fault (signal 11) while serving GET /ext?crash; "
                                           "with it 1 other request failed: GET /ext?sleep&ms=1500\n";

struct FaultRow
{
    const char *name;
    const char *query;
    const char *cause; // in the log, with the request line
};

class FaultTest : public ResponderTest, public ::testing::WithParamInterface<FaultRow>
{
};

// A request that brings its worker down fails alone with 500: the request
// in flight beside it completes, the cause and the request line are
// logged, and the pool serves on.
TEST_P(FaultTest, FailsAloneAndIsLogged)
{
    FcgiReply beside;
    std::thread client([&] { beside = request(cgi("GET", "sleep&ms=800")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const FcgiReply failed = request(cgi("GET", GetParam().query));
    client.join();
    EXPECT_EQ(failed.status(), "500 Internal Server Error") << failed.out;
    EXPECT_NE(failed.body().find("The extension failed"), std::string::npos) << failed.out;
    EXPECT_EQ(beside.status(), "200 OK") << beside.out << logText();
    EXPECT_NE(logText().find(std::string(GetParam().cause) + " while serving GET /ext?" + GetParam().query),
              std::string::npos)
        << logText();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(request(cgi("GET", "who")).status(), "200 OK") << logText();
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTest,
                         ::testing::Values(FaultRow{"Crash", "crash", kCrashCause},
                                           FaultRow{"Abort", "abort", "died of Aborted (signal 6)"},
                                           FaultRow{"Exit", "exit", "exited with status 3"}),
                         [](const auto &info) { return std::string(info.param.name); });

// A request that runs past the timeout is answered 504 and its worker
// replaced; the line says which request it was.
TEST_F(ResponderTest, RequestTimeoutAnswers504)
{
    start(QUILLON_TEST_EXTENSION, {"--request-timeout", "1"});
    const FcgiReply hung = request(cgi("GET", "hang"));
    EXPECT_EQ(hung.status(), "504 Gateway Timeout") << hung.out;
    EXPECT_NE(logText().find("no answer to GET /ext?hang within 1 s"), std::string::npos) << logText();
    EXPECT_EQ(request(cgi("GET", "who")).status(), "200 OK") << logText();
}

class HangUpTest : public ResponderTest, public ::testing::WithParamInterface<bool>
{
protected:
    // The responder with one worker, on its Unix socket or (tcp) on a port
    // of 127.0.0.1; returns the port, 0 for the socket.
    int startOne(bool tcp)
    {
        std::vector<std::string> options = {"--min-workers", "1", "--max-workers", "1", "--request-timeout", "600"};
        if (!tcp) {
            start(QUILLON_TEST_EXTENSION, options);
            return 0;
        }
        EXPECT_EQ(m_responder->stop(SIGTERM), 0) << logText();
        fs::remove(log());
        options.insert(options.begin(), QUILLON_FCGI);
        options.insert(options.end(), {"--listen", "127.0.0.1:0", QUILLON_TEST_EXTENSION});
        m_responder = std::make_unique<ChildProcess>(withRootAllowed(options), log());
        EXPECT_TRUE(waitFor([&] { return logText().find("serving") != std::string::npos; })) << logText();
        const std::string text = logText();
        const auto at = text.find("on 127.0.0.1:");
        return at == std::string::npos ? 0 : std::stoi(text.substr(at + 13));
    }
    FcgiReply ask(int port, const Params &params, const FcgiOptions &options)
    {
        return port != 0 ? fcgiRequest(port, params, {}, options) : request(params, {}, options);
    }
};

// A web server that closes the connection of a request that hangs (its
// client went away) frees the worker: with one worker only, the next
// request is served long before the request timeout. Over TCP the close
// shows only to a write, which the supervisor makes after a second.
TEST_P(HangUpTest, ClientHangUpFreesItsWorker)
{
    const int port = startOne(GetParam());
    ASSERT_EQ(port != 0, GetParam()) << logText();
    FcgiOptions hangUp;
    hangUp.giveUpAfter = std::chrono::milliseconds(300);
    EXPECT_FALSE(ask(port, cgi("GET", "hang"), hangUp).ended);
    FcgiOptions patient;
    patient.giveUpAfter = std::chrono::seconds(10);
    EXPECT_EQ(ask(port, cgi("GET", "who"), patient).status(), "200 OK") << logText();
    EXPECT_TRUE(waitFor([&] { return logText().find("the client went away)\n") != std::string::npos; }))
        << logText();
}

// A web server that shuts its sending side once the request is sent (as
// lighttpd does) and waits has not gone away: a slow request is answered
// whole, probes or not, and the only stderr records are empty ones.
TEST_P(HangUpTest, HalfCloseAfterTheRequestIsNotAHangUp)
{
    const int port = startOne(GetParam());
    FcgiOptions halfClosing;
    halfClosing.halfClose = true;
    halfClosing.giveUpAfter = std::chrono::seconds(10);
    const FcgiReply reply = ask(port, cgi("GET", "sleep&ms=2600"), halfClosing);
    EXPECT_TRUE(reply.ended) << logText();
    EXPECT_EQ(reply.status(), "200 OK") << reply.out << logText();
    EXPECT_NE(reply.body().find("most=1 "), std::string::npos) << reply.out;
    EXPECT_EQ(reply.err, "");
    EXPECT_EQ(logText().find("went away"), std::string::npos) << logText();
    EXPECT_EQ(ask(port, cgi("GET", "who"), halfClosing).status(), "200 OK") << logText();
}

INSTANTIATE_TEST_SUITE_P(Connections, HangUpTest, ::testing::Values(false, true),
                         [](const auto &info) { return std::string(info.param ? "Tcp" : "UnixSocket"); });

// Requests beyond the free workers and the queue are answered 503 at
// once; the one that fits in the queue is served when the worker is free.
TEST_F(ResponderTest, OverloadIsAnswered503)
{
    start(QUILLON_TEST_EXTENSION,
          {"--min-workers", "1", "--max-workers", "1", "--backlog", "1", "--request-timeout", "3"});
    FcgiReply hung;
    std::thread hanging([&] { hung = request(cgi("GET", "hang")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<FcgiReply> replies(3);
    std::vector<std::thread> clients;
    for (int i = 0; i < 3; ++i) {
        clients.emplace_back([&, i] { replies[i] = request(cgi("GET", "who")); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (auto &c : clients)
        c.join();
    hanging.join();
    EXPECT_EQ(hung.status(), "504 Gateway Timeout");
    int busy = 0, served = 0;
    for (const FcgiReply &r : replies) {
        busy += r.status() == "503 Service Unavailable" && r.body().find("The server is busy") != std::string::npos;
        served += r.status() == "200 OK";
    }
    EXPECT_EQ(busy, 2) << logText();
    EXPECT_EQ(served, 1) << logText();
    EXPECT_TRUE(waitFor([&] { return logText().find("with 503: every worker busy") != std::string::npos; }))
        << logText();
}

struct StallRow
{
    const char *name;
    bool tcp;
    int sentBytes; // of a request's opening; -1: all of it but the end of the parameters
};

class StalledClientTest : public ResponderTest, public ::testing::WithParamInterface<StallRow>
{
};

// A connection that sends nothing or part of a request holds nothing that
// others need: with a single worker, a request goes through while it is
// connected, and it is dropped after the read timeout.
TEST_P(StalledClientTest, IsDroppedWithoutDelayingOthers)
{
    std::vector<std::string> options = {"--min-workers", "1", "--max-workers", "1", "--read-timeout", "2"};
    if (GetParam().tcp)
        options.insert(options.end(), {"--listen", "127.0.0.1:0"});
    EXPECT_EQ(m_responder->stop(SIGTERM), 0) << logText();
    fs::remove(log());
    m_responder = std::make_unique<ChildProcess>(
        [&] {
            std::vector<std::string> argv = withRootAllowed({QUILLON_FCGI});
            if (!GetParam().tcp)
                argv.insert(argv.end(), {"--socket", socket().string()});
            argv.insert(argv.end(), options.begin(), options.end());
            argv.push_back(QUILLON_TEST_EXTENSION);
            return argv;
        }(),
        log());
    ASSERT_TRUE(waitFor([&] { return logText().find("serving") != std::string::npos; })) << logText();
    int port = 0;
    if (GetParam().tcp) {
        const std::string text = logText();
        const auto at = text.find("on 127.0.0.1:");
        ASSERT_NE(at, std::string::npos) << text;
        port = std::stoi(text.substr(at + 13));
    }
    const std::string opening = fcgiOpening(cgi("GET", "who"));
    const std::string sent = GetParam().sentBytes < 0 ? opening.substr(0, opening.size() - 8)
                                                      : opening.substr(0, GetParam().sentBytes);
    StalledClient staller(socket(), port, sent);
    FcgiOptions patient;
    patient.giveUpAfter = std::chrono::seconds(10);
    const FcgiReply other = port != 0 ? fcgiRequest(port, cgi("GET", "who"), {}, patient)
                                      : request(cgi("GET", "who"), {}, patient);
    EXPECT_EQ(other.status(), "200 OK") << logText();
    EXPECT_TRUE(staller.droppedWithin(std::chrono::seconds(10))) << "the stalled connection stayed open";
}

INSTANTIATE_TEST_SUITE_P(Stalls, StalledClientTest,
                         ::testing::Values(StallRow{"SocketNothing", false, 0}, StallRow{"SocketOneByte", false, 1},
                                           StallRow{"SocketPartialParameters", false, -1},
                                           StallRow{"TcpNothing", true, 0}, StallRow{"TcpHalfARecord", true, 12}),
                         [](const auto &info) { return std::string(info.param.name); });

struct StalledBodyRow
{
    const char *name;
    bool sized;              // CONTENT_LENGTH given
    std::size_t bodySize;    // the whole body the request states
    std::size_t sentBytes;   // how much of it the web server sends before it stalls
    const char *status;
    std::vector<std::string> shown; // texts the response must hold
};

class StalledBodyTest : public ResponderTest, public ::testing::WithParamInterface<StalledBodyRow>
{
};

// A web server that stops sending a body part-way: the extension never
// takes a cut body for the whole one. Within the part read before it runs,
// the request is answered 408 without running it; beyond, its ReadClient
// fails with a timeout. The worker is free again afterwards.
TEST_P(StalledBodyTest, IsNotHandedOverCutShort)
{
    const StalledBodyRow &row = GetParam();
    start(QUILLON_TEST_EXTENSION, {"--min-workers", "1", "--max-workers", "1", "--read-timeout", "1"});
    const std::string body(row.bodySize, 'u');
    FcgiOptions stalling;
    stalling.bodyStallsAfter = row.sentBytes;
    stalling.giveUpAfter = std::chrono::seconds(10);
    const Params params = row.sized ? cgi("POST", "", {{"CONTENT_LENGTH", std::to_string(row.bodySize)}})
                                    : cgi("POST", "");
    const FcgiReply reply = request(params, body, stalling);
    EXPECT_EQ(reply.status(), row.status) << reply.out << logText();
    for (const std::string &text : row.shown)
        EXPECT_NE(reply.out.find(text), std::string::npos) << text << "\n---\n" << reply.out.substr(0, 2000);
    if (std::string(row.status) == "408 Request Timeout") {
        EXPECT_EQ(reply.out.find("method=POST"), std::string::npos) << "the extension ran";
        EXPECT_NE(logText().find("the web server stopped sending the body after " + std::to_string(row.sentBytes)),
                  std::string::npos)
            << logText();
    }
    EXPECT_EQ(request(cgi("GET", "who")).status(), "200 OK") << logText();
}

INSTANTIATE_TEST_SUITE_P(
    Stalls, StalledBodyTest,
    ::testing::Values(
        StalledBodyRow{"BeforeAnyByte", true, 1000, 0, "408 Request Timeout", {"did not arrive whole"}},
        StalledBodyRow{"WithinTheFirstPart", true, 1000, 10, "408 Request Timeout", {"did not arrive whole"}},
        StalledBodyRow{"AfterTheFirstPart", true, 100000, 60000, "408 Request Timeout", {}},
        StalledBodyRow{"OneByteShortOfTheReadAhead", true, quillon::fcgi::kBodyReadAhead + 5000,
                       quillon::fcgi::kBodyReadAhead - 1, "408 Request Timeout", {}},
        StalledBodyRow{"WithoutALength", false, 5000, 100, "408 Request Timeout", {}},
        StalledBodyRow{"PastTheReadAheadReadClientFails", true, quillon::fcgi::kBodyReadAhead + 70000,
                       quillon::fcgi::kBodyReadAhead + 65535, "200 OK",
                       {"total=" + std::to_string(quillon::fcgi::kBodyReadAhead + 70000) + "\n",
                        "read-error=1460\n"}}),
    [](const auto &info) { return std::string(info.param.name); });

// SIGHUP brings in workers that load the library anew (a rebuilt library
// goes live) while requests keep coming; a library that no longer loads
// leaves the running workers serving.
TEST_F(ResponderTest, ReloadLoadsTheLibraryAgain)
{
    const fs::path library = fs::path(m_dir.path()) / "ext.so";
    const auto install = [&](const char *from) {
        fs::copy_file(from, library.string() + ".new", fs::copy_options::overwrite_existing);
        fs::rename(library.string() + ".new", library);
    };
    install(QUILLON_TEST_EXTENSION);
    start(library.string());
    std::atomic<bool> done{false};
    std::atomic<int> served{0};
    std::thread load([&] {
        while (!done) {
            const FcgiReply r = request(cgi("GET", "who"));
            if (r.status() == "200 OK")
                ++served;
            else
                ADD_FAILURE() << "failed during the reload: " << r.out;
        }
    });
    const auto variant = [&] { return request(cgi("GET", "who")).body(); };
    EXPECT_NE(variant().find("variant=1"), std::string::npos);

    install(QUILLON_TEST_EXTENSION_V2);
    ::kill(m_responder->pid(), SIGHUP);
    EXPECT_TRUE(waitFor([&] { return variant().find("variant=2") != std::string::npos; })) << logText();

    install(QUILLON_TEST_EXTENSION_NO_PROC);
    ::kill(m_responder->pid(), SIGHUP);
    EXPECT_TRUE(waitFor([&] { return logText().find("the reload is given up") != std::string::npos; }))
        << logText();
    done = true;
    load.join();
    EXPECT_NE(variant().find("variant=2"), std::string::npos) << logText();
    EXPECT_GT(served, 0);
}

// Workers beyond the minimum are retired once idle, each calling
// TerminateExtension.
TEST_F(ResponderTest, IdleWorkersAreRetired)
{
    start(QUILLON_TEST_EXTENSION, {"--min-workers", "1", "--max-workers", "4", "--idle-timeout", "1"});
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&] { request(cgi("GET", "sleep&ms=500")); });
    for (auto &c : clients)
        c.join();
    const auto terminations = [&] {
        const std::string text = logText();
        int n = 0;
        for (auto at = text.find("TerminateExtension"); at != std::string::npos;
             at = text.find("TerminateExtension", at + 1))
            ++n;
        return n;
    };
    EXPECT_TRUE(waitFor([&] { return terminations() >= 3; })) << logText();
    EXPECT_EQ(request(cgi("GET", "who")).status(), "200 OK");
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
    bool asRoot = false; // run by root as given (else root adds --allow-root); skipped for others
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
    if (GetParam().asRoot && ::geteuid() != 0)
        GTEST_SKIP() << "the refusal to run workers as root needs root";
    std::vector<std::string> argv = GetParam().asRoot ? std::vector<std::string>{QUILLON_FCGI}
                                                      : withRootAllowed({QUILLON_FCGI});
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
        StartFailureRow{"BadThreadCount", {"--threads", "0", QUILLON_TEST_EXTENSION}, "--threads"},
        StartFailureRow{"BadTimeout", {"--request-timeout", "1s", QUILLON_TEST_EXTENSION},
                        "--request-timeout wants a number from 1 to 86400, not '1s'"},
        StartFailureRow{"UnknownUser", {"--user", "no-such-user-quillon", QUILLON_TEST_EXTENSION},
                        "--user: there is no user no-such-user-quillon"},
        StartFailureRow{"MoreMinimumThanMaximum",
                        {"--min-workers", "8", "--max-workers", "4", QUILLON_TEST_EXTENSION},
                        "--min-workers 8 is more than --max-workers 4"},
        // Started as root, the extension runs as root only when told.
        StartFailureRow{"RootWithoutUser", {"--socket", "@/s", QUILLON_TEST_EXTENSION},
                        "started as root, the workers would run the extension as root", true},
        StartFailureRow{"RootCheckWithoutUser", {"--check", QUILLON_TEST_EXTENSION},
                        "give --user NAME to run them as an unprivileged user, or --allow-root", true},
        StartFailureRow{"RootNamedAsTheUser", {"--socket", "@/s", "--user", "root", QUILLON_TEST_EXTENSION},
                        "--user root is root: give --allow-root", true}),
    [](const auto &info) { return std::string(info.param.name); });

struct OpeningRow
{
    const char *name;
    std::string bytes;
    quillon::fcgi::Opening::State state;
    int requestId;
};

class OpeningTest : public ::testing::TestWithParam<OpeningRow>
{
};

// What a connection's first bytes say decides when it is handed to a
// worker (Ready), waited for (Incomplete) or dropped (Invalid).
TEST_P(OpeningTest, JudgesTheFirstBytes)
{
    const quillon::fcgi::Opening opening = quillon::fcgi::inspectOpening(GetParam().bytes);
    EXPECT_EQ(opening.state, GetParam().state);
    EXPECT_EQ(opening.requestId, GetParam().requestId);
}

const std::string kOpening = fcgiOpening(cgi("GET", "a=1"));

INSTANTIATE_TEST_SUITE_P(
    Openings, OpeningTest,
    ::testing::Values(
        OpeningRow{"Nothing", "", quillon::fcgi::Opening::Incomplete, 0},
        OpeningRow{"HalfAHeader", kOpening.substr(0, 4), quillon::fcgi::Opening::Incomplete, 0},
        OpeningRow{"BeginOnly", kOpening.substr(0, 16), quillon::fcgi::Opening::Incomplete, 1},
        OpeningRow{"ParametersNotEnded", kOpening.substr(0, kOpening.size() - 8), quillon::fcgi::Opening::Incomplete, 1},
        OpeningRow{"Whole", kOpening, quillon::fcgi::Opening::Ready, 1},
        OpeningRow{"NotFastCgi", "GET / HTTP/1.0\r\n\r\n", quillon::fcgi::Opening::Invalid, 0},
        OpeningRow{"ManagementRecord", std::string("\x01\x09\0\0\0\0\0\0", 8), quillon::fcgi::Opening::Ready, 0},
        // parameters going on past what the supervisor looks at: the worker reads the rest
        OpeningRow{"LongParameters", fcgiOpening(cgi("GET", std::string(100000, 'q'))).substr(0, 70000),
                   quillon::fcgi::Opening::Ready, 1}),
    [](const auto &info) { return std::string(info.param.name); });

// The supervisor's own answers are whole FastCGI responses.
TEST(ShortResponseTest, EndsTheRequest)
{
    const std::string reply = quillon::fcgi::shortResponse(7, "503 Service Unavailable", "busy\n");
    const std::string head = "\x01\x06\x00\x07";
    ASSERT_TRUE(reply.starts_with(head));
    EXPECT_NE(reply.find("Status: 503 Service Unavailable\r\nContent-Type: text/plain\r\n\r\nbusy\n"),
              std::string::npos);
    EXPECT_NE(reply.find(std::string("\x01\x06\x00\x07\x00\x00\x00\x00", 8)), std::string::npos); // stdout ends
    EXPECT_TRUE(reply.ends_with(std::string("\x01\x03\x00\x07\x00\x08\x00\x00", 8) + std::string(8, '\0')));
}

// The answer a worker thread makes once and gives to whichever request
// fails in it is, once its request id is set, the answer made for that id;
// bytes that are not whole records are left as they are.
TEST(ShortResponseTest, FailedAnswerTakesAnyRequestId)
{
    for (int id : {1, 2, 255, 256, 4660, 65535}) {
        std::string made = quillon::fcgi::failedResponse(1);
        quillon::fcgi::setRequestId(made, id);
        EXPECT_EQ(made, quillon::fcgi::failedResponse(id)) << id;
    }
    std::string cut = quillon::fcgi::failedResponse(9).substr(0, 20);
    quillon::fcgi::setRequestId(cut, 3);
    EXPECT_EQ(cut, quillon::fcgi::failedResponse(9).substr(0, 20));
}

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

namespace records {

using quillon::fcgi::kAbortRequest;
using quillon::fcgi::kBeginRequest;
using quillon::fcgi::kEndRequest;
using quillon::fcgi::kGetValues;
using quillon::fcgi::kGetValuesResult;
using quillon::fcgi::kParams;
using quillon::fcgi::kStdin;
using quillon::fcgi::kStdout;
using quillon::fcgi::kUnknownType;

std::string pairs(const Params &params)
{
    std::string out;
    for (const auto &[name, value] : params)
        quillon::fcgi::appendPair(out, name, value);
    return out;
}

std::string begin(int id, unsigned role = 1, bool keep = false)
{
    const char body[8] = {0, static_cast<char>(role), static_cast<char>(keep ? 1 : 0), 0, 0, 0, 0, 0};
    return fcgiRecord(kBeginRequest, id, std::string_view(body, 8));
}

const std::string kGetValuesAsked =
    fcgiRecord(kGetValues, 0, pairs({{"FCGI_MPXS_CONNS", ""}, {"FCGI_MAX_REQS", ""}, {"NO_SUCH_VALUE", ""}}));

// A request whose parameters come in two records, a pair cut between them.
std::string splitParameters()
{
    const std::string all = pairs(cgi("GET", "who"));
    return begin(3) + fcgiRecord(kParams, 3, all.substr(0, 17)) + fcgiRecord(kParams, 3, all.substr(17))
           + fcgiRecord(kParams, 3, {}) + fcgiRecord(kStdin, 3, {});
}

} // namespace records

struct ConversationRow
{
    const char *name;
    std::string sent;
    std::vector<unsigned> types; // of the records that come back, runs of stdout as one
    std::string shown;           // in the stdout stream ("" for none at all)
    bool closed;                 // the responder closes the connection afterwards
};

class ConversationTest : public ResponderTest, public ::testing::WithParamInterface<ConversationRow>
{
};

// What comes back, record by record, for what a web server may send:
// management records, roles, aborts and parameters in pieces.
TEST_P(ConversationTest, AnswersRecordByRecord)
{
    const ConversationRow &row = GetParam();
    FcgiConnection connection(socket());
    ASSERT_TRUE(connection.send(row.sent));
    std::vector<unsigned> types;
    std::string out;
    FcgiRecord r;
    while (types.size() < row.types.size() && connection.receive(r, std::chrono::seconds(5))) {
        if (r.type == records::kStdout)
            out += r.content;
        if (r.type == records::kGetValuesResult) {
            std::string values;
            quillon::fcgi::forEachPair(r.content, [&](std::string_view n, std::string_view v) {
                values.append(n).append("=").append(v).append(";");
            });
            EXPECT_EQ(values, "FCGI_MPXS_CONNS=0;FCGI_MAX_REQS=1;");
        }
        if (!(r.type == records::kStdout && !types.empty() && types.back() == records::kStdout))
            types.push_back(r.type);
    }
    EXPECT_EQ(types, row.types) << out;
    if (row.shown.empty())
        EXPECT_EQ(out, "");
    else
        EXPECT_NE(out.find(row.shown), std::string::npos) << out;
    EXPECT_EQ(connection.closedWithin(std::chrono::milliseconds(row.closed ? 5000 : 500)), row.closed);
    EXPECT_EQ(request(cgi("GET", "who")).status(), "200 OK") << logText();
}

INSTANTIATE_TEST_SUITE_P(
    Records, ConversationTest,
    ::testing::Values(
        ConversationRow{"GetValuesAnsweredAlone", records::kGetValuesAsked, {records::kGetValuesResult}, "", false},
        ConversationRow{"UnknownManagementType", fcgiRecord(20, 0, "x"), {records::kUnknownType}, "", false},
        ConversationRow{"GetValuesThenARequest", records::kGetValuesAsked + fcgiRequestBytes(cgi("GET", "who"), "", 1, false),
                        {records::kGetValuesResult, records::kStdout, records::kEndRequest}, "variant=1", true},
        ConversationRow{"ManagementRecordAmidTheParameters",
                        records::begin(2) + records::kGetValuesAsked
                            + fcgiRequestBytes(cgi("GET", "who"), "", 2, false).substr(16),
                        {records::kGetValuesResult, records::kStdout, records::kEndRequest}, "variant=1", true},
        ConversationRow{"ParametersInTwoRecords", records::splitParameters(), {records::kStdout, records::kEndRequest},
                        "variant=1", true},
        ConversationRow{"AuthorizerRoleRefused",
                        records::begin(4, 2) + fcgiRecord(records::kParams, 4, records::pairs(cgi("GET", "who")))
                            + fcgiRecord(records::kParams, 4, {}),
                        {records::kEndRequest}, "", true},
        ConversationRow{"AbortBeforeTheParametersEnd",
                        records::begin(5) + fcgiRecord(records::kParams, 5, records::pairs(cgi("GET", "who")))
                            + fcgiRecord(records::kAbortRequest, 5, {}),
                        {records::kEndRequest}, "", true},
        ConversationRow{"AbortWhileTheBodyIsRead",
                        fcgiOpening(cgi("POST", "", {{"CONTENT_LENGTH", "100"}})) + fcgiRecord(records::kStdin, 1, "abc")
                            + fcgiRecord(records::kAbortRequest, 1, {}),
                        {records::kEndRequest}, "", true}),
    [](const auto &info) { return std::string(info.param.name); });

// A web server that keeps its connection (FCGI_KEEP_CONN, as nginx with
// fastcgi_keep_conn) sends request after request on it, each answered
// whole; between them the connection holds no worker, so with a single
// worker another connection is served meanwhile; a request that does not
// ask to keep it is the last.
TEST_F(ResponderTest, KeptConnectionServesRequestAfterRequest)
{
    start(QUILLON_TEST_EXTENSION, {"--min-workers", "1", "--max-workers", "1"});
    FcgiConnection kept(socket());
    const std::string posted(70000, 'p');
    const std::string unread(quillon::fcgi::kBodyReadAhead + 300000, 'u');
    struct Step
    {
        Params params;
        std::string body;
        std::string shown;
    };
    const std::vector<Step> steps = {
        {cgi("GET", "who"), "", "variant=1"},
        {cgi("POST", "", {{"CONTENT_LENGTH", std::to_string(posted.size())}}), posted, "hash=" + fnv(posted)},
        {cgi("GET", "big&kb=200"), "", std::string(200 * 1024, 'x')},
        // the extension reads none of this body past what is read ahead: the rest is passed over
        {cgi("POST", "who", {{"CONTENT_LENGTH", std::to_string(unread.size())}}), unread, "variant=1"},
    };
    int id = 1;
    for (const Step &step : steps) {
        ASSERT_TRUE(kept.send(fcgiRequestBytes(step.params, step.body, id++, true)));
        const FcgiReply reply = kept.receiveReply();
        EXPECT_TRUE(reply.ended) << id << logText();
        EXPECT_EQ(reply.status(), "200 OK") << reply.out.substr(0, 300);
        EXPECT_NE(reply.out.find(step.shown), std::string::npos) << reply.out.substr(0, 300);
        EXPECT_EQ(request(cgi("GET", "who")).status(), "200 OK") << logText();
    }
    EXPECT_FALSE(kept.closedWithin(std::chrono::milliseconds(300)));
    ASSERT_TRUE(kept.send(fcgiRequestBytes(cgi("GET", "who"), "", id, false)));
    EXPECT_TRUE(kept.receiveReply().ended);
    EXPECT_TRUE(kept.closedWithin(std::chrono::seconds(5)));
}

// The workers take their connections themselves: with the supervisor
// stopped, requests are still answered.
TEST_F(ResponderTest, WorkersAnswerWhileTheSupervisorIsStopped)
{
    start(QUILLON_TEST_EXTENSION, {"--min-workers", "2", "--max-workers", "2"});
    FcgiOptions quick;
    quick.giveUpAfter = std::chrono::seconds(5);
    ASSERT_EQ(::kill(m_responder->pid(), SIGSTOP), 0);
    int served = 0;
    for (int i = 0; i < 6; ++i)
        served += request(cgi("GET", "who"), {}, quick).status() == "200 OK";
    ::kill(m_responder->pid(), SIGCONT);
    EXPECT_EQ(served, 6) << logText();
}

// "pid=N" of the worker that answered, as the test extension's "who" tells it.
std::string pidOf(const FcgiReply &reply)
{
    const auto at = reply.body().find("pid=");
    return at == std::string::npos ? std::string() : reply.body().substr(at, reply.body().find(' ', at) - at);
}

struct HandOverRow
{
    const char *name;
    std::vector<std::string> options;
    bool reload; // SIGHUP after the first request
};

class KeptHandOverTest : public ResponderTest, public ::testing::WithParamInterface<HandOverRow>
{
};

// A worker that is retired while it keeps a connection for the web server
// gives it to another worker: the next request on it is answered there,
// and the connection stays open.
TEST_P(KeptHandOverTest, NextRequestIsServedByAnotherWorker)
{
    std::vector<std::string> options = {"--min-workers", "1", "--max-workers", "2"};
    options.insert(options.end(), GetParam().options.begin(), GetParam().options.end());
    start(QUILLON_TEST_EXTENSION, options);
    FcgiConnection kept(socket());
    ASSERT_TRUE(kept.send(fcgiRequestBytes(cgi("GET", "who"), "", 1, true)));
    const FcgiReply first = kept.receiveReply();
    ASSERT_EQ(first.status(), "200 OK") << first.out << logText();
    const std::string retired = pidOf(first);
    ASSERT_FALSE(retired.empty()) << first.out;
    if (GetParam().reload)
        ::kill(m_responder->pid(), SIGHUP);
    ASSERT_TRUE(waitFor([&] { return ::kill(std::stoi(retired.substr(4)), 0) != 0; }))
        << retired << " did not end\n"
        << logText();
    ASSERT_TRUE(kept.send(fcgiRequestBytes(cgi("GET", "who"), "", 2, true)));
    const FcgiReply next = kept.receiveReply();
    EXPECT_EQ(next.status(), "200 OK") << next.out << logText();
    EXPECT_NE(pidOf(next), retired) << next.out;
    EXPECT_FALSE(pidOf(next).empty()) << next.out;
    EXPECT_FALSE(kept.closedWithin(std::chrono::milliseconds(300)));
}

INSTANTIATE_TEST_SUITE_P(Retirements, KeptHandOverTest,
                         ::testing::Values(HandOverRow{"Reload", {}, true},
                                           HandOverRow{"MaxRequests", {"--max-requests", "1"}, false}),
                         [](const auto &info) { return std::string(info.param.name); });

struct CrowdRow
{
    const char *name;
    std::string sent; // by each connection of the crowd, which then waits
    int connections;
};

class CrowdTest : public ResponderTest, public ::testing::WithParamInterface<CrowdRow>
{
};

// Connections that each send a management record, a byte or nothing and
// then wait, more of them than the backlog, hold no worker and do not stop
// the responder from taking new connections for long: a request gets
// through well before the read timeout.
TEST_P(CrowdTest, HoldsNoWorkerAndBlocksNoConnection)
{
    start(QUILLON_TEST_EXTENSION,
          {"--min-workers", "1", "--max-workers", "1", "--backlog", "8", "--read-timeout", "30"});
    std::vector<std::unique_ptr<FcgiConnection>> crowd;
    for (int i = 0; i < GetParam().connections; ++i) {
        crowd.push_back(std::make_unique<FcgiConnection>(socket()));
        ASSERT_TRUE(crowd.back()->send(GetParam().sent));
    }
    FcgiOptions quick;
    quick.giveUpAfter = std::chrono::seconds(5);
    const FcgiReply reply = request(cgi("GET", "who"), {}, quick);
    EXPECT_EQ(reply.status(), "200 OK") << logText();
}

INSTANTIATE_TEST_SUITE_P(Crowds, CrowdTest,
                         ::testing::Values(CrowdRow{"GetValuesEach", records::kGetValuesAsked, 6},
                                           CrowdRow{"OneByteEach", "\x01", 20},
                                           CrowdRow{"NothingEach", "", 20}),
                         [](const auto &info) { return std::string(info.param.name); });

struct LeakRow
{
    const char *name;
    std::vector<const char *> queries; // in turn, on one worker
    std::vector<std::string> shown;    // in the last answer
    std::string absent;                // anywhere in it
};

class WorkerHygieneTest : public ResponderTest, public ::testing::WithParamInterface<LeakRow>
{
};

// What an extension does to its process does not reach the connections,
// and what the worker is given does not reach the programs it starts.
TEST_P(WorkerHygieneTest, KeepsTheExtensionApart)
{
    start(QUILLON_TEST_EXTENSION, {"--min-workers", "1", "--max-workers", "1"});
    FcgiReply reply;
    for (const char *query : GetParam().queries) {
        reply = request(cgi("GET", query));
        ASSERT_TRUE(reply.ended) << query << logText();
        ASSERT_EQ(reply.status(), "200 OK") << query << reply.out;
    }
    for (const std::string &text : GetParam().shown)
        EXPECT_NE(reply.body().find(text), std::string::npos) << text << "\n" << reply.out;
    EXPECT_EQ(reply.out.find(GetParam().absent), std::string::npos) << reply.out;
}

INSTANTIATE_TEST_SUITE_P(
    Hygiene, WorkerHygieneTest,
    ::testing::Values(LeakRow{"ClosedStandardOutput", {"closestdout", "print"}, {"printed\n"}, "LEAKED"},
                      // nothing blocked (SIGHUP, SIGINT and SIGTERM reach it), SIGPIPE not ignored
                      LeakRow{"SignalsOfAChildProgram", {"childmask"},
                              {"SigBlk:\t0000000000000000\n", "sigpipe ignored: no\n"}, "SigBlk:\t0000000000004003"}),
    [](const auto &info) { return std::string(info.param.name); });

// Under threads a crash fails the worker's every request, and the log
// names the one it happened in, and the others that failed with it.
TEST_F(ResponderTest, CrashUnderThreadsNamesEveryRequest)
{
    start(QUILLON_TEST_EXTENSION, {"--threads", "2", "--min-workers", "1", "--max-workers", "1"});
    FcgiReply beside;
    std::thread client([&] { beside = request(cgi("GET", "sleep&ms=1500")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(request(cgi("GET", "crash")).status(), "500 Internal Server Error");
    client.join();
    EXPECT_EQ(beside.status(), "500 Internal Server Error");
    // Both were answered by the thread that crashed, before the supervisor
    // heard of the death.
    EXPECT_TRUE(waitFor([&] { return logText().find(kCrashUnderThreads) != std::string::npos; })) << logText();
}

struct ReloadFaultRow
{
    const char *name;
    const char *replacement; // the library a reload finds
    std::vector<std::string> options;
    const char *logged; // why the reload was given up
};

class ReloadFaultTest : public ResponderTest, public ::testing::WithParamInterface<ReloadFaultRow>
{
};

// A reload to a library that does not load, or whose GetExtensionVersion
// never returns, is given up while the workers running go on serving
// without one failed request; and workers that die afterwards are
// replaced from the library that did load, though the file is another now.
TEST_P(ReloadFaultTest, KeepsServingTheLibraryThatLoaded)
{
    const fs::path library = fs::path(m_dir.path()) / "ext.so";
    const auto install = [&](const char *from) {
        fs::copy_file(from, library.string() + ".new", fs::copy_options::overwrite_existing);
        fs::rename(library.string() + ".new", library);
    };
    install(QUILLON_TEST_EXTENSION);
    start(library.string(), GetParam().options);
    std::atomic<bool> done{false};
    std::thread load([&] {
        while (!done) {
            const FcgiReply r = request(cgi("GET", "who"));
            if (r.status() != "200 OK")
                ADD_FAILURE() << "failed during the reload: " << r.out;
        }
    });
    install(GetParam().replacement);
    ::kill(m_responder->pid(), SIGHUP);
    EXPECT_TRUE(waitFor([&] { return logText().find("the reload is given up") != std::string::npos; },
                        std::chrono::seconds(15)))
        << logText();
    done = true;
    load.join();
    EXPECT_NE(logText().find(GetParam().logged), std::string::npos) << logText();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(request(cgi("GET", "crash")).status(), "500 Internal Server Error") << logText();
    for (int i = 0; i < 3; ++i) {
        FcgiOptions patient;
        patient.giveUpAfter = std::chrono::seconds(10);
        const FcgiReply after = request(cgi("GET", "who"), {}, patient);
        EXPECT_EQ(after.status(), "200 OK") << logText();
        EXPECT_NE(after.body().find("variant=1"), std::string::npos) << after.out;
    }
    EXPECT_NE(logText().find("was replaced since these workers started"), std::string::npos) << logText();
}

INSTANTIATE_TEST_SUITE_P(
    Reloads, ReloadFaultTest,
    ::testing::Values(ReloadFaultRow{"LibraryThatDoesNotLoad", QUILLON_TEST_EXTENSION_NO_PROC, {},
                                     "has no entry HttpExtensionProc"},
                      ReloadFaultRow{"GetExtensionVersionNeverReturns", QUILLON_TEST_EXTENSION_HANGS,
                                     {"--request-timeout", "2"}, "did not get ready within 2 s"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

struct WearRow
{
    const char *name;
    std::vector<std::string> options;
    std::vector<const char *> queries; // in turn, on the one worker
    std::vector<bool> samePid;         // for each query after the first: served by the previous one's worker
    const char *logged;
};

class WearTest : public ResponderTest, public ::testing::WithParamInterface<WearRow>
{
};

// A worker that served its most requests, or grew past its memory bound,
// is replaced after its request (which is answered whole): the next
// request finds another process.
TEST_P(WearTest, ReplacesAWornWorker)
{
    std::vector<std::string> options = {"--min-workers", "1", "--max-workers", "1"};
    options.insert(options.end(), GetParam().options.begin(), GetParam().options.end());
    start(QUILLON_TEST_EXTENSION, options);
    std::string previous;
    for (std::size_t i = 0; i < GetParam().queries.size(); ++i) {
        const FcgiReply reply = request(cgi("GET", GetParam().queries[i]));
        ASSERT_EQ(reply.status(), "200 OK") << reply.out << logText();
        const std::string pid = pidOf(reply);
        if (i > 0 && !pid.empty() && !previous.empty()) {
            EXPECT_EQ(pid == previous, GetParam().samePid[i - 1]) << "request " << i << "\n" << logText();
        }
        if (!pid.empty())
            previous = pid;
    }
    EXPECT_NE(logText().find(GetParam().logged), std::string::npos) << logText();
}

INSTANTIATE_TEST_SUITE_P(
    Wear, WearTest,
    ::testing::Values(WearRow{"MaxRequests", {"--max-requests", "2"}, {"who", "who", "who", "who"},
                              {true, false, true}, "served 2 requests (--max-requests 2)"},
                      // "alloc" answers without a pid: the worker before it is the one after "who"
                      WearRow{"MaxMemory", {"--max-memory", "256"}, {"who", "alloc&mb=8", "who", "alloc&mb=400", "who"},
                              {true, true, true, false}, "MiB (--max-memory 256)"}),
    [](const auto &info) { return std::string(info.param.name); });

// The help lists every option the parser takes, with its true range and
// default, and says what SIGHUP does.
TEST(HelpTest, ComesFromTheOptionTable)
{
    quillon::test::TempDir dir;
    const fs::path log = dir.file("help");
    ChildProcess help({QUILLON_FCGI, "--help"}, log);
    ASSERT_EQ(help.wait(std::chrono::seconds(10)), 0);
    const std::string text = quillon::platform::readFile(log.string());
    for (const char *shown :
         {"--threads N", "(1 to 1024, default 1)", "--min-workers N", "--max-workers N", "--request-timeout S",
          "--read-timeout S", "--idle-timeout S", "--backlog N", "--max-requests N", "--max-memory MIB",
          "SIGHUP reloads the library"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    EXPECT_EQ(text.find("9999"), std::string::npos) << text;
}

} // namespace

namespace {

// Started as root, the responder runs its workers as the user --user
// names (the extension with them); without --user it warns that they run
// as root. Needs root, else skipped.
TEST_F(ResponderTest, RunsItsWorkersAsTheUserNamed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can run workers as another user";
    const passwd *nobody = ::getpwnam("nobody");
    if (nobody == nullptr)
        GTEST_SKIP() << "there is no user nobody";
    EXPECT_NE(logText().find("the workers run as root"), std::string::npos) << logText();
    // A folder and a library the user may read.
    const fs::path folder = fs::path(m_dir.path()) / "shared";
    fs::create_directories(folder);
    fs::permissions(m_dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::copy_file(QUILLON_TEST_EXTENSION, folder / "ext.so");
    fs::permissions(folder / "ext.so", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    start((folder / "ext.so").string(), {"--user", "nobody"});
    const FcgiReply reply = request(cgi("GET", "who"));
    EXPECT_EQ(reply.status(), "200 OK") << logText();
    EXPECT_NE(reply.body().find("uid=" + std::to_string(nobody->pw_uid) + "\n"), std::string::npos) << reply.out;
    EXPECT_EQ(logText().find("the workers run as root"), std::string::npos) << logText();
}

} // namespace
