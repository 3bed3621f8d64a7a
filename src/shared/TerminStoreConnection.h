#pragma once

// How the store opens and judges a connection. Only the store's files include this.

#include <QLoggingCategory>
#include <QString>

#include <optional>

struct sqlite3;

Q_DECLARE_LOGGING_CATEGORY(lcStore)

namespace moravel::connection {

// Opens the file with SQLite (SQLITE_OPEN_* flags) for the store: extended result codes, the busy
// timeout, and on guard against SQL the file brings along (defensive mode, no trusted schema, and
// nothing done by a trigger). Null when it cannot be opened; the reason is logged.
sqlite3* open(const QString& path, int flags, int busyTimeoutMs);

// True when the connection holds a table tblTermin with every field the programs use.
bool hasAppointmentTable(sqlite3* db);

// Why a write to this file would run SQL of the file's own, in German; empty when none would.
// None when the schema cannot be read.
std::optional<QString> untrustedReason(sqlite3* db);

// What a user can do something about, in their words; SQLite's own text goes to the log.
QString germanReason(int code, const char* sqliteText);

} // namespace moravel::connection
