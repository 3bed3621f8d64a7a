#include "DavServer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool waitUntilListening(QProcess& process, quint16 port, const QString& name, QString& error) {
    if (!process.waitForStarted(10000)) {
        error = name + QStringLiteral(" did not start: ") + process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200))
            return true;
        process.waitForFinished(100);
    }
    error = QStringLiteral("%1 does not answer on port %2").arg(name).arg(port);
    return false;
}

QStringList caldavClient(const QString& calendarUrl, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList all = {QStringLiteral(CALDAV_CLIENT), arguments.front(), calendarUrl, kDavUser, kDavPassword};
    all += arguments.mid(1);
    process.start(QStringLiteral("/usr/bin/python3"), all);
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString();
    QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}
