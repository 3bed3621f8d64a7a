#include "BenchTables.h"

#include "NumberText.h"
#include "TerminStore.h"

#include <QFile>

#include <sqlite3.h>

namespace moravel::bench {

namespace {
constexpr qint64 kSpanDays = 3650 * 3;
constexpr qint64 kHistoryDays = 3650 * 2;
constexpr int kComingRows = 200;
// A prime step scatters the days over the span in an order unlike the insertion order, as years
// of renewals and entries leave them.
constexpr qint64 kScatter = 7919;

qint64 dayOf(int i, int rows, qint64 today, Shape shape) {
    const qint64 scattered = static_cast<qint64>(i) * kScatter;
    switch (shape) {
    case Shape::History: // the rows ahead were entered last
        return i >= rows - kComingRows ? today + scattered % 365 : today - 1 - scattered % kHistoryDays;
    case Shape::ThirdAhead:
        return today - kHistoryDays + scattered % kSpanDays;
    case Shape::AllAhead:
        break;
    }
    return today + scattered % kSpanDays;
}
} // namespace

void fillTable(const QString& path, int rows, qint64 today, Shape shape) {
    auto store = TerminStore::open(path);
    TerminStore::WriteTransaction batch(*store);
    for (int i = 0; i < rows; ++i) {
        const qint64 day = dayOf(i, rows, today, shape);
        const double time = (i % 96) / 96.0;
        const bool passed = day < today;
        Appointment a;
        a.TerminDatum = QString::number(day);
        a.TerminUhrzeit = numtext::fixed5(time);
        a.TerminDatumUhrzeit = numtext::general(static_cast<double>(day) + time);
        a.Betreff = QStringLiteral("Termin Nummer %1").arg(i);
        a.Bemerkungen = QStringLiteral("Bemerkung zum Termin %1").arg(i);
        a.Wiederholung = QString::number(passed ? (i % 3 == 0 ? 2 : 0) : i % 8);
        a.sysGesperrt = passed && i % 3 == 0 ? QStringLiteral("1") : QStringLiteral("0");
        a.VorTage = QString::number(i % 15);
        a.VorMinuten = QString::number(i % 30);
        a.ZuletztGeoeffnetAm = numtext::fixed5(static_cast<double>(today) - 1 + 0.5);
        a.TerminDatumUhrzeitMeldung = numtext::fixed5(0);
        store->insert(a);
    }
    batch.commit();
}

void addDailyBacklog(const QString& path, qint64 today, int days) {
    auto store = TerminStore::open(path);
    Appointment daily;
    daily.TerminDatum = QString::number(today - days);
    daily.TerminUhrzeit = numtext::fixed5(0.3125);
    daily.TerminDatumUhrzeit = numtext::fixed5(static_cast<double>(today - days) + 0.3125);
    daily.Betreff = QStringLiteral("Tabletten");
    daily.Wiederholung = QStringLiteral("1");
    daily.sysGesperrt = QStringLiteral("0");
    daily.VorTage = QStringLiteral("0");
    daily.VorMinuten = QStringLiteral("5");
    store->insert(daily);
}

void changeRemarks(const QString& path, int change) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const QByteArray sql =
        QStringLiteral("UPDATE tblTermin SET Bemerkungen = 'Änderung %1' WHERE ID = 1").arg(change).toUtf8();
    sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace moravel::bench
