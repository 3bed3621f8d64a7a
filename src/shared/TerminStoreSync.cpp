// The store's record of the last sync with a calendar server.
#include "TerminStore.h"

#include "SqlStatement.h"
#include "TerminStoreSchema.h"

#include <sqlite3.h>

namespace moravel {

namespace {

// A file from before the foreign components that was opened where its side tables could not be
// made; the UID table comes before this one in their statement.
bool lacksForeignTable(sqlite3* db) {
    return sqlite3_table_column_metadata(db, "main", "tblTerminFremd", "UID", nullptr, nullptr, nullptr,
                                         nullptr, nullptr) != SQLITE_OK;
}

} // namespace

bool TerminStore::syncRecords(std::vector<SyncRecord>& records) const {
    records.clear();
    sql::Statement statement(m_db, "SELECT UID, Href, ETag, Inhalt, Anker FROM tblTerminAbgleich");
    if (!statement.ok()) {
        // A file that has never been synced may lack the table.
        if (sqlite3_table_column_metadata(m_db, "main", "tblTerminAbgleich", "UID", nullptr, nullptr, nullptr,
                                          nullptr, nullptr) != SQLITE_OK)
            return true;
        return failed("Preparing a read of the sync state");
    }
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW)
        records.push_back({statement.text(0), statement.text(1), statement.text(2), statement.text(3),
                           statement.integer(4)});
    return rc == SQLITE_DONE || failed("Reading the sync state");
}

bool TerminStore::putSyncRecord(const SyncRecord& record) {
    if (!mayWrite("Keeping a sync record") || !haveSideTables("Making the sync tables"))
        return false;
    sql::Statement statement(m_db, "INSERT OR REPLACE INTO tblTerminAbgleich (UID, Href, ETag, Inhalt, "
                                   "Anker) VALUES (?1, ?2, ?3, ?4, ?5)");
    if (!statement.ok())
        return failed("Preparing to keep a sync record");
    statement.bind(1, record.uid);
    statement.bind(2, record.href);
    statement.bind(3, record.etag);
    statement.bind(4, record.content);
    statement.bind(5, record.anchor);
    return statement.run() || failed("Keeping a sync record");
}

bool TerminStore::dropSyncRecord(const QString& uid) {
    if (!mayWrite("Dropping a sync record") || !haveSideTables("Making the sync tables"))
        return false;
    sql::Statement statement(m_db, "DELETE FROM tblTerminAbgleich WHERE UID = ?1");
    if (statement.ok())
        statement.bind(1, uid);
    return (statement.ok() && statement.run()) || failed("Dropping a sync record");
}

bool TerminStore::syncValue(const QString& key, QString& value) const {
    value.clear();
    sql::Statement statement(m_db, "SELECT Wert FROM tblTerminAbgleichStand WHERE Schluessel = ?1");
    if (!statement.ok())
        return sqlite3_table_column_metadata(m_db, "main", "tblTerminAbgleichStand", "Wert", nullptr, nullptr,
                                             nullptr, nullptr, nullptr) != SQLITE_OK ||
               failed("Preparing a read of a sync value");
    statement.bind(1, key);
    const int rc = statement.step();
    if (rc == SQLITE_ROW)
        value = statement.text(0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE || failed("Reading a sync value");
}

bool TerminStore::setSyncValue(const QString& key, const QString& value) {
    if (!mayWrite("Keeping a sync value") || !haveSideTables("Making the sync tables"))
        return false;
    sql::Statement statement(
        m_db, "INSERT OR REPLACE INTO tblTerminAbgleichStand (Schluessel, Wert) VALUES (?1, ?2)");
    if (statement.ok()) {
        statement.bind(1, key);
        statement.bind(2, value);
    }
    return (statement.ok() && statement.run()) || failed("Keeping a sync value");
}

bool TerminStore::clearSyncState() {
    if (!mayWrite("Forgetting the sync state") || !haveSideTables("Making the sync tables"))
        return false;
    WriteTransaction transaction(*this);
    return transaction.isOpen() && execute("DELETE FROM tblTerminAbgleich", "Forgetting the sync records") &&
           execute("DELETE FROM tblTerminAbgleichStand", "Forgetting the sync values") &&
           transaction.commit();
}

bool TerminStore::foreignComponents(std::vector<ForeignComponent>& components) const {
    components.clear();
    if (lacksForeignTable(m_db))
        return true;
    sql::Statement statement(m_db, "SELECT UID, Komponente, Anker, Einmalig FROM tblTerminFremd");
    if (!statement.ok())
        return failed("Preparing a read of the foreign components");
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW)
        components.push_back(
            {statement.text(0), statement.text(1).toUtf8(), statement.integer(2), statement.integer(3) != 0});
    return rc == SQLITE_DONE || failed("Reading the foreign components");
}

bool TerminStore::putForeignComponent(const ForeignComponent& component) {
    if (!mayWrite("Keeping a foreign component"))
        return false;
    if (lacksForeignTable(m_db) && !execute(schema::kSideTables, "Making the table of foreign components"))
        return false;
    sql::Statement statement(m_db, "INSERT OR REPLACE INTO tblTerminFremd (UID, Komponente, Anker, Einmalig)"
                                   " VALUES (?1, ?2, ?3, ?4)");
    if (!statement.ok())
        return failed("Preparing to keep a foreign component");
    statement.bind(1, component.uid);
    statement.bind(2, QString::fromUtf8(component.text));
    statement.bind(3, component.anchor);
    statement.bind(4, qint64(component.ruleKept ? 1 : 0));
    return statement.run() || failed("Keeping a foreign component");
}

bool TerminStore::dropForeignComponent(const QString& uid) {
    if (lacksForeignTable(m_db))
        return true;
    if (!mayWrite("Dropping a foreign component"))
        return false;
    sql::Statement statement(m_db, "DELETE FROM tblTerminFremd WHERE UID = ?1");
    if (statement.ok())
        statement.bind(1, uid);
    return (statement.ok() && statement.run()) || failed("Dropping a foreign component");
}

bool TerminStore::rowsWithKeptRule(std::vector<qint64>& ids) const {
    ids.clear();
    if (lacksForeignTable(m_db))
        return true;
    sql::Statement statement(m_db, "SELECT u.ID FROM tblTerminUID u JOIN tblTerminFremd f ON f.UID = u.UID"
                                   " WHERE f.Einmalig = 1");
    if (!statement.ok())
        return failed("Preparing a read of the rows taken as one-offs");
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW)
        ids.push_back(statement.integer(0));
    return rc == SQLITE_DONE || failed("Reading the rows taken as one-offs");
}

} // namespace moravel
