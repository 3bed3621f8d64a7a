#include "Compaction.h"

#include "DataLocation.h"
#include "InUseLock.h"
#include "TerminStore.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCompaction, "moravel.compaction")

namespace moravel {

namespace {

QStringList copyFilesIn(const QString& directory) {
    QStringList found;
    const QStringList names =
        QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.compare(Compaction::kCopyFile, Qt::CaseInsensitive) == 0)
            found << directory + QLatin1Char('/') + name;
    }
    return found;
}

std::optional<struct stat> linkStatus(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

// Why a copy may not take the database's place, in German; empty when it may: a file of the
// user's own, not a link, that SQLite opens, that passes its integrity check and holds tblTermin.
QString copyProblem(const QString& copy) {
    const std::optional<struct stat> before = linkStatus(copy);
    if (!before)
        return QStringLiteral("sie sich nicht lesen lässt");
    if (S_ISLNK(before->st_mode))
        return QStringLiteral("sie nur eine Verknüpfung auf eine andere Datei ist");
    if (!S_ISREG(before->st_mode))
        return QStringLiteral("sie keine gewöhnliche Datei ist");
    if (before->st_uid != ::geteuid())
        return QStringLiteral("sie einem anderen Benutzer gehört");
    switch (TerminStore::checkFile(copy)) {
    case TerminStore::FileCheck::NotSqlite:
        return QStringLiteral("sie keine Datenbank ist");
    case TerminStore::FileCheck::Damaged:
        return QStringLiteral("sie beschädigt ist");
    case TerminStore::FileCheck::NoTable:
        return QStringLiteral("sie keine Termine enthält");
    case TerminStore::FileCheck::Sound:
        break;
    }
    const std::optional<struct stat> after = linkStatus(copy);
    if (!after || after->st_dev != before->st_dev || after->st_ino != before->st_ino)
        return QStringLiteral("sie während der Prüfung ersetzt wurde");
    return QString();
}

// Gives the copy the database's name, but only while that name is free: a database another
// program made meanwhile is never replaced.
bool renameIntoFreeName(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    // File systems without that kind of rename: a second link fails as well when the name is taken.
    if (errno != EINVAL || ::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
}

Compaction::Result restoreCopy(const QString& directory, const QString& database, QString& reason) {
    const QStringList copies = copyFilesIn(directory);
    if (copies.isEmpty())
        return Compaction::Result::NoDatabase;
    QString problem;
    for (const QString& copy : copies) {
        problem = copyProblem(copy);
        if (problem.isEmpty() && !renameIntoFreeName(copy, database)) {
            qCWarning(lcCompaction, "Renaming %s failed: %s", qUtf8Printable(copy), std::strerror(errno));
            problem = QStringLiteral("sie sich nicht umbenennen ließ");
        }
        if (problem.isEmpty()) {
            qCInfo(lcCompaction, "The missing database was restored from %s", qUtf8Printable(copy));
            return Compaction::Result::Restored;
        }
        qCWarning(lcCompaction, "%s is left alone: %s", qUtf8Printable(copy), qUtf8Printable(problem));
    }
    reason = QStringLiteral("Die Termindatenbank %1 fehlt. Die Kopie %2 einer früheren Version wurde nicht "
                            "übernommen, weil %3. Sie bleibt unverändert liegen.")
                 .arg(location::kDatabaseFile, Compaction::kCopyFile, problem);
    return Compaction::Result::CopyKept;
}

} // namespace

Compaction::Result Compaction::restoreMissing(const QString& directory, QString* reason) {
    QString ignored;
    QString& why = reason ? *reason : ignored;
    why.clear();
    const QString database = directory + QLatin1Char('/') + location::kDatabaseFile;
    return linkStatus(database) ? Result::NotNeeded : restoreCopy(directory, database, why);
}

Compaction::Result Compaction::DatenbankKomprimieren(const QString& directory, Need need, QString* reason) {
    const QString database = directory + QLatin1Char('/') + location::kDatabaseFile;
    if (const Result restored = restoreMissing(directory, reason); restored != Result::NotNeeded)
        return restored;
    if (InUseLock::heldByAnotherProgram(database)) {
        qCInfo(lcCompaction, "%s is open in another program: compaction waits for a later start",
               qUtf8Printable(database));
        return Result::InUse;
    }

    TerminStore::OpenResult opened = TerminStore::OpenResult::Unusable;
    const std::unique_ptr<TerminStore> store = TerminStore::open(database, &opened, nullptr, kBusyTimeoutMs);
    if (opened == TerminStore::OpenResult::Locked) {
        qCInfo(lcCompaction, "Another program is writing %s: compaction waits for the next start",
               qUtf8Printable(database));
        return Result::InUse;
    }
    if (!store || opened != TerminStore::OpenResult::Opened) {
        qCInfo(lcCompaction, "Not compacting %s: it is no appointment database that may be written",
               qUtf8Printable(database));
        return Result::Failed;
    }
    if (need == Need::FreePages) {
        const std::optional<qint64> pages = store->freePages();
        if (!pages)
            return Result::Failed;
        if (*pages == 0)
            return Result::NotNeeded;
    }
    switch (store->vacuum()) {
    case TerminStore::VacuumResult::Done:
        qCInfo(lcCompaction, "Compacted %s", qUtf8Printable(database));
        return Result::Compacted;
    case TerminStore::VacuumResult::Busy:
        qCInfo(lcCompaction, "Another program is writing %s: compaction waits for the next start",
               qUtf8Printable(database));
        return Result::InUse;
    case TerminStore::VacuumResult::Damaged:
    case TerminStore::VacuumResult::Failed:
        break;
    }
    return Result::Failed;
}

} // namespace moravel
