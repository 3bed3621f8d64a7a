#pragma once

#include <QString>

namespace moravel {

// The "in use" mark of the appointment database: an advisory lock on a small file beside it.
// Each program holds it shared while it has the database open; compaction needs it exclusively.
// The lock lives on a separate file because closing any descriptor of the database file itself
// would drop SQLite's own locks.
class InUseLock {
public:
    enum class Mode { Shared, Exclusive };

    explicit InUseLock(const QString& databasePath);
    ~InUseLock();
    InUseLock(const InUseLock&) = delete;
    InUseLock& operator=(const InUseLock&) = delete;

    // Never waits: false when the lock is held by someone else in a conflicting mode.
    bool tryLock(Mode mode);
    void unlock();
    bool isLocked() const { return m_locked; }
    // Whether the last tryLock failed because someone else holds the lock, not for want of the lock file.
    bool isHeldElsewhere() const { return m_heldElsewhere; }

    static QString sidecarPath(const QString& databasePath);

private:
    QString m_path;
    int m_fd = -1;
    bool m_locked = false;
    bool m_heldElsewhere = false;
};

} // namespace moravel
