/*
** Faults of the extension and of its clients, through the real lighttpd
** and nginx with quillon-fcgi behind them and the test extension in
** front: a crash among requests in flight, crashes under load, forty
** hung requests, stalled clients and clients that do not read, a reload
** under load, two responders behind nginx with one stopped, the example
** configurations, and `quillon serve` killed outright. Each server runs in a
** folder of its own and is stopped when its test ends, passed or not.
** The figures (recovery time, answers under crashes) are printed.
*/

#include "scratchdir.h"
#include "webserver.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using namespace quillon::testing;
using Clock = std::chrono::steady_clock;

namespace {

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class ServeFaultTest : public ::testing::TestWithParam<ServerKind>
{
protected:
    // A copy of the test extension in the test's folder, so that its path
    // names this test's processes only.
    fs::path folder() const
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return m_scratch.path() / (std::string(serverName(GetParam())) + "-" + test.substr(0, test.find('/')));
    }

    fs::path install(const char *from)
    {
        fs::create_directories(folder());
        const fs::path library = folder() / "ext.so";
        fs::copy_file(from, library.string() + ".new", fs::copy_options::overwrite_existing);
        fs::rename(library.string() + ".new", library);
        return library;
    }

    WebServer &serve(const ServeOptions &options = {})
    {
        m_server = std::make_unique<WebServer>(GetParam(), install(QUILLON_TEST_EXTENSION), folder(), options);
        return *m_server;
    }

    int get(const std::string &query, std::string *body = nullptr)
    {
        const HttpReply r = httpRequest(m_server->port(), "GET", "/ext?" + query);
        if (body != nullptr)
            *body = r.body;
        return r.status;
    }

    ScratchDir m_scratch;
    std::unique_ptr<WebServer> m_server;
};

// Twelve requests in flight when another one crashes its worker: the
// twelve complete with 200, the crashing one gets 500, and the next
// request is served at once.
TEST_P(ServeFaultTest, CrashAmongTwelveInFlight)
{
    serve();
    std::vector<int> statuses(12);
    std::vector<std::thread> clients;
    for (int i = 0; i < 12; ++i)
        clients.emplace_back([&, i] { statuses[i] = get("sleep&ms=1500"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(get("crash"), 500) << m_server->log();
    const auto crashed = Clock::now();
    bool recovered = false;
    for (int i = 0; i < 200 && !recovered; ++i)
        recovered = get("who") == 200;
    const long long recovery = msSince(crashed);
    for (auto &c : clients)
        c.join();
    EXPECT_TRUE(recovered) << m_server->log();
    for (int status : statuses)
        EXPECT_EQ(status, 200) << m_server->log();
    std::cout << serverName(GetParam()) << ": served again " << recovery << " ms after the crash" << std::endl;
}

// A crash every two seconds under steady load: at least 99% of the other
// answers are 200.
TEST_P(ServeFaultTest, CrashEveryTwoSecondsUnderLoad)
{
    serve();
    std::atomic<bool> done{false};
    std::atomic<int> total{0}, ok{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 6; ++i)
        clients.emplace_back([&] {
            while (!done) {
                ++total;
                ok += get("who") == 200;
            }
        });
    int crashes = 0;
    for (int i = 0; i < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(i == 0 ? 500 : 2000));
        crashes += get("crash") == 500;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    done = true;
    for (auto &c : clients)
        c.join();
    EXPECT_EQ(crashes, 3) << m_server->log();
    EXPECT_GT(total, 0);
    EXPECT_GE(ok * 100, total * 99) << ok << " of " << total << "\n" << m_server->log();
    std::cout << serverName(GetParam()) << ": " << ok << " of " << total
              << " requests answered 200 with a crash every 2 s" << std::endl;
}

// Posted forms under load, through connections the web server keeps to
// the responder (nginx) or opens per request (lighttpd): every one arrives
// whole and is answered, none is lost between two requests of a kept
// connection.
TEST_P(ServeFaultTest, EveryPostArrivesUnderLoad)
{
    serve();
    std::atomic<int> total{0}, whole{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 6; ++c)
        clients.emplace_back([&, c] {
            for (int i = 0; i < 80; ++i) {
                const std::size_t size = (i + c) % 3 == 0 ? 10 : (i + c) % 3 == 1 ? 2000 : 70000;
                const HttpReply r = httpRequest(m_server->port(), "POST", "/ext?echo", std::string(size, 'f'),
                                                "Content-Type: application/x-www-form-urlencoded\r\n");
                ++total;
                whole += r.status == 200 && r.body.find("read=" + std::to_string(size) + "\n") != std::string::npos;
            }
        });
    for (auto &c : clients)
        c.join();
    EXPECT_EQ(whole.load(), total.load()) << m_server->log();
}

// Forty requests that hang do not keep others from being served; each of
// them gets 504 after the request timeout (long enough that the others are
// served well before it on a loaded machine, where each needs a new worker).
TEST_P(ServeFaultTest, FortyHungRequests)
{
    serve({{"--request-timeout", "6"}});
    std::atomic<int> hungAnswered{0}, timedOut{0};
    std::vector<std::thread> hung;
    for (int i = 0; i < 40; ++i)
        hung.emplace_back([&] {
            timedOut += get("hang") == 504;
            ++hungAnswered;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int served = 0;
    for (int i = 0; i < 10; ++i)
        served += get("who") == 200;
    const int answeredMeanwhile = hungAnswered;
    for (auto &h : hung)
        h.join();
    EXPECT_EQ(served, 10) << m_server->log();
    EXPECT_EQ(answeredMeanwhile, 0) << "the hung requests ended before the others were served";
    EXPECT_EQ(timedOut, 40) << m_server->log();
}

// SIGHUP to the responder under load: a rebuilt library goes live and no
// request fails.
TEST_P(ServeFaultTest, ReloadUnderLoad)
{
    serve();
    std::atomic<bool> done{false};
    std::atomic<int> failed{0}, newer{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&] {
            while (!done) {
                std::string body;
                if (get("who", &body) != 200)
                    ++failed;
                else if (body.find("variant=2") != std::string::npos)
                    ++newer;
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    install(QUILLON_TEST_EXTENSION_V2);
    const int pid = m_server->responderPid();
    ASSERT_GT(pid, 0) << m_server->log();
    ::kill(pid, SIGHUP);
    const bool live = waitFor([&] { return newer > 20; });
    done = true;
    for (auto &c : clients)
        c.join();
    EXPECT_TRUE(live) << m_server->log();
    EXPECT_EQ(failed, 0) << m_server->log();
}

// Clients that ask for a large answer and never read it fill no disk:
// the server streams the answer instead of spooling it to its folder, and
// goes on serving others.
TEST_P(ServeFaultTest, ClientsThatDoNotReadFillNoDisk)
{
    serve();
    const auto bytesInFolder = [&] {
        std::uintmax_t total = 0;
        for (const auto &entry : fs::recursive_directory_iterator(folder()))
            if (entry.is_regular_file())
                total += entry.file_size();
        return total;
    };
    const std::uintmax_t before = bytesInFolder();
    {
        std::vector<std::unique_ptr<StalledClient>> readers;
        for (int i = 0; i < 4; ++i)
            readers.push_back(std::make_unique<StalledClient>(
                fs::path(), m_server->port(), "GET /ext?big&kb=65536 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_EQ(get("who"), 200) << m_server->log();
        const std::uintmax_t grown = bytesInFolder() - before;
        EXPECT_LT(grown, 32u << 20) << grown << " bytes of temporary files for 256 MiB not read";
    } // the clients go away; their workers are freed
    EXPECT_EQ(get("who"), 200) << m_server->log();
}

// Two hundred clients that stop halfway through their request header, and
// one TCP connection that sends nothing, do not keep a request from being
// served.
TEST_P(ServeFaultTest, StalledClientsDelayNoOne)
{
    serve();
    std::vector<std::unique_ptr<StalledClient>> stalled;
    for (int i = 0; i < 200; ++i)
        stalled.push_back(
            std::make_unique<StalledClient>(fs::path(), m_server->port(), "GET /ext?who HTTP/1.1\r\nHost: 127.0.0"));
    stalled.push_back(std::make_unique<StalledClient>(fs::path(), m_server->port(), ""));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(get("who"), 200) << m_server->log();
}

INSTANTIATE_TEST_SUITE_P(Servers, ServeFaultTest, ::testing::Values(ServerKind::Lighttpd, ServerKind::Nginx),
                         [](const auto &info) { return std::string(serverName(info.param)); });

class NginxFailoverTest : public ServeFaultTest
{
};

// nginx spreads requests over two responders; stopping one under load
// fails no request.
TEST_P(NginxFailoverTest, StoppingOneOfTwoRespondersFailsNoRequest)
{
    serve({{}, 2});
    std::atomic<bool> done{false};
    std::atomic<int> failed{0}, total{0};
    std::mutex mutex;
    std::set<std::string> answeredBy;
    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&] {
            while (!done) {
                std::string body;
                ++total;
                if (get("who", &body) != 200) {
                    ++failed;
                    continue;
                }
                std::lock_guard lock(mutex);
                answeredBy.insert(body);
            }
        });
    const bool both = waitFor([&] {
        std::lock_guard lock(mutex);
        return answeredBy.size() >= 2;
    });
    EXPECT_EQ(m_server->stopResponder(0, SIGTERM), 0) << m_server->log();
    const int before = total;
    waitFor([&] { return total > before + 200; }, std::chrono::seconds(5));
    done = true;
    for (auto &c : clients)
        c.join();
    EXPECT_TRUE(both) << "the requests did not reach both responders\n" << m_server->log();
    EXPECT_EQ(failed, 0) << " of " << total << "\n" << m_server->log();
}

INSTANTIATE_TEST_SUITE_P(Nginx, NginxFailoverTest, ::testing::Values(ServerKind::Nginx),
                         [](const auto &info) { return std::string(serverName(info.param)); });

struct ExampleRow
{
    const char *name;
    const char *file;     // in examples/, copied with its paths made the test's own
    const char *copyAs;   // the copy's name
    const char *checker;  // program, found in /usr/sbin or /usr/bin; the test is skipped without it
    std::vector<std::string> arguments; // "@" stands for the copied file, "#" for its folder
};

class ExampleTest : public ::testing::TestWithParam<ExampleRow>
{
};

// The configurations in examples/ are accepted by the programs they are
// for, with the paths they name pointed at this build.
TEST_P(ExampleTest, IsAcceptedByItsChecker)
{
    const ExampleRow &row = GetParam();
    fs::path checker;
    for (const char *folder : {"/usr/sbin/", "/usr/bin/"})
        if (fs::exists(std::string(folder) + row.checker))
            checker = std::string(folder) + row.checker;
    if (checker.empty())
        GTEST_SKIP() << row.checker << " is not installed";
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "uploads");
    std::string text = quillon::platform::readFile(std::string(QUILLON_EXAMPLES "/") + row.file);
    const auto replace = [&](const std::string &from, const std::string &to) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    replace("/usr/local/bin/quillon-fcgi", QUILLON_FCGI);
    replace("/srv/demo/libDemoExt.so", QUILLON_TEST_EXTENSION);
    replace("/srv/demo", scratch.path().string());
    replace("/tmp/quillon-lighttpd", scratch.path().string());
    replace("/tmp/quillon-nginx", scratch.path().string());
    const fs::path copy = scratch.path() / row.copyAs;
    quillon::platform::writeFileAtomically(copy.string(), text);
    std::vector<std::string> argv = {checker.string()};
    for (std::string a : row.arguments)
        argv.push_back(a == "@" ? copy.string() : a == "#" ? scratch.path().string() : a);
    const fs::path log = scratch.path() / "check.log";
    ChildProcess check(argv, log);
    EXPECT_EQ(check.wait(std::chrono::seconds(20)), 0) << quillon::platform::readFile(log.string());
    const std::string said = quillon::platform::readFile(log.string());
    EXPECT_EQ(said.find("rror"), std::string::npos) << said;     // error, Error
    EXPECT_EQ(said.find("invalid"), std::string::npos) << said;
    EXPECT_EQ(said.find("doesn't exist"), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ExampleTest,
    ::testing::Values(ExampleRow{"Lighttpd", "lighttpd.conf", "lighttpd.conf", "lighttpd", {"-tt", "-f", "@"}},
                      ExampleRow{"Nginx", "nginx.conf", "nginx.conf", "nginx", {"-t", "-p", "#", "-c", "@"}},
                      // an instance of the template unit, as systemctl would start it
                      ExampleRow{"SystemdUnit", "quillon-fcgi@.service", "quillon-fcgi@a.service", "systemd-analyze",
                                 {"verify", "@"}}),
    [](const auto &info) { return std::string(info.param.name); });

#ifdef QUILLON_BIN
class ServeKilledTest : public ServeFaultTest
{
};

// `quillon serve` (with lighttpd or nginx) killed with SIGKILL takes the
// web server, the responder and its workers with it; the next run removes
// the folder it left.
TEST_P(ServeKilledTest, TakesItsServersDownAndTheNextRunCleansUp)
{
    const fs::path library = install(QUILLON_TEST_EXTENSION);
    const fs::path temp = m_scratch.path() / "tmp"; // short: the socket's path must fit in sun_path
    fs::create_directories(temp);
    const auto runFolders = [&] {
        int n = 0;
        for (const auto &entry : fs::directory_iterator(temp))
            n += entry.path().filename().string().starts_with("quillon-serve-");
        return n;
    };
    const auto start = [&](const std::string &name, int port) {
        return std::make_unique<ChildProcess>(
            withRootAllowed({QUILLON_BIN, "serve", library.string(), "--port", std::to_string(port), "--web-server",
                             serverName(GetParam())}),
            folder() / name, std::vector<std::string>{"TMPDIR=" + temp.string()});
    };
    const auto serving = [&](const std::string &name) {
        const fs::path log = folder() / name;
        return waitFor([&] { return quillon::platform::readFile(log.string()).find("Serving") != std::string::npos; },
                       std::chrono::seconds(20));
    };

    const int port = freePort();
    auto first = start("serve1.log", port);
    ASSERT_TRUE(serving("serve1.log")) << quillon::platform::readFile((folder() / "serve1.log").string());
    EXPECT_EQ(httpRequest(port, "GET", "/?who").status, 200);
    EXPECT_EQ(runFolders(), 1);
    first->stop(SIGKILL);
    EXPECT_TRUE(waitFor([&] { return processesMentioning(library.string()) == 0 && !portAnswers(port); }))
        << processesMentioning(library.string()) << " processes of the killed run remain";
    EXPECT_EQ(runFolders(), 1) << "the killed run's folder is left, to be removed by the next";

    auto second = start("serve2.log", port);
    ASSERT_TRUE(serving("serve2.log")) << quillon::platform::readFile((folder() / "serve2.log").string());
    EXPECT_EQ(runFolders(), 1) << "the killed run's folder is still there";
    EXPECT_EQ(second->stop(SIGINT), 0);
    EXPECT_EQ(runFolders(), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, ServeKilledTest, ::testing::Values(ServerKind::Lighttpd, ServerKind::Nginx),
                         [](const auto &info) { return std::string(serverName(info.param)); });

class ServeAsRootTest : public ServeFaultTest
{
};

// `quillon serve` started as root runs the extension as the owner of the
// library, and refuses a library root owns unless told whom to run it as.
// Needs root, else skipped.
TEST_P(ServeAsRootTest, RunsTheExtensionAsTheLibrarysOwner)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can run the extension as another user";
    const passwd *nobody = ::getpwnam("nobody");
    if (nobody == nullptr)
        GTEST_SKIP() << "there is no user nobody";
    const fs::path library = install(QUILLON_TEST_EXTENSION);
    for (const fs::path &at : {m_scratch.path(), folder()})
        fs::permissions(at, fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(library, fs::perms::others_read, fs::perm_options::add);
    // The temporary folder above ours must let nobody through as well.
    const pid_t probe = ::fork();
    if (probe == 0)
        ::_exit(::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0 && ::access(library.c_str(), R_OK) == 0
                    ? 0
                    : 1);
    int probed = -1;
    ::waitpid(probe, &probed, 0);
    if (probed != 0)
        GTEST_SKIP() << "nobody cannot reach " << library << " here (TMPDIR)";
    const auto serve = [&](const std::string &name, int port, std::vector<std::string> more) {
        std::vector<std::string> argv{QUILLON_BIN, "serve", library.string(), "--port", std::to_string(port),
                                      "--web-server", serverName(GetParam())};
        argv.insert(argv.end(), more.begin(), more.end());
        return std::make_unique<ChildProcess>(argv, folder() / name);
    };
    const auto said = [&](const std::string &name) { return quillon::platform::readFile((folder() / name).string()); };

    auto refused = serve("refused.log", freePort(), {});
    EXPECT_EQ(refused->wait(std::chrono::seconds(20)), 2);
    EXPECT_NE(said("refused.log").find(library.string() + " belongs to root: give --user NAME"), std::string::npos)
        << said("refused.log");

    ASSERT_EQ(::chown(library.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    const int port = freePort();
    auto owned = serve("owned.log", port, {});
    ASSERT_TRUE(waitFor([&] { return said("owned.log").find("Serving") != std::string::npos; },
                        std::chrono::seconds(20)))
        << said("owned.log");
    EXPECT_NE(said("owned.log").find("The extension runs as nobody, the owner of " + library.string()),
              std::string::npos)
        << said("owned.log");
    const HttpReply reply = httpRequest(port, "GET", "/?who");
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.body.find("uid=" + std::to_string(nobody->pw_uid) + "\n"), std::string::npos) << reply.body;
    EXPECT_EQ(owned->stop(SIGINT), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, ServeAsRootTest, ::testing::Values(ServerKind::Lighttpd, ServerKind::Nginx),
                         [](const auto &info) { return std::string(serverName(info.param)); });
#endif

} // namespace
