#include "RadicaleServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {
const QString kUser = QStringLiteral("anna");
const QString kPassword = QStringLiteral("geheim");
} // namespace

RadicaleServer::RadicaleServer() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    m_port = probe.serverPort();
    probe.close();
    QFile users(m_dir.filePath("users"));
    users.open(QIODevice::WriteOnly);
    users.write((kUser + ':' + kPassword + '\n').toUtf8());
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
    return QStringLiteral("http://127.0.0.1:%1/%2/").arg(m_port).arg(kUser);
}

bool RadicaleServer::start() {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("radicale"), QStringLiteral("--config"),
                     m_dir.filePath("config")});
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("radicale did not start: ") + m_process.errorString();
        return false;
    }
    // Ready once it accepts a connection.
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(200))
            return true;
        m_process.waitForFinished(100);
    }
    m_error = QStringLiteral("radicale does not answer on port %1").arg(m_port);
    return false;
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

QStringList RadicaleServer::client(const QString& calendarUrl, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList all = {QStringLiteral(CALDAV_CLIENT), arguments.front(), calendarUrl, kUser, kPassword};
    all += arguments.mid(1);
    process.start(QStringLiteral("/usr/bin/python3"), all);
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString();
    QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}
