// Compaction's part of the store: the file's free pages, its rewrite in place, and the check of a
// file that may take the database's place.
#include "TerminStore.h"

#include "SqlStatement.h"
#include "TerminStoreConnection.h"

#include <sqlite3.h>

namespace moravel {

std::optional<qint64> TerminStore::freePages() const {
    sql::Statement statement(m_db, "PRAGMA freelist_count");
    if (!statement.ok() || statement.step() != SQLITE_ROW) {
        failed("Counting the free pages");
        return std::nullopt;
    }
    return statement.integer(0);
}

TerminStore::VacuumResult TerminStore::vacuum() {
    if (!mayWrite("Compacting"))
        return VacuumResult::Failed;
    // SQLite copies what it can read. Rows behind a damaged page, which a scan does not reach,
    // would be gone for good from the rewritten file; left as it is, a repair may still find them.
    {
        sql::Statement check(m_db, "PRAGMA quick_check");
        const int rc = check.ok() ? check.step() : sql::errorCode(m_db);
        if (sql::isBusy(rc)) {
            failed("Checking before compaction");
            return VacuumResult::Busy;
        }
        if (rc != SQLITE_ROW) {
            failed("Checking before compaction");
            return VacuumResult::Damaged;
        }
        if (check.text(0) != QLatin1String("ok")) {
            qCWarning(lcStore, "Not compacting %s, it fails the check: %s", qUtf8Printable(m_path),
                      qUtf8Printable(check.text(0)));
            return VacuumResult::Damaged;
        }
    }
    // The kept insert is reset after each use, so no statement of ours is running.
    if (sql::execute(m_db, "VACUUM"))
        return VacuumResult::Done;
    failed("Compacting");
    return sql::isBusy(sql::errorCode(m_db)) ? VacuumResult::Busy : VacuumResult::Failed;
}

TerminStore::FileCheck TerminStore::checkFile(const QString& path) {
    sqlite3* db = connection::open(path, SQLITE_OPEN_READONLY, 0);
    if (!db)
        return FileCheck::NotSqlite;
    FileCheck verdict = FileCheck::NotSqlite;
    {
        sql::Statement check(db, "PRAGMA integrity_check");
        if (check.ok() && check.step() == SQLITE_ROW) {
            if (check.text(0) != QLatin1String("ok"))
                verdict = FileCheck::Damaged;
            else
                verdict = connection::hasAppointmentTable(db) ? FileCheck::Sound : FileCheck::NoTable;
        } else if (sql::errorCode(db) != SQLITE_NOTADB) {
            verdict = FileCheck::Damaged;
        }
        if (verdict != FileCheck::Sound)
            qCWarning(lcStore, "Checking %s: %s", qUtf8Printable(path), sql::errorText(db));
    }
    sqlite3_close(db);
    return verdict;
}

} // namespace moravel
