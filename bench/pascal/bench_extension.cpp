/*
** What a request costs in a generated extension: a page without a
** database (parameters parsed, trailer written), and a table browse whose
** time should grow in step with the table's rows; with a PostgreSQL server
** (QUILLON_TEST_PG_URI, QUILLON_TEST_PG_USER, QUILLON_TEST_PG_PASSWORD)
** and a table of it named in QUILLON_BENCH_PG_TABLE (bench/enginelib/pgscan.sh
** makes one), a browse of that table too.
*/

#include "enginealiases.h"
#include "extensionbuild.h"
#include "isapihost.h"
#include "scratchdir.h"

#include "platform/atomicfile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>

namespace fs = std::filesystem;
using quillon::WizardProject;
using namespace quillon::testing;

namespace {

struct Fixture
{
    ScratchDir scratch;
    EngineAliases engine{scratch.path() / "engine.cfg"};
    ExtensionBuilder builder{scratch.path() / "build"};
    std::map<std::string, std::unique_ptr<IsapiHost>> hosts;

    Fixture()
    {
        const fs::path data = scratch.path() / "data";
        fs::create_directories(data);
        for (int rows : {100, 1000, 10000}) {
            std::string csv = "NAME,CITY,PRICE\r\n";
            for (int i = 0; i < rows; ++i)
                csv += "Name " + std::to_string(i) + ",City & <" + std::to_string(i % 50) + ">," + std::to_string(i) + "\r\n";
            quillon::platform::writeFileAtomically((data / ("t" + std::to_string(rows) + ".csv")).string(), csv);
        }
        engine.add("QNBENCH", "", data);
        if (const char *uri = std::getenv("QUILLON_TEST_PG_URI"); uri && *uri)
            engine.add("QNBENCHPG", "POSTGRESQL", uri);
    }

    IsapiHost &host(const std::string &name, const WizardProject &project)
    {
        auto &slot = hosts[name];
        if (!slot)
            slot = std::make_unique<IsapiHost>(builder.build(project, name));
        return *slot;
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_PlainPage(benchmark::State &state)
{
    WizardProject p;
    p.DBOk = false;
    p.PageTitle = "Bench";
    p.Input = {"City", "Zip"};
    p.Author = "O'Brien";
    p.OtherInfo = "one\r\ntwo\r\nthree";
    IsapiHost &host = fixture().host("Plain", p);
    IsapiHost::Request request;
    request.queryString = "City=Bonn&Zip=53111";
    for (auto _ : state)
        benchmark::DoNotOptimize(host.run(request).body.size());
}
BENCHMARK(BM_PlainPage);

void BM_TableBrowse(benchmark::State &state)
{
    const std::string rows = std::to_string(state.range(0));
    WizardProject p;
    p.DBName = "QNBENCH";
    p.PageTitle = "Bench";
    p.TbToBrowse = "t" + rows;
    p.RetChosenFields = {"NAME", "CITY", "PRICE"};
    IsapiHost &host = fixture().host("Browse" + rows, p);
    for (auto _ : state)
        benchmark::DoNotOptimize(host.run({}).body.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TableBrowse)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

void BM_ServerTableBrowse(benchmark::State &state)
{
    const std::string table = environment("QUILLON_BENCH_PG_TABLE");
    if (environment("QUILLON_TEST_PG_URI").empty() || table.empty()) {
        state.SkipWithError("needs QUILLON_TEST_PG_URI and QUILLON_BENCH_PG_TABLE (bench/enginelib/pgscan.sh)");
        return;
    }
    WizardProject p;
    p.DBName = "QNBENCHPG";
    p.DoLogin = true;
    p.UserName = environment("QUILLON_TEST_PG_USER");
    p.Password = environment("QUILLON_TEST_PG_PASSWORD");
    p.PageTitle = "Bench";
    p.TbToBrowse = table;
    p.RetChosenFields = {"NAME", "CITY", "PRICE"};
    IsapiHost &host = fixture().host("ServerBrowse", p);
    size_t rows = 0;
    for (auto _ : state) {
        const std::string body = host.run({}).body;
        rows = 0;
        for (size_t at = body.find("<TR>"); at != std::string::npos; at = body.find("<TR>", at + 4))
            ++rows;
    }
    state.SetItemsProcessed(int64_t(state.iterations() * rows));
    state.counters["rows"] = double(rows);
}
// Wall time: the server's share of the work counts too.
BENCHMARK(BM_ServerTableBrowse)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
