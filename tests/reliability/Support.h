#pragma once

#include "Appointment.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <ostream>
#include <vector>

// Readable test output for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Rows, files and checks shared by the fault tests.
namespace moravel::test {

qint64 dayOf(int year, int month, int day);

// A live recurring row with every field filled as the entry fields would fill it.
Appointment recurringRow(qint64 day, const QString& digit, const QString& subject);
// A one-off row.
Appointment oneOffRow(qint64 day, const QString& subject);

// Creates the database at path (through TerminStore) and inserts the rows in one transaction.
void createDatabase(const QString& path, const std::vector<Appointment>& rows);
// Copies a database file; the target is replaced.
void copyFile(const QString& from, const QString& to);

// Every row, read with plain SQLite so that a broken store cannot hide anything; keyed by ID.
std::map<qint64, Appointment> rowsById(const QString& path);
// "ok" for a sound file, else what PRAGMA integrity_check reports (or why it could not run).
QString integrity(const QString& path);

// Every row without its ID, sorted: what two ways to the same table must agree on.
QStringList contents(const std::map<qint64, Appointment>& rows);

// Broken rules of the renewal chains (rows of one subject with a recurrence digit 1 to 7):
// a chain without exactly one live row, or an occurrence day stored twice. Empty when sound.
QStringList chainFaults(const std::map<qint64, Appointment>& rows);

// Rows of `before` that are missing from `after` or changed in any field but the lock flag, and
// lock flags that went any other way than from live to locked.
QStringList lostOrChanged(const std::map<qint64, Appointment>& before,
                          const std::map<qint64, Appointment>& after);

// The names in a directory, sorted.
QStringList filesIn(const QString& directory);

// Runs `body` in a child process whose working directory is `directory`, as an unprivileged user
// when the tests run as root, so that permission bits apply as they do for a user. The child's
// result is body's return value (0 to 125); -1 when no unprivileged user could be taken on.
int runAsUser(const QString& directory, const std::function<int()>& body);

} // namespace moravel::test
