#pragma once

#include <QString>

// Where both programs keep the appointment database.
namespace moravel::location {

inline const QString kDatabaseFile = QStringLiteral("dBTermin.mdb");

// The directory of the running executable, without a trailing separator.
QString programDirectory();

// MORAVEL_DATA_DIR when set; otherwise the program directory, unless that directory lies
// below /usr or is not writable and holds no database, then $XDG_DATA_HOME/BriskoMoravel.
// Both programs apply the same rule, so they meet in one file.
QString dataDirectory();

QString databasePath();

} // namespace moravel::location
