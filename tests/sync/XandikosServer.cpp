#include "XandikosServer.h"

XandikosServer::XandikosServer() : m_port(freePort()) {}

XandikosServer::~XandikosServer() {
    stop();
}

bool XandikosServer::start() {
    // It logs every request.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("/usr/bin/xandikos"),
                    {QStringLiteral("--directory"), m_dir.path(), QStringLiteral("--defaults"),
                     QStringLiteral("--listen-address"), QStringLiteral("127.0.0.1"),
                     QStringLiteral("--port"), QString::number(m_port)});
    return waitUntilListening(m_process, m_port, QStringLiteral("xandikos"), m_error);
}

void XandikosServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10000);
}

QString XandikosServer::makeCalendar(const QString& name) {
    const QString url = QStringLiteral("http://127.0.0.1:%1/user/calendars/%2/").arg(m_port).arg(name);
    caldavClient(url, {QStringLiteral("mkcal")});
    return url;
}
