// One tick of the monitor's re-read (EinlesenAusDB) over a table of 10 000 rows: the list of
// current appointments rebuilt and every reminder moment tested, as every second while watching.
#include "Clock.h"
#include "DateSerial.h"
#include "NumberText.h"
#include "TerminStore.h"
#include "frmAutostart.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

using namespace moravel;

namespace {

constexpr int kTableRows = 10000;
const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 0));

// Thirty years of rows: twenty years of past one-offs and locked history and ten ahead, with lead
// days up to two weeks so that a realistic handful is current. With firstDay 0 every row lies
// ahead: the most the re-read can have to look at.
void fillTable(const QString& path, qint64 firstDay) {
    auto store = TerminStore::open(path);
    const qint64 today = serial::dayNumber(kNow.date());
    sqlite3_exec(store->handle(), "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kTableRows; ++i) {
        const qint64 day = today + firstDay + (i * 7919) % (3650 * 3);
        const double time = (i % 96) / 96.0;
        Appointment a;
        a.TerminDatum = QString::number(day);
        a.TerminUhrzeit = numtext::fixed5(time);
        a.TerminDatumUhrzeit = numtext::general(static_cast<double>(day) + time);
        a.Betreff = QStringLiteral("Termin Nummer %1").arg(i);
        // Passed rows are locked occurrences or one-offs, so the renewal at start adds nothing.
        a.Wiederholung = QString::number(day < today ? (i % 3 == 0 ? 2 : 0) : i % 8);
        a.sysGesperrt = day < today && i % 3 == 0 ? QStringLiteral("1") : QStringLiteral("0");
        a.VorTage = QString::number(i % 15);
        a.VorMinuten = QString::number(i % 30);
        store->insert(a);
    }
    sqlite3_exec(store->handle(), "COMMIT", nullptr, nullptr, nullptr);
}

// The table and the monitor on it, made once for every run of the benchmark.
struct Monitor {
    QTemporaryDir dir;
    ManualClock clock{kNow};
    std::unique_ptr<monitor::frmAutostart> window;

    explicit Monitor(qint64 firstDay) {
        qputenv("MORAVEL_DATA_DIR", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        numtext::setDecimalSeparator(QLatin1Char(','));
        Clock::setInstance(&clock);
        fillTable(dir.path() + QStringLiteral("/dBTermin.mdb"), firstDay);
        window = std::make_unique<monitor::frmAutostart>();
        window->Form_Load();
    }
};

void tick(benchmark::State& state, Monitor& monitor) {
    for (auto _ : state) {
        monitor.clock.advanceMs(1000);
        monitor.window->Timer1_Timer();
    }
    state.counters["rows"] =
        static_cast<double>(TerminStore::open(monitor.dir.path() + "/dBTermin.mdb")->mainList().size());
    state.counters["listed"] = monitor.window->List1->count() / 4;
}

void BM_EinlesenAusDB_WithHistory(benchmark::State& state) {
    static Monitor monitor(-3650 * 2);
    tick(state, monitor);
}

void BM_EinlesenAusDB_AllAhead(benchmark::State& state) {
    static Monitor monitor(0);
    tick(state, monitor);
}

} // namespace

BENCHMARK(BM_EinlesenAusDB_WithHistory)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_EinlesenAusDB_AllAhead)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
