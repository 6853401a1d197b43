/*
** A table browse of the sample database (customer, three fields) with 16
** clients at once: through lighttpd and quillon-fcgi over HTTP, and in the
** same run through the ISAPI test host in this process (16 threads calling
** the extension directly). The difference is what the web server path
** costs. Counters: requests per second, and the median and 99th percentile
** of one request's time in milliseconds.
*/

#include "enginealiases.h"
#include "extensionbuild.h"
#include "isapihost.h"
#include "scratchdir.h"
#include "webserver.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;
using namespace quillon::testing;

namespace {

constexpr int kClients = 16;
constexpr int kRequestsPerClient = 150;

struct Fixture
{
    ScratchDir scratch;
    std::unique_ptr<EngineAliases> engine;
    fs::path library;
    std::unique_ptr<IsapiHost> host;
    std::unique_ptr<WebServer> server;

    Fixture()
    {
        fs::copy(QUILLON_EXAMPLES "/data", scratch.path() / "data", fs::copy_options::recursive);
        engine = std::make_unique<EngineAliases>(scratch.path() / "engine.cfg");
        engine->add("QUILLONDEMO", "", scratch.path() / "data");
        quillon::WizardProject p;
        p.DBName = "QUILLONDEMO";
        p.TbToBrowse = "customer";
        p.RetChosenFields = {"COMPANY", "CITY", "PHONE"};
        p.PageTitle = "Customers";
        library = ExtensionBuilder(scratch.path() / "build").build(p, "BenchBrowse");
        host = std::make_unique<IsapiHost>(library);
        server = std::make_unique<WebServer>(ServerKind::Lighttpd, library, scratch.path() / "lighttpd");
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// Runs kClients threads of kRequestsPerClient requests each; request()
// returns whether the answer was whole.
void clients(benchmark::State &state, const std::function<bool()> &request)
{
    std::vector<double> latencies;
    std::mutex mutex;
    int failed = 0;
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int c = 0; c < kClients; ++c)
            threads.emplace_back([&] {
                std::vector<double> mine;
                int bad = 0;
                for (int i = 0; i < kRequestsPerClient; ++i) {
                    const auto start = std::chrono::steady_clock::now();
                    if (!request())
                        ++bad;
                    mine.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
                }
                std::lock_guard lock(mutex);
                latencies.insert(latencies.end(), mine.begin(), mine.end());
                failed += bad;
            });
        for (auto &t : threads)
            t.join();
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies[static_cast<std::size_t>(q * (latencies.size() - 1))]; };
    state.counters["requests_per_s"] = benchmark::Counter(static_cast<double>(latencies.size()), benchmark::Counter::kIsRate);
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["failed"] = failed;
}

void BM_BrowseThroughIsapiHost(benchmark::State &state)
{
    IsapiHost &host = *fixture().host;
    clients(state, [&] { return host.run({}).body.ends_with("</BODY></HTML>\r\n"); });
}

void BM_BrowseThroughLighttpd(benchmark::State &state)
{
    const int port = fixture().server->port();
    clients(state, [&] {
        const HttpReply r = httpRequest(port, "GET", "/browse");
        return r.status == 200 && r.body.ends_with("</BODY></HTML>\r\n");
    });
}

BENCHMARK(BM_BrowseThroughIsapiHost)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowseThroughLighttpd)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
