#pragma once

#include "DavServer.h"

#include <QProcess>
#include <QTemporaryDir>

// Xandikos, which keeps each calendar in a git repository and asks for no login.
class XandikosServer : public DavServer {
public:
    XandikosServer();
    ~XandikosServer() override;

    bool start() override;
    void stop() override;
    QString error() const override { return m_error; }
    QString makeCalendar(const QString& name) override;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
