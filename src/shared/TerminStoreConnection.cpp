#include "TerminStoreConnection.h"

#include "SqlStatement.h"
#include "TerminStoreSchema.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcStore, "moravel.store")

namespace moravel::connection {

namespace {

// Nothing that a trigger of the file would do is let through: a trigger placed in the file by
// another tool must never change rows while a program of ours writes. Reads inside a view are
// harmless and allowed. The last argument names the trigger or view the action comes from.
int authorize(void*, int action, const char*, const char*, const char*, const char* triggerOrView) {
    if (!triggerOrView)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

} // namespace

sqlite3* open(const QString& path, int flags, int busyTimeoutMs) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        qCWarning(lcStore, "Opening %s failed: %s", qUtf8Printable(path),
                  db ? sqlite3_errmsg(db) : "no memory");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyTimeoutMs);
    // The schema of a file is text anyone may have written: it may not reach functions with side
    // effects, nor change the schema tables themselves.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_set_authorizer(db, authorize, nullptr);
    return db;
}

bool hasAppointmentTable(sqlite3* db) {
    sql::Statement statement(db, "SELECT name FROM pragma_table_info('tblTermin')");
    if (!statement.ok())
        return false;
    QStringList names;
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW)
        names << statement.text(0);
    if (rc != SQLITE_DONE)
        return false;
    for (const char* field : schema::kFieldNames) {
        if (!names.contains(QString::fromUtf8(field)))
            return false;
    }
    return true;
}

std::optional<QString> untrustedReason(sqlite3* db) {
    sql::Statement statement(db, "SELECT type FROM sqlite_master WHERE tbl_name = 'tblTermin' COLLATE NOCASE"
                                 " AND type IN ('table', 'view', 'trigger')");
    if (!statement.ok())
        return std::nullopt;
    bool view = false, trigger = false;
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW) {
        view = view || statement.text(0) == QLatin1String("view");
        trigger = trigger || statement.text(0) == QLatin1String("trigger");
    }
    if (rc != SQLITE_DONE)
        return std::nullopt;
    if (view)
        return QStringLiteral(
            "In der Termindatenbank ist tblTermin keine Tabelle, sondern eine Abfrage "
            "eines anderen Programms. Die Datei wird deshalb nur gelesen und nicht verändert.");
    if (trigger)
        return QStringLiteral("Die Termindatenbank enthält Trigger, eigene Befehle, die beim Schreiben "
                              "Termine ändern oder löschen könnten. Die Datei wird deshalb nur gelesen und "
                              "nicht verändert.");
    return QString();
}

QString germanReason(int code, const char* sqliteText) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Die Termindatenbank ist gerade von einem anderen Programm gesperrt.");
    case SQLITE_FULL:
        return QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei.");
    case SQLITE_READONLY:
        return QStringLiteral("Die Termindatenbank ist schreibgeschützt.");
    case SQLITE_AUTH:
        // Only the guard against triggers refuses statements.
        return QStringLiteral("Die Termindatenbank enthält Trigger, eigene Befehle, die beim Schreiben "
                              "ausgeführt würden. Sie wird deshalb nicht verändert.");
    case SQLITE_PERM:
        return QStringLiteral("Der Zugriff auf die Termindatenbank ist nicht erlaubt.");
    case SQLITE_IOERR:
        return QStringLiteral("Die Termindatenbank konnte nicht gelesen oder geschrieben werden.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("Die Termindatenbank ist beschädigt.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Die Termindatenbank lässt sich nicht öffnen.");
    default:
        return QStringLiteral("Die Termindatenbank meldet einen Fehler: ") + QString::fromUtf8(sqliteText);
    }
}

} // namespace moravel::connection
