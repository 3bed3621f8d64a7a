#include "Compaction.h"

#include "DataLocation.h"
#include "InUseLock.h"
#include "TerminStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moravel {

namespace {

QStringList copyFilesIn(const QString& directory) {
    QStringList found;
    const QStringList names = QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.compare(Compaction::kCopyFile, Qt::CaseInsensitive) == 0)
            found << directory + QLatin1Char('/') + name;
    }
    return found;
}

bool syncPath(const QString& path, bool directory) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          (directory ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

struct Connection {
    sqlite3* db = nullptr;
    explicit Connection(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            sqlite3_close(db);
            db = nullptr;
        }
    }
    ~Connection() { sqlite3_close(db); }

    // A single text or number result; empty on failure.
    QString scalar(const char* sql) const {
        sqlite3_stmt* statement = nullptr;
        QString value;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            value = QString::fromUtf8(text ? text : "");
        }
        sqlite3_finalize(statement);
        return value;
    }
};

bool vacuumInto(const Connection& source, const QString& target) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(source.db, "VACUUM INTO ?1", -1, &statement, nullptr) != SQLITE_OK)
        return false;
    const QByteArray path = QFile::encodeName(target);
    sqlite3_bind_text(statement, 1, path.constData(), path.size(), SQLITE_TRANSIENT);
    const bool ok = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return ok;
}

// A journal that a writer is using or that a crash left hot. SQLite ignores a journal whose first
// byte is zero, as a writer killed before its commit leaves it, and the next write replaces it;
// such a journal must not keep compaction from ever running again.
bool hasLiveJournal(const QString& database) {
    if (QFileInfo::exists(database + QStringLiteral("-wal")))
        return true;
    QFile journal(database + QStringLiteral("-journal"));
    if (!journal.exists())
        return false;
    char first = 0;
    return !journal.open(QIODevice::ReadOnly) || (journal.read(&first, 1) == 1 && first != 0);
}

} // namespace

Compaction::Result Compaction::DatenbankKomprimieren(const QString& directory, Need need, Step failAt) {
    const QString database = directory + QLatin1Char('/') + location::kDatabaseFile;
    const QString copy = directory + QLatin1Char('/') + kCopyFile;

    // Taken before anything is looked at: a program that opens the database waits for it, so
    // it never opens a file that is about to be replaced or restored.
    InUseLock lock(database);
    if (!lock.tryLock(InUseLock::Mode::Exclusive))
        return Result::InUse;

    // A copy beside a missing database is the only copy left by an interrupted compaction.
    const QStringList leftovers = copyFilesIn(directory);
    if (!QFileInfo::exists(database)) {
        if (leftovers.isEmpty())
            return Result::NoDatabase;
        return QFile::rename(leftovers.first(), database) ? Result::Restored : Result::Failed;
    }
    for (const QString& leftover : leftovers) {
        if (!QFile::remove(leftover))
            return Result::Failed;
    }

    qint64 rows = -1;
    {
        Connection source(database);
        // Opening and reading rolls back a journal that a crash left behind.
        if (!source.db || sqlite3_db_readonly(source.db, "main") != 0 || !hasAppointmentTable(source.db))
            return Result::Failed;
        if (need == Need::FreePages && source.scalar("PRAGMA freelist_count") == QStringLiteral("0"))
            return Result::NotNeeded;
        bool ok = false;
        rows = source.scalar("SELECT count(*) FROM tblTermin").toLongLong(&ok);
        if (!ok || failAt == Step::Copy || !vacuumInto(source, copy)) {
            QFile::remove(copy);
            return Result::Failed;
        }
    }

    bool checked = false;
    {
        Connection target(copy);
        checked = target.db && target.scalar("PRAGMA integrity_check") == QStringLiteral("ok") &&
                  target.scalar("SELECT count(*) FROM tblTermin").toLongLong() == rows;
    }
    if (!checked || failAt == Step::Check || !syncPath(copy, false) || hasLiveJournal(database) ||
        hasLiveJournal(copy) || failAt == Step::Rename) {
        QFile::remove(copy);
        return Result::Failed;
    }

    struct stat original {};
    if (::stat(QFile::encodeName(database).constData(), &original) == 0)
        ::chmod(QFile::encodeName(copy).constData(), original.st_mode & 07777);

    if (::rename(QFile::encodeName(copy).constData(), QFile::encodeName(database).constData()) != 0) {
        QFile::remove(copy);
        return Result::Failed;
    }
    syncPath(directory, true);
    return Result::Compacted;
}

} // namespace moravel
