#pragma once

#include <QString>

class QProcess;

inline const QString kDavUser = QStringLiteral("anna");
inline const QString kDavPassword = QStringLiteral("geheim");

// A CalDAV server of a test's own on 127.0.0.1 with a fresh storage folder, on a port picked
// free; stopped and started again on the same port and storage. Clients log in as "anna" with
// the password "geheim".
class DavServer {
public:
    virtual ~DavServer() = default;
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual QString error() const = 0;
    // Makes a calendar collection of this name; its address, ending with '/'.
    virtual QString makeCalendar(const QString& name) = 0;
};

// The independent client python3-caldav on a calendar (caldav_client.py); its output lines, sorted.
QStringList caldavClient(const QString& calendarUrl, const QStringList& arguments);

// A port on 127.0.0.1 that nothing listens on now.
quint16 freePort();
// Whether the started process came to accept connections on the port; why not in `error`.
bool waitUntilListening(QProcess& process, quint16 port, const QString& name, QString& error);
