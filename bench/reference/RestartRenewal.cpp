#include "RestartRenewal.h"

#include "Appointment.h"
#include "NumberText.h"
#include "Recurrence.h"

#include <QFile>

#include <sqlite3.h>

#include <optional>

namespace moravel::reference {

namespace {

QString text(sqlite3_stmt* statement, int column) {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return value ? QString::fromUtf8(value, sqlite3_column_bytes(statement, column)) : QString();
}

// Walks the main list up to the first row that must be renewed; no value when none must.
std::optional<Appointment> firstPassedRow(sqlite3* db, qint64 today, bool* failed) {
    sqlite3_stmt* statement = nullptr;
    *failed = sqlite3_prepare_v2(db,
                                 "SELECT ID, TerminDatum, TerminUhrzeit, Betreff, Bemerkungen, Wiederholung,"
                                 " VorTage, VorMinuten, sysGesperrt FROM tblTermin"
                                 " ORDER BY TerminDatumUhrzeit ASC, ID ASC",
                                 -1, &statement, nullptr) != SQLITE_OK;
    std::optional<Appointment> found;
    int rc = SQLITE_DONE;
    while (!*failed && !found && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const QString flag = text(statement, 8);
        if (flag == QLatin1String("1"))
            continue; // most rows of a long history: skipped before any number is read
        const auto day = numtext::parseWhole(text(statement, 1));
        const auto digit = numtext::parseWhole(text(statement, 5));
        const auto locked = numtext::parse(flag);
        if (!day || !digit || !locked || today <= *day || *locked != 0 || *digit <= 0 ||
            !Folgedatum(*day, static_cast<int>(*digit)))
            continue;
        Appointment row;
        row.ID = sqlite3_column_int64(statement, 0);
        row.TerminDatum = text(statement, 1);
        row.TerminUhrzeit = text(statement, 2);
        row.Betreff = text(statement, 3);
        row.Bemerkungen = text(statement, 4);
        row.Wiederholung = text(statement, 5);
        row.VorTage = text(statement, 6);
        row.VorMinuten = text(statement, 7);
        row.sysGesperrt = flag;
        found = row;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        *failed = true;
    sqlite3_finalize(statement);
    return found;
}

bool lock(sqlite3* db, qint64 id) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "UPDATE tblTermin SET sysGesperrt = '1' WHERE ID = ?1", -1, &statement, nullptr);
    sqlite3_bind_int64(statement, 1, id);
    const bool ok = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return ok;
}

bool insert(sqlite3* db, const Appointment& row) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff,"
                       " Bemerkungen, Wiederholung, VorTage, VorMinuten, sysGesperrt, \"ZuletztGeöffnetAm\")"
                       " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
                       -1, &statement, nullptr);
    const QString* values[] = {&row.TerminDatum,       &row.TerminUhrzeit, &row.TerminDatumUhrzeit,
                               &row.Betreff,           &row.Bemerkungen,   &row.Wiederholung,
                               &row.VorTage,           &row.VorMinuten,    &row.sysGesperrt,
                               &row.ZuletztGeoeffnetAm};
    int index = 1;
    for (const QString* value : values) {
        if (value->isNull())
            sqlite3_bind_null(statement, index++);
        else
            sqlite3_bind_text(statement, index++, value->toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    const bool ok = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return ok;
}

struct Connection {
    sqlite3* db = nullptr;
    explicit Connection(const QString& path) {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 5000);
        // It commits twice per renewal: waiting for the disk each time would measure sync
        // latency, not its passes, and take minutes.
        sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    }
    ~Connection() { sqlite3_close(db); }
};

} // namespace

int renewByRestartingPass(const QString& databasePath, qint64 today, double now) {
    const Connection connection(databasePath);
    int inserted = 0;
    for (;;) {
        bool failed = false;
        const std::optional<Appointment> row = firstPassedRow(connection.db, today, &failed);
        if (failed)
            return -1;
        if (!row)
            return inserted;
        const qint64 next = *Folgedatum(*numtext::parseWhole(row->TerminDatum),
                                        static_cast<int>(*numtext::parseWhole(row->Wiederholung)));
        Appointment occurrence = *row;
        occurrence.TerminDatum = QString::number(next);
        occurrence.TerminDatumUhrzeit =
            numtext::fixed5(static_cast<double>(next) + numtext::parse(row->TerminUhrzeit).value_or(0.0));
        occurrence.ZuletztGeoeffnetAm = numtext::fixed5(now);
        occurrence.sysGesperrt = QStringLiteral("0");
        if (!lock(connection.db, row->ID) || !insert(connection.db, occurrence))
            return -1;
        ++inserted;
    }
}

} // namespace moravel::reference
