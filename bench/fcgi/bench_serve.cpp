/*
** Serving a table browse, side by side. One lighttpd serves the same two
** pages three ways, all from one SQLite file:
**
**   /browse, /big              generated extensions through quillon-fcgi
**                              (started by lighttpd as `quillon serve` does)
**   /peer/browse, /peer/big    fclwebpeer: what a Pascal developer would
**                              write instead, an fcl-web FastCGI program with
**                              SQLdb, one process per core
**   /browse.html, /big.html    the same bytes as static files: the ceiling
**                              of the web path
**
** "browse" is the sample customer table (30 rows), "big" a table of 5,000
** rows with the same fields. The same pages also run through the ISAPI test
** host in this process (16 threads calling the extension directly), which
** shows what the web path costs.
**
** Those clients open a connection per request (HTTP/1.0). Browsers keep
** theirs, and so does wrk (16 connections, two threads), which measures
** four more sides: the extension and the static file through the same
** lighttpd, and through an nginx that keeps its connections to the
** responder (fastcgi_keep_conn with an upstream keepalive).
**
** Every answer is compared with the extension's page byte for byte, so all
** sides do the same work. Rounds interleave the targets (each target once
** per round, in turn), so a change in the machine's load touches all of
** them alike. Counters per run: requests per second, the median and 99th
** percentile of one request's time in milliseconds, failed answers. At the
** end a table gives, per page, the ratio of our requests per second to the
** peer's and to the static file's: minimum, median and maximum over the
** rounds.
**
** QUILLON_BENCH_ROUNDS sets the number of rounds (default 5),
** QUILLON_BENCH_PORT the port lighttpd listens on (default: a free one),
** QUILLON_BENCH_WRK_SECONDS how long each wrk run lasts (default 3).
*/

#include "clients.h"
#include "enginealiases.h"
#include "extensionbuild.h"
#include "fcgi/serverconfig.h"
#include "isapihost.h"
#include "platform/atomicfile.h"
#include "scratchdir.h"
#include "webserver.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using namespace quillon::testing;

namespace {

constexpr int kClients = 16;
constexpr int kBigRows = 5000;

enum class Page { Browse, Big };
enum class Side { Quillon, Peer, Static, IsapiHost, QuillonKept, StaticKept, NginxQuillon, NginxStatic };

bool byWrk(Side side)
{
    return side == Side::QuillonKept || side == Side::StaticKept || side == Side::NginxQuillon
           || side == Side::NginxStatic;
}

const char *pageName(Page page)
{
    return page == Page::Browse ? "browse" : "big";
}

const char *sideName(Side side)
{
    switch (side) {
    case Side::Quillon:
        return "quillon";
    case Side::Peer:
        return "fclweb";
    case Side::Static:
        return "static";
    case Side::IsapiHost:
        return "isapihost";
    case Side::QuillonKept:
        return "quillon-kept";
    case Side::StaticKept:
        return "static-kept";
    case Side::NginxQuillon:
        return "nginx-quillon";
    case Side::NginxStatic:
        return "nginx-static";
    }
    return "";
}

int requestsPerClient(Page page)
{
    return page == Page::Browse ? 200 : 12;
}

int envNumber(const char *name, int fallback)
{
    const char *text = std::getenv(name);
    return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

void runSql(const fs::path &file, const std::string &sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file.string());
    }
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(file.string() + ": " + message);
}

/*
** The sample database with a table "big" added: the customer rows over and
** over, each company name numbered so no two rows are alike.
*/
fs::path makeDatabase(const fs::path &folder)
{
    const fs::path file = folder / "bench.sqlite";
    fs::copy_file(QUILLON_EXAMPLES "/data/demo.sqlite", file);
    runSql(file, "CREATE TABLE big(ROWNO INTEGER PRIMARY KEY, COMPANY TEXT, CITY TEXT, PHONE TEXT);"
                 "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < "
                     + std::to_string(kBigRows - 1) + ") "
                 "INSERT INTO big SELECT i, c.COMPANY || ' #' || i, c.CITY, c.PHONE FROM n "
                 "JOIN (SELECT row_number() OVER (ORDER BY CUSTNO) - 1 AS k, * FROM customer) c "
                 "ON c.k = i % (SELECT count(*) FROM customer) ORDER BY i;");
    return file;
}

std::string quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

// A fastcgi.server entry for URLs under prefix, served by what starter runs.
std::string fastcgiBlock(const std::string &condition, const std::string &prefix, const fs::path &socket,
                         const fs::path &starter, unsigned processes)
{
    return "$HTTP[\"url\"] " + condition + " {\n"
           "    fastcgi.server = (" + quoted(prefix) + " => ((\n"
           "        \"socket\" => " + quoted(socket.string()) + ",\n"
           "        \"bin-path\" => " + quoted(starter.string()) + ",\n"
           "        \"check-local\" => \"disable\",\n"
           "        \"max-procs\" => " + std::to_string(processes) + ",\n"
           "    )))\n"
           "}\n";
}

fs::path writeStarter(const fs::path &file, const std::string &script)
{
    quillon::platform::writeFileAtomically(file.string(), script);
    fs::permissions(file, fs::perms::owner_all);
    return file;
}

struct Fixture
{
    ScratchDir scratch;
    fs::path www;
    std::unique_ptr<EngineAliases> engine;
    std::map<Page, fs::path> library;
    std::map<Page, std::unique_ptr<IsapiHost>> host;
    std::map<Page, std::string> expected; // the extension's page
    std::unique_ptr<ChildProcess> lighttpd;
    int port = 0;
    std::vector<std::unique_ptr<ChildProcess>> responders; // behind nginx
    std::unique_ptr<ChildProcess> nginx;
    int nginxPort = 0;

    Fixture()
    {
        const fs::path dir = scratch.path();
        www = dir / "www";
        fs::create_directories(www);
        const fs::path database = makeDatabase(dir);
        engine = std::make_unique<EngineAliases>(dir / "engine.cfg");
        engine->add("QUILLONBENCH", "SQLITE", database);

        ExtensionBuilder builder(dir / "build");
        for (Page page : {Page::Browse, Page::Big}) {
            quillon::WizardProject p;
            p.DBName = "QUILLONBENCH";
            p.TbToBrowse = page == Page::Browse ? "customer" : "big";
            p.RetChosenFields = {"COMPANY", "CITY", "PHONE"};
            p.PageTitle = page == Page::Browse ? "Customers" : "Big";
            library[page] = builder.build(p, page == Page::Browse ? "BenchBrowse" : "BenchBig");
            host[page] = std::make_unique<IsapiHost>(library[page]);
            expected[page] = host[page]->run({}).body;
            if (expected[page].find("<P>Error") != std::string::npos)
                throw std::runtime_error("the extension for " + std::string(pageName(page)) + " fails:\n"
                                         + expected[page]);
            quillon::platform::writeFileAtomically((www / (pageName(page) + std::string(".html"))).string(),
                                                   expected[page]);
        }

        const FpcBuild fpc(dir / "peer");
        const FpcResult peer = fpc.compile({fs::path(QUILLON_BENCH_DIR) / "fclwebpeer.pas", dir / "peer"});
        if (peer.exitCode != 0)
            throw std::runtime_error("fclwebpeer does not compile:\n" + peer.log);

        startLighttpd(database, peer.output);
        startNginx();
        for (Page page : {Page::Browse, Page::Big})
            for (const auto &[at, target] : {std::pair(port, std::string("/") + pageName(page)),
                                             std::pair(port, std::string("/peer/") + pageName(page)),
                                             std::pair(nginxPort, std::string("/") + pageName(page))}) {
                const HttpReply r = httpRequest(at, "GET", target);
                if (r.status != 200 || r.body != expected[page])
                    throw std::runtime_error(target + " does not answer the extension's page:\n" + r.head + r.body
                                             + "\n== expected\n" + expected[page] + "\n== log\n" + log());
            }
    }

    ~Fixture()
    {
        if (lighttpd)
            lighttpd->stop(SIGTERM);
        if (nginx)
            nginx->stop(SIGTERM);
        for (auto &r : responders)
            r->stop(SIGTERM);
    }

    // nginx with one responder per page, its connections to them kept,
    // and the static files beside them.
    void startNginx()
    {
        const fs::path dir = scratch.path() / "nginx";
        fs::create_directories(dir);
        nginxPort = freePort();
        std::string upstreams, locations;
        for (Page page : {Page::Browse, Page::Big}) {
            const std::string name = pageName(page);
            const fs::path socket = dir / (name + ".sock");
            responders.push_back(std::make_unique<ChildProcess>(
                withRootAllowed({QUILLON_FCGI, "--socket", socket.string(), "--chdir", scratch.path().string(),
                                 library[page].string()}),
                dir / (name + ".log")));
            if (!waitFor([&] { return fs::exists(socket); }))
                throw std::runtime_error("the responder for " + name + " did not start");
            upstreams += "    upstream " + name + " { server unix:" + socket.string()
                         + "; keepalive 16; keepalive_timeout 5s; }\n";
            locations += "        location = /" + name + " { include /etc/nginx/fastcgi_params; fastcgi_keep_conn on;"
                         " fastcgi_pass " + name + "; }\n";
        }
        // "user root": ignored unless nginx starts as root; then its worker may use the sockets.
        const std::string config = "user root;\nworker_processes 1;\ndaemon off;\npid " + (dir / "nginx.pid").string() + ";\n"
                                   "error_log " + (dir / "error.log").string() + ";\n"
                                   "events { worker_connections 4096; }\n"
                                   "http {\n    access_log off;\n"
                                   "    client_body_temp_path " + (dir / "body").string() + ";\n"
                                   "    fastcgi_temp_path " + (dir / "fastcgi").string() + ";\n"
                                   "    proxy_temp_path " + (dir / "proxy").string() + ";\n"
                                   "    uwsgi_temp_path " + (dir / "uwsgi").string() + ";\n"
                                   "    scgi_temp_path " + (dir / "scgi").string() + ";\n"
                                   + upstreams +
                                   "    server {\n        listen 127.0.0.1:" + std::to_string(nginxPort) + ";\n"
                                   "        root " + www.string() + ";\n" + locations + "    }\n}\n";
        const fs::path file = dir / "nginx.conf";
        quillon::platform::writeFileAtomically(file.string(), config);
        nginx = std::make_unique<ChildProcess>(
            std::vector<std::string>{QUILLON_NGINX, "-e", (dir / "error.log").string(), "-p", dir.string(), "-c",
                                     file.string()},
            dir / "server.log");
        if (!waitFor([&] { return portAnswers(nginxPort) || !nginx->alive(); }) || !nginx->alive())
            throw std::runtime_error("nginx did not start:\n" + quillon::platform::readFile((dir / "error.log").string()));
    }

    void startLighttpd(const fs::path &database, const fs::path &peer)
    {
        const fs::path dir = scratch.path();
        port = envNumber("QUILLON_BENCH_PORT", 0);
        if (port == 0)
            port = freePort();
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        std::string config = "server.modules = (\"mod_fastcgi\")\n"
                             "server.bind = \"127.0.0.1\"\n"
                             "server.port = " + std::to_string(port) + "\n"
                             "server.document-root = " + quoted(www.string()) + "\n"
                             "server.errorlog = " + quoted((dir / "error.log").string()) + "\n"
                             "server.pid-file = " + quoted((dir / "lighttpd.pid").string()) + "\n";
        config += fastcgiBlock("=~ \"^/peer/\"", "/peer", dir / "peer.sock",
                               writeStarter(dir / "peer.sh", "#!/bin/sh\nexec " + quillon::fcgi::shellQuote(peer.string())
                                                                 + " " + quillon::fcgi::shellQuote(database.string()) + "\n"),
                               cores);
        for (Page page : {Page::Browse, Page::Big}) {
            const std::string name = pageName(page);
            config += fastcgiBlock("== \"/" + name + "\"", "/" + name, dir / (name + ".sock"),
                                   writeStarter(dir / (name + ".sh"),
                                                quillon::fcgi::responderScript(QUILLON_FCGI, library[page], dir,
                                                                               rootAllowed())),
                                   1);
        }
        const fs::path file = dir / "lighttpd.conf";
        quillon::platform::writeFileAtomically(file.string(), config);
        lighttpd = std::make_unique<ChildProcess>(std::vector<std::string>{QUILLON_LIGHTTPD, "-D", "-f", file.string()},
                                                  dir / "server.log");
        const bool up = waitFor([&] { return portAnswers(port) || !lighttpd->alive(); });
        if (!up || !lighttpd->alive())
            throw std::runtime_error("lighttpd did not start:\n" + log());
    }

    std::string log() const
    {
        std::string text;
        for (const char *name : {"server.log", "error.log"})
            if (fs::exists(scratch.path() / name))
                text += std::string("== ") + name + "\n" + quillon::platform::readFile((scratch.path() / name).string());
        return text;
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

struct Figures
{
    double requestsPerSecond = 0;
    double p50 = 0;
    double p99 = 0;
};

// results[page][side]: one entry per round.
std::map<Page, std::map<Side, std::vector<Figures>>> results;

/*
** kClients threads send requests one after another, each checking the
** answer with request(); the time of one request includes the check, which
** is the same for every side.
*/
Figures clients(benchmark::State &state, int perClient, const std::function<bool()> &request)
{
    std::vector<double> latencies;
    std::mutex mutex;
    int failed = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        std::vector<std::thread> threads;
        for (int c = 0; c < kClients; ++c)
            threads.emplace_back([&] {
                std::vector<double> mine;
                int bad = 0;
                for (int i = 0; i < perClient; ++i) {
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
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies[static_cast<std::size_t>(q * (latencies.size() - 1))]; };
    Figures f{static_cast<double>(latencies.size()) / seconds, at(0.50), at(0.99)};
    state.counters["requests_per_s"] = f.requestsPerSecond;
    state.counters["p50_ms"] = f.p50;
    state.counters["p99_ms"] = f.p99;
    state.counters["failed"] = failed;
    if (failed)
        state.SkipWithError((std::to_string(failed) + " answers were not the expected page").c_str());
    return f;
}

// A time in wrk's output ("812.00us", "1.20ms", "2.01s") in milliseconds.
double wrkMilliseconds(const std::string &text)
{
    const double value = std::atof(text.c_str());
    if (text.ends_with("us"))
        return value / 1000;
    if (text.ends_with("ms"))
        return value;
    return text.ends_with("s") ? value * 1000 : value;
}

/*
** wrk with kClients kept-alive connections on two threads for
** QUILLON_BENCH_WRK_SECONDS (default 3) on url. A run with errors or
** answers other than 200 fails.
*/
Figures keptClients(benchmark::State &state, int port, const std::string &target)
{
    const int seconds = envNumber("QUILLON_BENCH_WRK_SECONDS", 3);
    Figures f;
    for (auto _ : state) {
        const std::string command = "wrk -t2 -c" + std::to_string(kClients) + " -d" + std::to_string(seconds)
                                    + "s --latency http://127.0.0.1:" + std::to_string(port) + target + " 2>&1";
        std::string out;
        if (FILE *wrk = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, wrk)) > 0)
                out.append(buffer, n);
            ::pclose(wrk);
        }
        const auto after = [&](const std::string &label) {
            const auto at = out.find(label);
            if (at == std::string::npos)
                return std::string();
            const auto start = out.find_first_not_of(" \t", at + label.size());
            return out.substr(start, out.find_first_of(" \t\n", start) - start);
        };
        f.requestsPerSecond = std::atof(after("Requests/sec:").c_str());
        f.p50 = wrkMilliseconds(after("50%"));
        f.p99 = wrkMilliseconds(after("99%"));
        if (f.requestsPerSecond <= 0 || out.find("Non-2xx") != std::string::npos
            || out.find("Socket errors") != std::string::npos)
            state.SkipWithError(("wrk: " + out).c_str());
    }
    state.counters["requests_per_s"] = f.requestsPerSecond;
    state.counters["p50_ms"] = f.p50;
    state.counters["p99_ms"] = f.p99;
    return f;
}

void serve(benchmark::State &state, Page page, Side side)
{
    Fixture &f = fixture();
    const std::string &expected = f.expected[page];
    std::string target;
    if (side == Side::Quillon || side == Side::QuillonKept || side == Side::NginxQuillon)
        target = std::string("/") + pageName(page);
    else if (side == Side::Peer)
        target = std::string("/peer/") + pageName(page);
    else
        target = std::string("/") + pageName(page) + ".html";
    Figures figures;
    if (byWrk(side)) {
        const int port = side == Side::NginxQuillon || side == Side::NginxStatic ? f.nginxPort : f.port;
        const HttpReply check = httpRequest(port, "GET", target);
        if (check.status != 200 || check.body != expected)
            state.SkipWithError((target + " does not answer the extension's page").c_str());
        else
            figures = keptClients(state, port, target);
    } else if (side == Side::IsapiHost) {
        const IsapiHost &host = *f.host[page];
        figures = clients(state, requestsPerClient(page), [&] { return host.run({}).body == expected; });
    } else {
        figures = clients(state, requestsPerClient(page), [&] {
            const HttpReply r = httpRequest(f.port, "GET", target);
            return r.status == 200 && r.body == expected;
        });
    }
    results[page][side].push_back(figures);
}

std::string ratioLine(const std::vector<Figures> &ours, const std::vector<Figures> &theirs)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < std::min(ours.size(), theirs.size()); ++i)
        ratios.push_back(ours[i].requestsPerSecond / theirs[i].requestsPerSecond);
    if (ratios.empty())
        return "no rounds";
    std::sort(ratios.begin(), ratios.end());
    char text[80];
    std::snprintf(text, sizeof text, "%6.2f %6.2f %6.2f", ratios.front(), ratios[ratios.size() / 2], ratios.back());
    return text;
}

void printRatios()
{
    std::printf("\nquillon-fcgi requests per second against the others, over the rounds (min median max)\n");
    for (Page page : {Page::Browse, Page::Big}) {
        auto &sides = results[page];
        for (Side other : {Side::Peer, Side::Static, Side::IsapiHost})
            std::printf("  %-7s %-13s / %-13s %s\n", pageName(page), "quillon", sideName(other),
                        ratioLine(sides[Side::Quillon], sides[other]).c_str());
        // Kept-alive clients (wrk): through lighttpd and through nginx.
        for (const auto &[ours, other] : {std::pair(Side::QuillonKept, Side::StaticKept),
                                          std::pair(Side::QuillonKept, Side::IsapiHost),
                                          std::pair(Side::NginxQuillon, Side::NginxStatic),
                                          std::pair(Side::NginxQuillon, Side::IsapiHost)})
            std::printf("  %-7s %-13s / %-13s %s\n", pageName(page), sideName(ours), sideName(other),
                        ratioLine(sides[ours], sides[other]).c_str());
    }
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = envNumber("QUILLON_BENCH_ROUNDS", 5);
    for (int round = 1; round <= rounds; ++round)
        for (Page page : {Page::Browse, Page::Big})
            for (Side side : {Side::Quillon, Side::Peer, Side::Static, Side::IsapiHost, Side::QuillonKept,
                              Side::StaticKept, Side::NginxQuillon, Side::NginxStatic})
                benchmark::RegisterBenchmark(
                    (std::string("serve/") + pageName(page) + "/" + sideName(side) + "/round:" + std::to_string(round)).c_str(),
                    [page, side](benchmark::State &state) { serve(state, page, side); })
                    ->Iterations(1)
                    ->UseRealTime()
                    ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    try {
        fixture();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_serve: %s\n", e.what());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
