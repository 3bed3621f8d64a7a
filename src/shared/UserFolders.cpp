#include "UserFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace moravel::folders {

namespace {

// Qt takes a relative value as it is; the base-folder rules say to ignore it.
QString home(const char* variable, QStandardPaths::StandardLocation location, const QString& belowHome) {
    const QString set = qEnvironmentVariable(variable);
    if (!set.isEmpty() && !QDir::isAbsolutePath(set))
        return QDir::homePath() + belowHome;
    return QStandardPaths::writableLocation(location);
}

} // namespace

QString configHome() {
    return home("XDG_CONFIG_HOME", QStandardPaths::GenericConfigLocation, QStringLiteral("/.config"));
}

QString dataHome() {
    return home("XDG_DATA_HOME", QStandardPaths::GenericDataLocation, QStringLiteral("/.local/share"));
}

QString runtimeDirectory() {
    // Qt checks owner, mode and that the folder is no link, and makes the fallback with mode 0700.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace moravel::folders
