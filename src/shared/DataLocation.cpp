#include "DataLocation.h"

#include "UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace moravel::location {

QString programDirectory() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString dataDirectory() {
    const QString overridden = qEnvironmentVariable("MORAVEL_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(QDir(overridden).absolutePath());

    const QString program = programDirectory();
    const bool writable = ::access(QFile::encodeName(program).constData(), W_OK) == 0;
    // Below /usr the directory belongs to the system and is shared by every user: no data there,
    // not even when root runs the program.
    const bool system = program.startsWith(QLatin1String("/usr/"));
    if (!system && (writable || QFileInfo::exists(program + QLatin1Char('/') + kDatabaseFile)))
        return program;

    const QString fallback = folders::dataHome() + QStringLiteral("/BriskoMoravel");
    QDir().mkpath(fallback);
    return fallback;
}

QString databasePath() {
    return dataDirectory() + QLatin1Char('/') + kDatabaseFile;
}

} // namespace moravel::location
