#include "SingleInstance.h"

#include "UserFolders.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "moravel.instance")

namespace moravel::ui {

namespace {

// The socket of the instance of this name; empty without a runtime folder of the user's own.
QString socketPathOf(const QString& directory, const QString& name) {
    return directory.isEmpty() ? QString() : directory + QLatin1Char('/') + name + QStringLiteral(".sock");
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent) {
    const QString dir = moravel::folders::runtimeDirectory();
    if (dir.isEmpty()) {
        qCWarning(lcInstance, "No runtime folder of the user's own; starting without the one-instance check");
        return;
    }
    m_lockPath = dir + QLatin1Char('/') + name + QStringLiteral(".lock");
    m_socketPath = socketPathOf(dir, name);

    // Only another instance holding the lock makes this one the second. A lock that cannot be had
    // for any other reason (a folder or a link in its place, a file of another user) must not keep
    // the user from the program: it then starts without the check.
    const int fd = ::open(QFile::encodeName(m_lockPath).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        qCWarning(lcInstance, "The lock %s cannot be used (%s); starting without the one-instance check",
                  qUtf8Printable(m_lockPath), fd < 0 ? std::strerror(errno) : "not a file of the user's own");
        if (fd >= 0)
            ::close(fd);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_otherRunning = errno == EWOULDBLOCK;
        if (!m_otherRunning)
            qCWarning(lcInstance, "Locking %s failed: %s", qUtf8Printable(m_lockPath), std::strerror(errno));
        ::close(fd);
        return;
    }
    m_lockFd = fd;
    // Only the lock holder listens, so removing a stale socket of a crashed instance is safe.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_socketPath)) {
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = m_server->nextPendingConnection()) {
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                Q_EMIT activationRequested();
            }
        });
    } else {
        qCWarning(lcInstance, "Listening on %s failed: %s", qUtf8Printable(m_socketPath),
                  qUtf8Printable(m_server->errorString()));
    }
}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool SingleInstance::notifyPrimary() const {
    return notify(m_socketPath);
}

bool SingleInstance::notifyRunning(const QString& name) {
    return notify(socketPathOf(moravel::folders::runtimeDirectory(), name));
}

bool SingleInstance::notify(const QString& socketPath) {
    if (socketPath.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write("raise\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

} // namespace moravel::ui
