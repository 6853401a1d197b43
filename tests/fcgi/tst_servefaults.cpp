/*
** Faults of the extension and of its clients, through the real lighttpd
** and nginx with quillon-fcgi behind them and the test extension in
** front: a crash among requests in flight, crashes under load, forty
** hung requests, a reload under load, two responders behind nginx with
** one stopped, and `quillon serve` killed outright. Each server runs in a
** folder of its own and is stopped when its test ends, passed or not.
** The figures (recovery time, answers under crashes) are printed.
*/

#include "scratchdir.h"
#include "webserver.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>

#include <signal.h>

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

// Forty requests that hang do not keep others from being served; each of
// them gets 504 after the request timeout.
TEST_P(ServeFaultTest, FortyHungRequests)
{
    serve({{"--request-timeout", "3"}});
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

#ifdef QUILLON_BIN
class ServeKilledTest : public ServeFaultTest
{
};

// `quillon serve` killed with SIGKILL takes lighttpd, the responder and
// its workers with it; the next run removes the folder it left.
TEST_P(ServeKilledTest, TakesItsServersDownAndTheNextRunCleansUp)
{
    const fs::path library = install(QUILLON_TEST_EXTENSION);
    const fs::path temp = folder() / "tmp";
    fs::create_directories(temp);
    const auto runFolders = [&] {
        int n = 0;
        for (const auto &entry : fs::directory_iterator(temp))
            n += entry.path().filename().string().starts_with("quillon-serve-");
        return n;
    };
    const auto start = [&](const std::string &name, int port) {
        const fs::path log = folder() / name;
        auto serve = std::make_unique<ChildProcess>(
            std::vector<std::string>{QUILLON_BIN, "serve", library.string(), "--port", std::to_string(port)}, log,
            std::vector<std::string>{"TMPDIR=" + temp.string()});
        EXPECT_TRUE(waitFor([&] { return quillon::platform::readFile(log.string()).find("Serving") != std::string::npos; },
                            std::chrono::seconds(20)))
            << quillon::platform::readFile(log.string());
        return serve;
    };

    const int port = freePort();
    auto first = start("serve1.log", port);
    EXPECT_EQ(httpRequest(port, "GET", "/?who").status, 200);
    EXPECT_EQ(runFolders(), 1);
    first->stop(SIGKILL);
    EXPECT_TRUE(waitFor([&] { return processesMentioning(library.string()) == 0 && !portAnswers(port); }))
        << processesMentioning(library.string()) << " processes of the killed run remain";
    EXPECT_EQ(runFolders(), 1) << "the killed run's folder is left, to be removed by the next";

    auto second = start("serve2.log", port);
    EXPECT_EQ(runFolders(), 1) << "the killed run's folder is still there";
    EXPECT_EQ(second->stop(SIGINT), 0);
    EXPECT_EQ(runFolders(), 0);
}

INSTANTIATE_TEST_SUITE_P(Lighttpd, ServeKilledTest, ::testing::Values(ServerKind::Lighttpd),
                         [](const auto &info) { return std::string(serverName(info.param)); });
#endif

} // namespace
