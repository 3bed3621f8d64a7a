#include "TestEnvironment.h"

#include "Clock.h"
#include "NumberText.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace moravel::test {

TestEnvironment::TestEnvironment(const QDateTime& now) : m_clock(std::make_unique<ManualClock>(now)) {
    QDir(m_root.path()).mkpath(QStringLiteral("data"));
    QDir(m_root.path()).mkpath(QStringLiteral("config"));
    QDir(m_root.path()).mkpath(QStringLiteral("share"));
    qputenv("MORAVEL_DATA_DIR", dataDir().toUtf8());
    qputenv("XDG_CONFIG_HOME", configDir().toUtf8());
    qputenv("XDG_DATA_HOME", (m_root.path() + QStringLiteral("/share")).toUtf8());
    Clock::setInstance(m_clock.get());
    numtext::setDecimalSeparator(QLatin1Char(','));
}

TestEnvironment::~TestEnvironment() {
    Clock::setInstance(nullptr);
    numtext::setDecimalSeparator(QChar());
    qunsetenv("MORAVEL_DATA_DIR");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
}

QString TestEnvironment::dataDir() const {
    return m_root.path() + QStringLiteral("/data");
}
QString TestEnvironment::configDir() const {
    return m_root.path() + QStringLiteral("/config");
}
QString TestEnvironment::databasePath() const {
    return dataDir() + QStringLiteral("/dBTermin.mdb");
}
QString TestEnvironment::settingsPath() const {
    return configDir() + QStringLiteral("/BriskoMoravel/BriskoMoravel.ini");
}

QString joinedFields(const Appointment& row) {
    QStringList texts;
    for (const QString* field : row.textFields())
        texts << *field;
    return texts.join(QLatin1Char('|'));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace moravel::test
