/*
** What a request costs in a generated extension: a page without a
** database (parameters parsed, trailer written), and a table browse whose
** time should grow in step with the table's rows.
*/

#include "enginealiases.h"
#include "extensionbuild.h"
#include "isapihost.h"
#include "scratchdir.h"

#include "platform/atomicfile.h"

#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK_MAIN();
