#pragma once

#include <QString>

namespace moravel {

// The "in use" mark of the appointment database: an advisory lock on a small file beside it,
// which each program holds shared while it has the database open, and alone while it makes a new
// one. Compaction leaves the file alone while the other program has it open, as it always did;
// older planners, which compact by replacing the file, rely on that to never replace a file that
// is open here. (Compaction itself is safe under SQLite's own locks, so the mark only tells when
// to leave it for a later start.)
// The lock lives on a separate file because closing any descriptor of the database file itself
// would drop SQLite's own locks.
class InUseLock {
public:
    explicit InUseLock(const QString& databasePath);
    ~InUseLock();
    InUseLock(const InUseLock&) = delete;
    InUseLock& operator=(const InUseLock&) = delete;

    // Takes the mark shared. Never waits: false when someone holds it exclusively or the mark
    // file cannot be had.
    bool tryLock();
    // Takes the mark alone: no other program has the database open or is opening it. Never waits.
    // A later tryLock shares it again.
    bool tryLockAlone();
    // Whether the last attempt failed because someone else holds the lock, not for want of the lock file.
    bool isHeldElsewhere() const { return m_heldElsewhere; }

    // Whether another program holds the mark: it has the database open. Takes no lock.
    static bool heldByAnotherProgram(const QString& databasePath);
    // Whether another program holds the mark alone: it makes the database, or replaces it as it
    // compacts (an older planner). Takes no lock.
    static bool heldAloneElsewhere(const QString& databasePath);

    static QString sidecarPath(const QString& databasePath);

private:
    bool take(int operation);

    QString m_path;
    int m_fd = -1;
    bool m_heldElsewhere = false;
};

} // namespace moravel
