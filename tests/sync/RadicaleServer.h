#pragma once

#include "DavServer.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Radicale with htpasswd authentication.
class RadicaleServer : public DavServer {
public:
    RadicaleServer();
    ~RadicaleServer() override;

    bool start() override;
    void stop() override;
    QString error() const override { return m_error; }
    QString base() const;
    QString makeCalendar(const QString& name) override;
    QStringList client(const QString& calendarUrl, const QStringList& arguments) {
        return caldavClient(calendarUrl, arguments);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
