// The store's chain UIDs: tblTerminUID beside tblTermin.
#include "TerminStore.h"

#include "SqlStatement.h"
#include "TerminStoreSchema.h"

#include <QUuid>

#include <map>

#include <sqlite3.h>

namespace moravel {

namespace {

// A file whose side tables could not be made when it was opened has no UIDs yet.
bool lacksUidTable(sqlite3* db) {
    return sqlite3_table_column_metadata(db, "main", "tblTerminUID", "UID", nullptr, nullptr, nullptr,
                                         nullptr, nullptr) != SQLITE_OK;
}

} // namespace

QString TerminStore::newChainUid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@moravel");
}

bool TerminStore::rowsWithUids(std::vector<UidRow>& rows) const {
    rows.clear();
    std::map<qint64, QString> uids;
    if (!lacksUidTable(m_db)) {
        sql::Statement statement(m_db, "SELECT ID, UID FROM tblTerminUID");
        if (!statement.ok())
            return failed("Preparing a read of the UIDs");
        int rc;
        while ((rc = statement.step()) == SQLITE_ROW)
            uids.emplace(statement.integer(0), statement.text(1));
        if (rc != SQLITE_DONE)
            return failed("Reading the UIDs");
    }
    // Day 0 is no day of the sort key's index: every row, in the main list's order.
    return mainListFrom(
        0, [](const RowKey&) { return true; },
        [&rows, &uids](const Appointment& row) {
            const auto uid = uids.find(row.ID);
            rows.push_back({row, uid == uids.end() ? QString() : uid->second});
        });
}

bool TerminStore::readChainUid(qint64 id, QString& uid) const {
    uid.clear();
    if (lacksUidTable(m_db))
        return true;
    sql::Statement statement(m_db, "SELECT UID FROM tblTerminUID WHERE ID = ?1");
    if (!statement.ok())
        return failed("Preparing a read of a UID");
    statement.bind(1, id);
    const int rc = statement.step();
    if (rc == SQLITE_ROW)
        uid = statement.text(0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE || failed("Reading a UID");
}

bool TerminStore::setChainUid(qint64 id, const QString& uid) {
    if (!mayWrite("Setting a UID"))
        return false;
    // Kept: a renewal gives each of thousands of rows its chain's UID.
    if (!m_setUid) {
        if (!haveSideTables("Making the UID table"))
            return false;
        auto statement = std::make_unique<sql::Statement>(
            m_db, "INSERT OR REPLACE INTO tblTerminUID (ID, UID) VALUES (?1, ?2)",
            sql::Statement::Lifetime::Kept);
        if (!statement->ok())
            return failed("Preparing to set a UID");
        m_setUid = std::move(statement);
    }
    m_setUid->bind(1, id);
    m_setUid->bind(2, uid);
    const bool done = m_setUid->step() == SQLITE_DONE;
    if (!done)
        failed("Setting a UID");
    m_setUid->reset();
    return done;
}

bool TerminStore::haveSideTables(const char* what) {
    return !lacksUidTable(m_db) || execute(schema::kSideTables, what);
}

bool TerminStore::changeUid(const char* sql, qint64 first, std::optional<qint64> second, const char* what) {
    if (lacksUidTable(m_db))
        return true;
    sql::Statement statement(m_db, sql);
    if (!statement.ok())
        return failed(what);
    statement.bind(1, first);
    if (second)
        statement.bind(2, *second);
    return statement.run() || failed(what);
}

} // namespace moravel
