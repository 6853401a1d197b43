// The query preview over SELECT * FROM a 1,000,000-row SQLite table: the
// time from opening the query to the first paint of the grid, the time
// "Last" takes to read the whole result, and the memory each needs (peak
// resident size reset before each run, reported as peak_MB and as the rise
// over the resident size before the run, rise_MB).

#include "engine/dataaccess.h"
#include "engine/enginefunctions.h"
#include "wizard/frmview.h"

#include <QApplication>
#include <QTableView>
#include <QToolButton>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace quillon;

namespace {

constexpr long kRows = 1000000;

void fail(const std::string &what)
{
    std::fprintf(stderr, "bench_frmview: %s\n", what.c_str());
    std::exit(1);
}

// Makes the table in a fresh folder and registers alias BIG for it in a
// temporary engine configuration; the folder goes when the program ends.
struct BigTable
{
    BigTable()
    {
        std::string dir = (std::filesystem::temp_directory_path() / "frmview-bench-XXXXXX").string();
        if (!::mkdtemp(dir.data()))
            fail("cannot create a temporary folder");
        folder = dir;
        ::setenv("QUILLON_ENGINE_CONFIG", (dir + "/engine.cfg").c_str(), 1);
        ::setenv("QUILLON_REGISTRY_DIR", (dir + "/registry").c_str(), 1);
        sqlite3 *db = nullptr;
        const std::string file = dir + "/big.sqlite";
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
            fail("cannot create " + file);
        const char *sql = "CREATE TABLE big (ID INTEGER, NAME TEXT, CITY TEXT, PRICE REAL);"
                          "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1000000) "
                          "INSERT INTO big SELECT x, 'Customer ' || (x * 7919 % 100000) || ', Ltd', "
                          "substr('OsloLyonGrazGent', 1 + 4 * (x % 4), 4), (x * 104729 % 100000) / 100.0 FROM n;";
        char *error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
            fail(std::string("cannot fill the table: ") + (error ? error : "?"));
        sqlite3_close(db);
        engine::DataAccess access;
        if (engine::DbiAddAlias(nullptr, "BIG", "SQLITE", ("PATH:" + file).c_str(), 1) != 0)
            fail("cannot register alias BIG");
    }
    ~BigTable() { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

void needTable()
{
    static BigTable table;
}

long statusKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atol(line.c_str() + prefix.size());
    return 0;
}

// Resets the peak resident size to the present one (Linux 4.0 and later).
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

class FirstPaint : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Keeps the largest figures over the iterations: the first run, before
// any memory is reused, is the one that tells.
void reportMemory(benchmark::State &state, long rssBeforeKb)
{
    const long peak = statusKb("VmHWM");
    const double peakMb = double(peak) / 1024.0, riseMb = double(peak - rssBeforeKb) / 1024.0;
    state.counters["peak_MB"] = std::max(double(state.counters["peak_MB"]), peakMb);
    state.counters["rise_MB"] = std::max(double(state.counters["rise_MB"]), riseMb);
}

void BM_OpenToFirstPaint(benchmark::State &state)
{
    needTable();
    engine::DataAccess access;
    const engine::Database db = access.open("BIG");
    long rssBefore = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QApplication::processEvents();
        rssBefore = statusKb("VmRSS");
        resetPeak();
        state.ResumeTiming();
        wizard::TfrmView view(wizard::cursorRows(db.openQuery("SELECT * FROM big")), nullptr);
        FirstPaint watch;
        view.grid()->viewport()->installEventFilter(&watch);
        view.show();
        while (!watch.painted)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        benchmark::DoNotOptimize(view.model()->rowCount());
        state.PauseTiming();
        if (view.model()->rowCount() != int(wizard::QueryModel::kBatch))
            state.SkipWithError("the first paint did not come with exactly one batch");
        reportMemory(state, rssBefore);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Last(benchmark::State &state)
{
    needTable();
    engine::DataAccess access;
    const engine::Database db = access.open("BIG");
    for (auto _ : state) {
        state.PauseTiming();
        wizard::TfrmView view(wizard::cursorRows(db.openQuery("SELECT * FROM big")), nullptr);
        view.show();
        QApplication::processEvents();
        const long rssBefore = statusKb("VmRSS");
        resetPeak();
        state.ResumeTiming();
        view.findChild<QToolButton *>("nbLast")->click();
        state.PauseTiming();
        if (view.currentRow() != kRows - 1)
            state.SkipWithError("Last did not reach the last row");
        reportMemory(state, rssBefore);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Last)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
