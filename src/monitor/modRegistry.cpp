#include "modRegistry.h"

#include "UserFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace moravel::monitor::modRegistry {

namespace {

QString autostartDirectory() {
    return folders::configHome() + QStringLiteral("/autostart");
}

// Characters that make the desktop-entry rules demand a quoted argument.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

} // namespace

QString eintragPfad(const QString& name) {
    return autostartDirectory() + QLatin1Char('/') + name + QStringLiteral(".desktop");
}

QString execArgument(const QString& programm) {
    QString argument = programm;
    const bool quote =
        std::any_of(programm.begin(), programm.end(), [](QChar c) { return kReserved.contains(c); });
    if (quote) {
        QString quoted;
        for (const QChar c : programm) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The Exec value is a string value as well: its backslashes are escaped once more, and a
    // percent sign would start a field code.
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    argument.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return argument;
}

void EintragLoeschen(const QString& name) {
    QFile::remove(eintragPfad(name));
}

void EintragSetzen(const QString& name, const QString& programm) {
    const QString path = eintragPfad(name);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Brisko Wardolin\n"
                                         "Comment=Erinnert im Infobereich an fällige Termine\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n")
                              .arg(execArgument(programm));
    file.write(entry.toUtf8());
    file.commit();
}

bool eintragVorhanden(const QString& name) {
    return QFileInfo(eintragPfad(name)).isFile();
}

} // namespace moravel::monitor::modRegistry
