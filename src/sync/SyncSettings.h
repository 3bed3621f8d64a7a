#pragma once

#include <QString>
#include <QUrl>

namespace moravel::sync {

// Section "Abgleich" of the settings file. The password is never kept here.
inline const QString kSection = QStringLiteral("Abgleich");
inline const QString kAddressKey = QStringLiteral("Adresse");
inline const QString kUserKey = QStringLiteral("Benutzer");
inline const QString kAutomaticKey = QStringLiteral("Automatisch");
inline const QString kLastSyncKey = QStringLiteral("LetzterAbgleich");
// The address for which the user accepted a connection without encryption.
inline const QString kPlainHttpKey = QStringLiteral("UnverschluesseltErlaubtFuer");

struct SyncSettings {
    QUrl collection; // ends with '/'
    QString user;
    QString password;
    bool plainHttpConfirmed = false;
    int timeoutMs = 30000;
};

// The collection's address as typed, with the '/' a collection ends with.
QUrl collectionUrl(const QString& typed);

// Whether the connection would be unencrypted to another machine: http to an address that is no
// loopback address.
bool needsPlainHttpConfirmation(const QUrl& url);

// Why no request may go to this address, in German; empty when it may.
QString refusedAddress(const QUrl& url, bool plainHttpConfirmed);

// The settings as stored; the password is left to the caller.
SyncSettings storedSettings();
bool isAutomatic();

} // namespace moravel::sync
