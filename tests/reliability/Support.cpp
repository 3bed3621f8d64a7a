#include "Support.h"

#include "DateSerial.h"
#include "TerminStore.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <set>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace moravel::test {

namespace {

QString text(sqlite3_stmt* statement, int column) {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return value ? QString::fromUtf8(value, sqlite3_column_bytes(statement, column)) : QString();
}

} // namespace

qint64 dayOf(int year, int month, int day) {
    return serial::dayNumber(QDate(year, month, day));
}

Appointment recurringRow(qint64 day, const QString& digit, const QString& subject) {
    Appointment row;
    row.TerminDatum = QString::number(day);
    row.TerminUhrzeit = QStringLiteral("0,60417");
    row.TerminDatumUhrzeit = row.TerminDatum + QStringLiteral(",60417");
    row.Betreff = subject;
    row.Bemerkungen = QStringLiteral("Bemerkung zu ") + subject;
    row.Wiederholung = digit;
    row.VorTage = QStringLiteral("1");
    row.VorMinuten = QStringLiteral("10");
    row.sysGesperrt = QStringLiteral("0");
    row.ZuletztGeoeffnetAm = QStringLiteral("46000,25000");
    row.TerminDatumUhrzeitMeldung = QStringLiteral("0,00000");
    return row;
}

Appointment oneOffRow(qint64 day, const QString& subject) {
    Appointment row = recurringRow(day, QStringLiteral("0"), subject);
    row.TerminUhrzeit = QStringLiteral("0,5");
    row.TerminDatumUhrzeit = row.TerminDatum + QStringLiteral(",5");
    return row;
}

void createDatabase(const QString& path, const std::vector<Appointment>& rows) {
    const std::unique_ptr<TerminStore> store = TerminStore::open(path);
    if (!store)
        return;
    TerminStore::WriteTransaction batch(*store);
    for (const Appointment& row : rows)
        store->insert(row);
    batch.commit();
}

void copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    QFile::copy(from, to);
}

std::map<qint64, Appointment> rowsById(const QString& path) {
    std::map<qint64, Appointment> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    // Read-write, as the programs open it: a journal left by a killed writer is rolled back first.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        const std::string sql = std::string("SELECT ") + TerminStore::kSelectColumns + " FROM tblTermin";
        sqlite3_busy_timeout(db, TerminStore::kBusyTimeoutMs);
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                Appointment row;
                row.ID = sqlite3_column_int64(statement, 0);
                int column = 1;
                for (QString* field : row.textFields())
                    *field = text(statement, column++);
                rows[row.ID] = row;
            }
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

QString integrity(const QString& path) {
    if (!QFile::exists(path))
        return QStringLiteral("no file");
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    QStringList report;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) != SQLITE_OK) {
        report << QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            report << text(statement, 0);
        if (rc != SQLITE_DONE)
            report << QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return report.join(QLatin1Char('\n'));
}

QStringList contents(const std::map<qint64, Appointment>& rows) {
    QStringList out;
    for (const auto& [id, a] : rows) {
        out << test::joinedFields(a);
    }
    out.sort();
    return out;
}

QStringList chainFaults(const std::map<qint64, Appointment>& rows) {
    std::map<QString, int> live;
    std::map<QString, std::set<QString>> days;
    QStringList faults;
    for (const auto& [id, row] : rows) {
        const int digit = row.Wiederholung.toInt();
        if (digit < 1 || digit > 7)
            continue;
        live[row.Betreff] += row.sysGesperrt == QLatin1String("0") ? 1 : 0;
        if (!days[row.Betreff].insert(row.TerminDatum).second)
            faults << QStringLiteral("%1: day %2 twice").arg(row.Betreff, row.TerminDatum);
    }
    for (const auto& [subject, count] : live) {
        if (count != 1)
            faults << QStringLiteral("%1: %2 live rows").arg(subject).arg(count);
    }
    return faults;
}

QStringList lostOrChanged(const std::map<qint64, Appointment>& before,
                          const std::map<qint64, Appointment>& after) {
    QStringList faults;
    for (const auto& [id, row] : before) {
        const auto found = after.find(id);
        if (found == after.end()) {
            faults << QStringLiteral("row %1 (%2) lost").arg(id).arg(row.Betreff);
            continue;
        }
        Appointment now = found->second;
        const bool flagOk = now.sysGesperrt == row.sysGesperrt ||
                            (row.sysGesperrt == QLatin1String("0") && now.sysGesperrt == QLatin1String("1"));
        now.sysGesperrt = row.sysGesperrt;
        if (!(now == row) || !flagOk)
            faults << QStringLiteral("row %1 (%2) changed").arg(id).arg(row.Betreff);
    }
    return faults;
}

QStringList filesIn(const QString& directory) {
    QStringList names =
        QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

int runAsUser(const QString& directory, const std::function<int()>& body) {
    // The user "nobody" of Debian; only the numbers matter.
    constexpr uid_t kNobody = 65534;
    const QByteArray path = QFile::encodeName(directory);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(path.constData()) != 0)
            ::_exit(126);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(127);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 127)
        return -1;
    return WEXITSTATUS(status);
}

} // namespace moravel::test
