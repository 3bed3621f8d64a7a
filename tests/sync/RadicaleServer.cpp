#include "RadicaleServer.h"

#include <QFile>

RadicaleServer::RadicaleServer() {
    m_port = freePort();
    QFile users(m_dir.filePath("users"));
    users.open(QIODevice::WriteOnly);
    users.write((kDavUser + ':' + kDavPassword + '\n').toUtf8());
    users.close();
    QFile config(m_dir.filePath("config"));
    config.open(QIODevice::WriteOnly);
    config.write(
        QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n"
                       "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\nhtpasswd_encryption = plain\n"
                       "[storage]\nfilesystem_folder = %3\n"
                       "[rights]\ntype = owner_only\n"
                       "[logging]\nlevel = warning\n")
            .arg(m_port)
            .arg(m_dir.filePath("users"), m_dir.filePath("storage"))
            .toUtf8());
}

RadicaleServer::~RadicaleServer() {
    stop();
}

QString RadicaleServer::base() const {
    return QStringLiteral("http://127.0.0.1:%1/%2/").arg(m_port).arg(kDavUser);
}

bool RadicaleServer::start() {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("radicale"), QStringLiteral("--config"),
                     m_dir.filePath("config")});
    return waitUntilListening(m_process, m_port, QStringLiteral("radicale"), m_error);
}

void RadicaleServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10000);
}

QString RadicaleServer::makeCalendar(const QString& name) {
    const QString url = base() + name + QLatin1Char('/');
    client(url, {QStringLiteral("mkcal")});
    return url;
}
