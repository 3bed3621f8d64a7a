// The planner's start-up in-process on the offscreen platform: the window built, Form_Load
// (compaction, opening, renewal, list pass) and the shown window with its first screen, on an empty
// table, on 10 000 and 100 000 rows of history, on 10 000 rows with a daily appointment ten years
// behind, on the list-heavy 10 000 rows of which a third lie ahead, and on 100 000 rows that all
// lie ahead and are all listed (and 10 000 that are). The bare Qt window (BareWindow.h), built and
// shown the same way, is the floor these are told against. The resident size after the last
// start-up is reported as rss_mb; run one case alone (--benchmark_filter) for the size of a planner
// that started on it. A long list shows its first screen at the start; startUpToEnd also reads
// the rest, as the view's scroll to its end asks for it.
#include "BareWindow.h"
#include "BenchTables.h"
#include "Clock.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "frmTermin.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <tuple>

using namespace moravel;

namespace {

QTemporaryDir& root() {
    static QTemporaryDir dir;
    return dir;
}

QString dataDir() {
    return root().path() + QStringLiteral("/data");
}

// One template per table, made on first use.
QString templateFor(int rows, int backlogDays, bench::Shape shape) {
    static std::map<std::tuple<int, int, bench::Shape>, QString> made;
    const auto key = std::make_tuple(rows, backlogDays, shape);
    if (const auto found = made.find(key); found != made.end())
        return found->second;
    const QString path =
        root().path() +
        QStringLiteral("/template-%1-%2-%3.mdb").arg(rows).arg(backlogDays).arg(static_cast<int>(shape));
    bench::fillTable(path, rows, bench::kBenchToday, shape);
    if (backlogDays > 0)
        bench::addDailyBacklog(path, bench::kBenchToday, backlogDays);
    made[key] = path;
    return path;
}

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

// toEnd: after the start, the view scrolled to the end of its first screen until the whole list
// is read, as a user who goes to the last row does.
void start(benchmark::State& state, int rows, int backlogDays, bench::Shape shape, bool toEnd) {
    const QString source = templateFor(rows, backlogDays, shape);
    const QString database = dataDir() + QStringLiteral("/dBTermin.mdb");
    // A start-up that renews changes its table, so each gets a fresh copy; the others leave it
    // as it was and start on the same file, as a planner starts on a file that has been at rest.
    // (A copy made just before a start-up makes the system write it back meanwhile.)
    const bool changesTable = backlogDays > 0;
    const auto copy = [&] {
        QFile::remove(database);
        QFile::copy(source, database);
    };
    copy();
    int listed = 0;
    for (auto _ : state) {
        if (changesTable) {
            state.PauseTiming();
            copy();
            state.ResumeTiming();
        }

        auto window = std::make_unique<planner::frmTermin>();
        window->Form_Load(planner::frmTermin::FirstList::ScreenFirst);
        window->show();
        QCoreApplication::processEvents();
        auto* view = window->findChild<QAbstractItemView*>(QStringLiteral("ListView1"));
        const QAbstractItemModel* model = view->model();
        if (toEnd) {
            // Until the list holds every row the status bar counts.
            const QLabel* count = window->findChild<QLabel*>(QStringLiteral("statusPanel2"));
            view->scrollToBottom();
            while (count->text() != planner::frmTermin::countText(model->rowCount()))
                QCoreApplication::processEvents();
        }

        state.PauseTiming();
        listed = model->rowCount();
        window.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows + (backlogDays > 0 ? 1 : 0);
    state.counters["listed"] = listed;
    state.counters["rss_mb"] = residentMegabytes();
}

void startUp(benchmark::State& state, int rows, int backlogDays, bench::Shape shape) {
    start(state, rows, backlogDays, shape, false);
}

void startUpToEnd(benchmark::State& state, int rows, int backlogDays, bench::Shape shape) {
    start(state, rows, backlogDays, shape, true);
}

void bareWindow(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<QMainWindow> window = bench::bareWindow();
        window->show();
        QCoreApplication::processEvents();

        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

} // namespace

using bench::Shape;
BENCHMARK(bareWindow)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(startUp, empty, 0, 0, Shape::History)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(startUp, rows_10000, 10000, 0, Shape::History)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(startUp, rows_100000, 100000, 0, Shape::History)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(startUp, rows_10000_daily_3650_back, 10000, 3650, Shape::History)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK_CAPTURE(startUp, rows_10000_all_ahead, 10000, 0, Shape::AllAhead)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK_CAPTURE(startUp, rows_100000_all_ahead, 100000, 0, Shape::AllAhead)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(startUpToEnd, rows_10000_all_ahead, 10000, 0, Shape::AllAhead)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK_CAPTURE(startUpToEnd, rows_100000_all_ahead, 100000, 0, Shape::AllAhead)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(startUp, rows_10000_third_ahead, 10000, 0, Shape::ThirdAhead)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private data directory, settings home and instance lock, so that nothing of the user's is read.
    qputenv("MORAVEL_DATA_DIR", dataDir().toUtf8());
    qputenv("XDG_CONFIG_HOME", (root().path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", root().path().toUtf8());
    QApplication application(argc, argv);
    QDir().mkpath(dataDir());
    numtext::setDecimalSeparator(QLatin1Char(','));
    ManualClock clock(QDateTime(serial::dateOfDay(bench::kBenchToday), QTime(10, 0)));
    Clock::setInstance(&clock);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Clock::setInstance(nullptr);
    return 0;
}
