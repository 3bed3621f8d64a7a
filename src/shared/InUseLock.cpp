#include "InUseLock.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace moravel {

InUseLock::InUseLock(const QString& databasePath) : m_path(sidecarPath(databasePath)) {}

InUseLock::~InUseLock() {
    unlock();
    if (m_fd >= 0)
        ::close(m_fd);
}

QString InUseLock::sidecarPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".inuse");
}

bool InUseLock::tryLock(Mode mode) {
    m_heldElsewhere = false;
    if (m_fd < 0) {
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0)
            m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            return false;
    }
    const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    m_locked = ::flock(m_fd, operation) == 0;
    m_heldElsewhere = !m_locked && errno == EWOULDBLOCK;
    return m_locked;
}

void InUseLock::unlock() {
    if (m_fd >= 0 && m_locked)
        ::flock(m_fd, LOCK_UN);
    m_locked = false;
}

} // namespace moravel
