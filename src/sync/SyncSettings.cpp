#include "SyncSettings.h"

#include "SettingsStore.h"

#include <QHostAddress>

namespace moravel::sync {

QUrl collectionUrl(const QString& typed) {
    QUrl url = QUrl::fromUserInput(typed.trimmed());
    if (url.isValid() && !url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

bool needsPlainHttpConfirmation(const QUrl& url) {
    if (url.scheme() != QLatin1String("http"))
        return false;
    const QString host = url.host();
    if (host == QLatin1String("localhost"))
        return false;
    const QHostAddress address(host);
    return address.isNull() || !address.isLoopback();
}

QString refusedAddress(const QUrl& url, bool plainHttpConfirmed) {
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("Es ist keine gültige Adresse eines Kalenders eingetragen.");
    if (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))
        return QStringLiteral("Die Adresse muss mit https:// beginnen.");
    if (needsPlainHttpConfirmation(url) && !plainHttpConfirmed)
        return QStringLiteral("Die Adresse %1 ist nicht verschlüsselt (http statt https). Das muss im Dialog "
                              "„Kalender abgleichen“ erst bestätigt werden.")
            .arg(url.toDisplayString());
    return QString();
}

SyncSettings storedSettings() {
    SyncSettings result;
    result.collection = collectionUrl(settings::read(kSection, kAddressKey));
    result.user = settings::read(kSection, kUserKey);
    result.plainHttpConfirmed = !result.collection.isEmpty() &&
                                settings::read(kSection, kPlainHttpKey) == result.collection.toString();
    return result;
}

bool isAutomatic() {
    return settings::read(kSection, kAutomaticKey, QStringLiteral("0")) == QLatin1String("1");
}

} // namespace moravel::sync
