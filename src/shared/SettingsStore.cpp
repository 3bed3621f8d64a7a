#include "SettingsStore.h"

#include "UserFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace moravel::settings {

namespace {

QString findCaseInsensitive(const QStringList& names, const QString& wanted) {
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return QString();
}

// The stored spelling of section and key, or empty texts when the entry does not exist.
struct Address {
    QString section;
    QString key;
};

Address storedAddress(QSettings& store, const QString& section, const QString& key) {
    Address address;
    address.section = findCaseInsensitive(store.childGroups(), section);
    if (address.section.isEmpty())
        return address;
    store.beginGroup(address.section);
    address.key = findCaseInsensitive(store.childKeys(), key);
    store.endGroup();
    return address;
}

} // namespace

QString filePath() {
    return folders::configHome() + QStringLiteral("/BriskoMoravel/BriskoMoravel.ini");
}

QString read(const QString& section, const QString& key, const QString& defaultValue) {
    const QString path = filePath();
    if (!QFileInfo(path).isFile())
        return defaultValue;
    QSettings store(path, QSettings::IniFormat);
    if (store.status() != QSettings::NoError)
        return defaultValue;
    const Address address = storedAddress(store, section, key);
    if (address.key.isEmpty())
        return defaultValue;
    const QVariant value = store.value(address.section + QLatin1Char('/') + address.key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool write(const QString& section, const QString& key, const QString& value) {
    const QString path = filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings store(path, QSettings::IniFormat);
    if (store.status() == QSettings::AccessError)
        return false;
    Address address = storedAddress(store, section, key);
    if (address.section.isEmpty())
        address.section = section;
    if (address.key.isEmpty())
        address.key = key;
    store.setValue(address.section + QLatin1Char('/') + address.key, value);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace moravel::settings
