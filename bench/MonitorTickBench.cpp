// One look of the monitor's re-read (EinlesenAusDB) over tables of 1 000, 10 000 and 100 000 rows:
// the list of current appointments rebuilt, every reminder moment tested and the timer aimed at
// the next one, as on every wakeup while watching. Three cases: a table of years of history, a
// table whose rows all lie ahead (the most a tick can have to look at), and the table of history
// changed by the planner before every tick, so that each tick reads it again.
#include "BenchTables.h"
#include "Clock.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "TerminStore.h"
#include "frmAutostart.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

using namespace moravel;

namespace {

const QDateTime kNow(serial::dateOfDay(bench::kBenchToday), QTime(10, 0));

// A table and the monitor on it, made once per size and shape for every run of the benchmark.
struct Monitor {
    QTemporaryDir dir;
    ManualClock clock{kNow};
    std::unique_ptr<TerminStore> planner;
    std::unique_ptr<monitor::frmAutostart> window;
    int rows;

    Monitor(int rowCount, bench::Shape shape) : rows(rowCount) {
        qputenv("MORAVEL_DATA_DIR", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        Clock::setInstance(&clock);
        const QString path = dir.path() + QStringLiteral("/dBTermin.mdb");
        bench::fillTable(path, rows, bench::kBenchToday, shape);
        planner = TerminStore::open(path);
        window = std::make_unique<monitor::frmAutostart>();
        window->Form_Load();
    }
};

// Emptied by main while the application still exists: the windows must go before it.
std::map<std::pair<int, bench::Shape>, std::unique_ptr<Monitor>>& monitors() {
    static std::map<std::pair<int, bench::Shape>, std::unique_ptr<Monitor>> made;
    return made;
}

Monitor& monitorOn(int rows, bench::Shape shape) {
    auto& slot = monitors()[{rows, shape}];
    if (!slot)
        slot = std::make_unique<Monitor>(rows, shape);
    Clock::setInstance(&slot->clock);
    return *slot;
}

void tick(benchmark::State& state, bench::Shape shape, bool plannerWrites) {
    Monitor& monitor = monitorOn(static_cast<int>(state.range(0)), shape);
    int change = 0;
    qint64 changed = monitor.planner->mainList().front().ID;
    for (auto _ : state) {
        monitor.clock.advanceMs(1000);
        if (plannerWrites) {
            state.PauseTiming();
            // The planner edits a row: the table changes, and the next tick reads it again.
            Appointment row = *monitor.planner->find(changed);
            row.Bemerkungen = QStringLiteral("Änderung %1").arg(++change);
            changed = *monitor.planner->replace(changed, row);
            state.ResumeTiming();
        }
        monitor.window->engine().EinlesenAusDB();
    }
    state.counters["rows"] = monitor.rows;
    state.counters["listed"] = monitor.window->findChild<QListWidget*>(QStringLiteral("List1"))->count() / 4;
}

void BM_Tick_WithHistory(benchmark::State& state) {
    tick(state, bench::Shape::History, false);
}

void BM_Tick_AllAhead(benchmark::State& state) {
    tick(state, bench::Shape::AllAhead, false);
}

void BM_Tick_PlannerWroteBefore(benchmark::State& state) {
    tick(state, bench::Shape::History, true);
}

} // namespace

BENCHMARK(BM_Tick_WithHistory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Tick_AllAhead)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_Tick_PlannerWroteBefore)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    numtext::setDecimalSeparator(QLatin1Char(','));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    monitors().clear();
    Clock::setInstance(nullptr);
    return 0;
}
