// Cost of a bar's size steps (one layout walk per candidate width) and of
// arranging a dock's lines, for bars of growing size.
#include "widgets/BarLayout.h"
#include "widgets/DockLines.h"

#include <benchmark/benchmark.h>

namespace {

std::vector<QSize> buttons(int n)
{
    return std::vector<QSize>(size_t(n), QSize(23, 22));
}

// Groups of three buttons.
std::vector<ControlGroup> groupsOfThree(int n)
{
    std::vector<ControlGroup> groups;
    for (int i = 0; i < n; i += 3)
        groups.push_back({i, std::min(3, n - i), 23 * std::min(3, n - i)});
    return groups;
}

void SizeSteps(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto sizes = buttons(n);
    const auto groups = groupsOfThree(n);
    const DockMetrics m;
    for (auto _ : state)
        benchmark::DoNotOptimize(barSizes(sizes, groups, m));
    state.SetComplexityN(n);
}
BENCHMARK(SizeSteps)->RangeMultiplier(4)->Range(4, 256)->Complexity();

void ArrangeDock(benchmark::State &state)
{
    const int bars = int(state.range(0));
    const DockFrame dock{false, {}, QSize(100000, 1000)};
    std::vector<std::vector<LineSlot>> lines(4);
    for (int i = 0; i < bars; ++i)
        lines[size_t(i % 4)].push_back({i * 50, 120});
    const DockMetrics m;
    for (auto _ : state) {
        auto copy = lines;
        benchmark::DoNotOptimize(arrangeLines(copy, dock, m));
    }
    state.SetComplexityN(bars);
}
BENCHMARK(ArrangeDock)->RangeMultiplier(4)->Range(4, 1024)->Complexity();

} // namespace
