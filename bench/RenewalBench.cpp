// A daily appointment whose live row lies 3650 days back, inside a table of 10 000 rows: renewed
// by renewPassedAppointments and by the list pass that restarts after every renewal.
#include "NumberText.h"
#include "Renewal.h"
#include "RestartRenewal.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

using namespace moravel;

namespace {

constexpr qint64 kToday = 46363; // 7 December 2026
constexpr int kBacklogDays = 3650;
constexpr int kTableRows = 10000;

struct Fixture {
    QTemporaryDir dir;
    QString templatePath = dir.path() + QStringLiteral("/template.mdb");
    QString workPath = dir.path() + QStringLiteral("/dBTermin.mdb");

    Fixture() {
        numtext::setDecimalSeparator(QLatin1Char(','));
        auto store = TerminStore::open(templatePath);
        TerminStore::WriteTransaction batch(*store);
        // Filler spread over twenty years around today: one-offs, locked history and live
        // recurring rows that lie ahead, so the restarting pass walks real rows before the backlog.
        for (int i = 0; i < kTableRows - 1; ++i) {
            const qint64 day = kToday - 3650 * 2 + (i * 7919) % (3650 * 4);
            Appointment a;
            a.TerminDatum = QString::number(day);
            a.TerminUhrzeit = numtext::fixed5((i % 96) / 96.0);
            a.TerminDatumUhrzeit = numtext::general(static_cast<double>(day) + (i % 96) / 96.0);
            a.Betreff = QStringLiteral("Termin %1").arg(i);
            a.Wiederholung = day < kToday ? QString::number(i % 3 == 0 ? 2 : 0) : QString::number(i % 8);
            a.sysGesperrt = day < kToday && i % 3 == 0 ? QStringLiteral("1") : QStringLiteral("0");
            a.VorTage = QStringLiteral("0");
            a.VorMinuten = QStringLiteral("5");
            store->insert(a);
        }
        Appointment daily;
        daily.TerminDatum = QString::number(kToday - kBacklogDays);
        daily.TerminUhrzeit = QStringLiteral("0,31250");
        daily.TerminDatumUhrzeit = numtext::fixed5(static_cast<double>(kToday - kBacklogDays) + 0.3125);
        daily.Betreff = QStringLiteral("Tabletten");
        daily.Wiederholung = QStringLiteral("1");
        daily.sysGesperrt = QStringLiteral("0");
        store->insert(daily);
        batch.commit();
    }

    std::unique_ptr<TerminStore> freshCopy(const QString& path) const {
        QFile::remove(path);
        QFile::copy(templatePath, path);
        return TerminStore::open(path);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

double g_secondsRenewal = 0;
double g_secondsRestarting = 0;

template <typename Renew> void run(benchmark::State& state, Renew renew, double* meanSeconds) {
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = fixture().freshCopy(fixture().workPath);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const int inserted = renew(*store, kToday, kToday + 0.5);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (inserted != kBacklogDays) {
            state.SkipWithError("the backlog was not renewed completely");
            break;
        }
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    *meanSeconds = total / static_cast<double>(state.iterations());
    state.counters["renewals_per_s"] = benchmark::Counter(
        static_cast<double>(kBacklogDays) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_RenewPassedAppointments(benchmark::State& state) {
    run(state, renewPassedAppointments, &g_secondsRenewal);
}

void BM_RestartingPassPerRenewal(benchmark::State& state) {
    run(
        state,
        [](TerminStore& store, qint64 today, double now) {
            return reference::renewByRestartingPass(store.path(), today, now);
        },
        &g_secondsRestarting);
}

BENCHMARK(BM_RenewPassedAppointments)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RestartingPassPerRenewal)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    fixture();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Both leave the same table behind: every row, field by field, in the same order.
    const QString otherPath = fixture().dir.path() + QStringLiteral("/restarted.mdb");
    auto renewed = fixture().freshCopy(fixture().workPath);
    auto restarted = fixture().freshCopy(otherPath);
    renewPassedAppointments(*renewed, kToday, kToday + 0.5);
    reference::renewByRestartingPass(restarted->path(), kToday, kToday + 0.5);
    const std::vector<Appointment> rows = renewed->mainList();
    std::printf("Rows after renewal: %zu, identical to the restarting pass: %s\n", rows.size(),
                rows == restarted->mainList() ? "yes" : "no");
    if (g_secondsRenewal > 0 && g_secondsRestarting > 0) {
        std::printf("Renewal of %d days in %d rows: %.1f ms, restarting pass %.1f ms, %.0fx faster\n",
                    kBacklogDays, kTableRows, g_secondsRenewal * 1e3, g_secondsRestarting * 1e3,
                    g_secondsRestarting / g_secondsRenewal);
    }
    return 0;
}
