/*
** Generation time against project size: N input values and N returned
** fields (table browse), and N SQL lines, N other-info lines and N returned
** fields (query browse), for N = 100,000 and 200,000. The time per item must
** stay flat as N doubles; the fitted complexity is reported as well.
*/

#include "generator/sourcegenerator.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quillon;
using namespace quillon::generator;

namespace {

const GenerationMoment kMoment{"12/08/26", "19:20:09"};

const std::string kTemplate = "library {*$LibName};\n"
                              "uses SysUtils, Classes, DBTables, IsapiExt;\n"
                              "var\n"
                              "{*$VarDecl}\n"
                              "  F : TextFile;\n"
                              "  {*$DatabaseDecl}\n"
                              "  {*$TableDecl}\n"
                              "{*$GetValues}\n"
                              "{*$SendFile}\n"
                              "begin\n"
                              "  Title := {*$PageTitle};\n"
                              "  Ext := '{*$LibTitle}';\n"
                              "    {*$HeaderHTML}\n"
                              "  {*$GetVal}\n"
                              "    {*$DataInit}\n"
                              "    {*$Database}\n"
                              "    {*$Table}\n"
                              "    {*$Query}\n"
                              "  {*$FreeRes}\n"
                              "    {*$Author}\n"
                              "    {*$EMail}\n"
                              "    {*$OtherInfo}\n"
                              "    {*$GenDate}\n"
                              "{*$FooterHTML}\n"
                              "end.\n";

std::string name(const char *stem, std::int64_t i)
{
    return stem + std::to_string(i);
}

WizardProject tableProject(std::int64_t n)
{
    WizardProject p;
    p.OutputDLL = "/tmp/Big.dpr";
    p.PageTitle = "Big 'one'";
    p.TbToBrowse = "CUSTOMER";
    for (std::int64_t i = 0; i < n; ++i) {
        p.Input.push_back(name("Value", i));
        p.RetChosenFields.push_back(name("FIELD", i));
    }
    return p;
}

WizardProject queryProject(std::int64_t n)
{
    WizardProject p = tableProject(0);
    p.TbBrowse = false;
    for (std::int64_t i = 0; i < n; ++i) {
        p.QrToBrowse += "OR NAME = 'x" + std::to_string(i) + "'\r\n";
        p.OtherInfo += "line " + std::to_string(i) + "\n";
        p.RetChosenFields.push_back(name("FIELD", i));
    }
    return p;
}

void run(benchmark::State &state, const WizardProject &project)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto out = expandTemplate(project, kTemplate, kMoment);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["output_MB"] = double(bytes) / 1e6;
    state.counters["ns_per_item"] = benchmark::Counter(
        double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate
                                    | benchmark::Counter::kInvert);
}

void BM_ExpandTableBrowse(benchmark::State &state)
{
    run(state, tableProject(state.range(0)));
}

void BM_ExpandQueryBrowse(benchmark::State &state)
{
    run(state, queryProject(state.range(0)));
}

// The whole file step: read the template, expand, compare the output with
// the text last generated there, write it atomically and record the new text.
void BM_GenerateFile(benchmark::State &state)
{
    const auto dir = std::filesystem::temp_directory_path();
    const auto stateDir = dir / "quillon-bench-state";
    setenv("QUILLON_STATE_DIR", stateDir.c_str(), 1);
    const auto templ = (dir / "quillon-bench-template.dpr").string();
    const auto out = (dir / "quillon-bench-output.dpr").string();
    if (FILE *f = std::fopen(templ.c_str(), "wb")) {
        std::fwrite(kTemplate.data(), 1, kTemplate.size(), f);
        std::fclose(f);
    }
    const auto project = tableProject(state.range(0));
    for (auto _ : state)
        generateSourceFile(project, templ, out, kMoment, EditedSource::Replace);
    std::filesystem::remove(templ);
    std::filesystem::remove(out);
    std::filesystem::remove_all(stateDir);
}

} // namespace

BENCHMARK(BM_ExpandTableBrowse)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandQueryBrowse)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateFile)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
