// A second program for the fault tests: it does one kind of write against a data directory and
// reports every step on stdout, so that a test can kill it at a point of its choosing or run two
// of them against one file.
//
//   moravel_worker add DIR COUNT        inserts COUNT rows; prints "ID I" once row I is stored
//   moravel_worker renew DIR TODAY NOW  renews the passed appointments; prints the rows inserted
//   moravel_worker compact DIR COUNT    compacts up to COUNT times, each on one byte from stdin;
//                                       prints each result
//   moravel_worker compact-journal DIR COUNT
//                                       the same, and "J" before each result, when the rewrite
//                                       opens the journal
//   moravel_worker hold DIR ROWS        BEGIN EXCLUSIVE, prints "L", inserts ROWS rows, prints
//                                       "W", then commits on "c" from stdin and prints "C"; any
//                                       other byte or the end of stdin rolls back
//   moravel_worker write DIR ROWS       another tool's writer: commits up to ROWS rows one by one
//                                       through a plain SQLite connection until a byte arrives on
//                                       stdin; prints the ID of each committed row
//
// Every mode prints "R" when its database is open and then waits for one byte on stdin before it
// writes anything, so that a test can release two programs at the same moment. "D" ends the output.

#include "Compaction.h"
#include "NumberText.h"
#include "Renewal.h"
#include "TerminStore.h"

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <poll.h>
#include <unistd.h>

#include <cstdlib>

using namespace moravel;

namespace {

void report(const QByteArray& line) {
    const QByteArray text = line + '\n';
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n =
            ::write(STDOUT_FILENO, text.constData() + done, static_cast<size_t>(text.size() - done));
        if (n <= 0)
            std::_Exit(3);
        done += n;
    }
}

bool byteWaiting() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return ::poll(&input, 1, 0) == 1;
}

char awaitByte() {
    char c = 0;
    return ::read(STDIN_FILENO, &c, 1) == 1 ? c : '\0';
}

Appointment addedRow(int index) {
    Appointment row;
    row.TerminDatum = QString::number(46363 + index % 400);
    row.TerminUhrzeit = QStringLiteral("0,50000");
    row.TerminDatumUhrzeit = row.TerminDatum + QStringLiteral(",5");
    row.Betreff = QStringLiteral("zugefügt %1").arg(index);
    row.Bemerkungen = QStringLiteral("vom Arbeiter");
    row.Wiederholung = QStringLiteral("0");
    row.VorTage = QStringLiteral("0");
    row.VorMinuten = QStringLiteral("0");
    row.sysGesperrt = QStringLiteral("0");
    row.ZuletztGeoeffnetAm = QStringLiteral("46363,50000");
    row.TerminDatumUhrzeitMeldung = QStringLiteral("0,00000");
    return row;
}

int add(TerminStore& store, int count) {
    for (int i = 0; i < count; ++i) {
        const std::optional<qint64> id = store.insert(addedRow(i));
        if (!id)
            return 1;
        report(QByteArray::number(*id) + ' ' + QByteArray::number(i));
    }
    return 0;
}

int hold(sqlite3* db, int rows) {
    if (sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return 1;
    report("L");
    for (int i = 0; i < rows; ++i) {
        const QByteArray sql = "INSERT INTO tblTermin (Betreff, TerminDatumUhrzeit) VALUES ('gehalten " +
                               QByteArray::number(i) + "', '46000')";
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return 1;
    }
    report("W");
    if (awaitByte() != 'c')
        return sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : 1;
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return 1;
    report("C");
    return 0;
}

// The default file layer, telling the test when a rollback journal is opened: the moment the
// file begins to be rewritten, which no clock on a loaded machine finds reliably.
sqlite3_vfs* baseVfs = nullptr;
sqlite3_vfs reportingVfs;

int openReportingJournals(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    if (flags & SQLITE_OPEN_MAIN_JOURNAL)
        report("J");
    return baseVfs->xOpen(baseVfs, name, file, flags, outFlags);
}

void reportJournals() {
    baseVfs = sqlite3_vfs_find(nullptr);
    reportingVfs = *baseVfs;
    reportingVfs.zName = "moravel-worker";
    reportingVfs.xOpen = openReportingJournals;
    sqlite3_vfs_register(&reportingVfs, 1);
}

int write(sqlite3* db, int rows) {
    sqlite3_busy_timeout(db, 5000);
    for (int i = 0; i < rows && !byteWaiting(); ++i) {
        const QByteArray sql = "INSERT INTO tblTermin (TerminDatum, TerminDatumUhrzeit, Betreff)"
                               " VALUES ('46400', '46400,5', 'vom Werkzeug " +
                               QByteArray::number(i) + "')";
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            continue; // not committed, so not reported
        report(QByteArray::number(sqlite3_last_insert_rowid(db)));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    numtext::setDecimalSeparator(QLatin1Char(','));
    const QByteArray mode = argv[1];
    const QString dir = QString::fromLocal8Bit(argv[2]);
    const QString database = dir + QStringLiteral("/dBTermin.mdb");
    const int count = std::atoi(argv[3]);
    int rc = 2;

    if (mode == "compact" || mode == "compact-journal") {
        if (mode == "compact-journal")
            reportJournals();
        report("R");
        for (int i = 0; i < count && awaitByte() != '\0'; ++i)
            report(QByteArray::number(static_cast<int>(Compaction::DatenbankKomprimieren(dir))));
        rc = 0;
    } else if (mode == "hold" || mode == "write") {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(database.toLocal8Bit().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
            SQLITE_OK) {
            report("R");
            awaitByte();
            rc = mode == "hold" ? hold(db, count) : write(db, count);
        }
        sqlite3_close(db);
    } else {
        const std::unique_ptr<TerminStore> store = TerminStore::open(database);
        if (!store)
            return 1;
        report("R");
        awaitByte();
        if (mode == "add") {
            rc = add(*store, count);
        } else if (mode == "renew" && argc == 5) {
            const int inserted = renewPassedAppointments(*store, std::atoll(argv[3]), std::atof(argv[4]));
            report(QByteArray::number(inserted));
            rc = inserted < 0 ? 1 : 0;
        }
    }
    report("D");
    return rc;
}
