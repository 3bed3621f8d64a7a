#include "InUseLock.h"

#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInUse, "moravel.inuse")

namespace moravel {

namespace {

// The mark file itself, never what a link in its place points to: a link must not make the
// programs create or lock a file outside the data directory. Read-only where the user may not
// write it (a database shared through a group), which is enough for the lock.
int openMark(const QByteArray& path) {
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | kFlags, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | kFlags);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// Whether someone else's hold of the mark refuses this lock; the lock is let go at once.
bool refusedElsewhere(const QString& databasePath, int operation) {
    const int fd = openMark(QFile::encodeName(InUseLock::sidecarPath(databasePath)));
    if (fd < 0)
        return false;
    const bool refused = ::flock(fd, operation | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return refused;
}

} // namespace

InUseLock::InUseLock(const QString& databasePath) : m_path(sidecarPath(databasePath)) {}

InUseLock::~InUseLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

QString InUseLock::sidecarPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".inuse");
}

bool InUseLock::heldByAnotherProgram(const QString& databasePath) {
    return refusedElsewhere(databasePath, LOCK_EX);
}

bool InUseLock::heldAloneElsewhere(const QString& databasePath) {
    // A shared lock is refused only while someone holds the mark alone.
    return refusedElsewhere(databasePath, LOCK_SH);
}

bool InUseLock::tryLock() {
    return take(LOCK_SH);
}

bool InUseLock::tryLockAlone() {
    return take(LOCK_EX);
}

bool InUseLock::take(int operation) {
    m_heldElsewhere = false;
    if (m_fd < 0) {
        m_fd = openMark(QFile::encodeName(m_path));
        if (m_fd < 0) {
            qCWarning(lcInUse, "No in-use mark %s: %s", qUtf8Printable(m_path), std::strerror(errno));
            return false;
        }
    }
    if (::flock(m_fd, operation | LOCK_NB) == 0)
        return true;
    m_heldElsewhere = errno == EWOULDBLOCK;
    return false;
}

} // namespace moravel
