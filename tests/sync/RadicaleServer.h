#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A Radicale CalDAV server of its own on 127.0.0.1 with a fresh storage folder and htpasswd
// authentication (user "anna", password "geheim"); stopped and started again on the same port
// and storage. The independent client python3-caldav talks to it through caldav_client.py.
class RadicaleServer {
public:
    RadicaleServer();
    ~RadicaleServer();

    bool start();
    void stop();
    QString error() const { return m_error; }
    QString base() const;

    // Makes a calendar collection of this name; its address, ending with '/'.
    QString makeCalendar(const QString& name);
    // Runs the independent client with a command on a calendar; its standard output lines.
    QStringList client(const QString& calendarUrl, const QStringList& arguments);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
