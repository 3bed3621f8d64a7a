// One planner file of 2 000 appointments synced with a calendar: the first upload, a sync with
// nothing changed and one after a single edit, each as requests and seconds. The calendar's
// address, user and password come as arguments; prints "phase requests seconds" lines.
#include "DateSerial.h"
#include "SyncEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace moravel;

namespace {

sync::SyncOutcome syncOnce(TerminStore& store, const sync::SyncSettings& settings) {
    sync::SyncEngine engine(store, settings);
    sync::SyncOutcome outcome;
    QObject::connect(&engine, &sync::SyncEngine::finished, [&outcome](const sync::SyncOutcome& o) {
        outcome = o;
        QCoreApplication::exit(0);
    });
    engine.start();
    if (outcome.summary.isEmpty())
        QCoreApplication::exec();
    return outcome;
}

bool measure(const char* phase, TerminStore& store, const sync::SyncSettings& settings) {
    QElapsedTimer timer;
    timer.start();
    const sync::SyncOutcome outcome = syncOnce(store, settings);
    std::printf("%s %d %.2f\n", phase, outcome.requests, timer.elapsed() / 1000.0);
    if (!outcome.ok)
        std::fprintf(stderr, "%s: %s\n", phase, qUtf8Printable(outcome.summary));
    return outcome.ok;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_sync CALENDAR_URL USER PASSWORD COUNT\n");
        return 2;
    }
    QTemporaryDir dir;
    std::unique_ptr<TerminStore> store = TerminStore::open(dir.filePath("dBTermin.mdb"));
    const int count = QString::fromLocal8Bit(argv[4]).toInt();
    // From tomorrow on, one a day, every seventh weekly.
    const qint64 first = serial::today() + 1;
    TerminStore::WriteTransaction transaction(*store);
    for (int i = 0; i < count; ++i) {
        Appointment row;
        row.TerminDatum = QString::number(first + i);
        row.TerminUhrzeit = "0,62500";
        row.TerminDatumUhrzeit = QString::number(first + i) + ",625";
        row.Betreff = QStringLiteral("Termin %1").arg(i);
        row.Bemerkungen = QStringLiteral("Bemerkung %1").arg(i);
        row.Wiederholung = i % 7 == 0 ? "2" : "0";
        row.VorTage = "0";
        row.VorMinuten = "15";
        row.sysGesperrt = "0";
        row.TerminDatumUhrzeitMeldung = "0,00000";
        if (!store->insert(row))
            return 1;
    }
    if (!transaction.commit())
        return 1;
    const sync::SyncSettings settings{QUrl(QString::fromLocal8Bit(argv[1])), QString::fromLocal8Bit(argv[2]),
                                      QString::fromLocal8Bit(argv[3]), true, 600000};
    if (!measure("first", *store, settings) || !measure("unchanged", *store, settings))
        return 1;
    Appointment edited = store->mainList().at(count / 2);
    edited.Betreff += QStringLiteral(" geändert");
    if (!store->replace(edited.ID, edited))
        return 1;
    return measure("edit", *store, settings) ? 0 : 1;
}
