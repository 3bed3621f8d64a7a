#include "TerminStore.h"

#include "SqlStatement.h"
#include "TerminStoreConnection.h"
#include "TerminStoreSchema.h"
#include "WildcardPattern.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>
#include <sys/stat.h>

#include <map>

namespace moravel {

namespace {

std::optional<std::pair<quint64, quint64>> fileIdentity(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return std::pair<quint64, quint64>(info.st_dev, info.st_ino);
}

// How often opening looks again whether an older planner's compaction has ended.
constexpr int kLockPollMs = 10;

// SQL function wildcard_match(pattern, text): the subject search with '*' and '?'.
void wildcardMatch(sqlite3_context* context, int, sqlite3_value** values) {
    auto* pattern = static_cast<WildcardPattern*>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
        pattern = new WildcardPattern(QString::fromUtf8(text ? text : "", sqlite3_value_bytes(values[0])));
        sqlite3_set_auxdata(context, 0, pattern, [](void* p) { delete static_cast<WildcardPattern*>(p); });
        pattern = static_cast<WildcardPattern*>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    const auto* subject = reinterpret_cast<const char*>(sqlite3_value_text(values[1]));
    const QString text = QString::fromUtf8(subject ? subject : "", sqlite3_value_bytes(values[1]));
    sqlite3_result_int(context, pattern->matches(text) ? 1 : 0);
}

// The statements that bring the file's indexes to what the schema says; empty when they are.
std::string indexChanges(sqlite3* db) {
    std::map<QString, QString> present;
    sql::Statement statement(db, "SELECT name, sql FROM sqlite_master WHERE type = 'index'");
    while (statement.ok() && statement.step() == SQLITE_ROW)
        present[statement.text(0)] = statement.text(1);
    std::string changes;
    for (const schema::Index& index : schema::kIndexes) {
        const auto found = present.find(QString::fromLatin1(index.name));
        if (found != present.end() && found->second == QString::fromStdString(index.definition))
            continue;
        if (found != present.end())
            changes += std::string("DROP INDEX ") + index.name + ";";
        changes += index.definition + ";";
    }
    return changes;
}

// Gives the file the passes' indexes. A file that cannot take them now (the other program
// writes for longer than the busy timeout, the disk is full) works all the same; its passes
// then read the whole table.
void makeIndexes(sqlite3* db, const QString& path) {
    if (indexChanges(db).empty())
        return;
    if (sql::execute(db, "BEGIN IMMEDIATE")) {
        // Looked at again under the write lock: the other program may have made them meanwhile.
        const std::string changes = indexChanges(db);
        if (sql::execute(db, changes.c_str()) && sql::execute(db, "COMMIT"))
            return;
    }
    qCWarning(lcStore, "Making the indexes of %s failed: %s", qUtf8Printable(path), sql::errorText(db));
    sql::execute(db, "ROLLBACK");
}

// The layout the file says it has; none when it cannot be read.
std::optional<int> layoutVersion(sqlite3* db) {
    sql::Statement statement(db, "PRAGMA user_version");
    if (!statement.ok() || statement.step() != SQLITE_ROW)
        return std::nullopt;
    return static_cast<int>(statement.integer(0));
}

bool sideTablesPresent(sqlite3* db) {
    sql::Statement statement(db, schema::kSideTablesPresent);
    return statement.ok() && statement.step() == SQLITE_ROW && statement.integer(0) == 1;
}

const std::string kSetVersion = "PRAGMA user_version = " + std::to_string(schema::kVersion);

const char* const kDeleteRow = "DELETE FROM tblTermin WHERE ID = ?1";
const char* const kDropUid = "DELETE FROM tblTerminUID WHERE ID = ?1";
const char* const kCarryUid =
    "INSERT OR REPLACE INTO tblTerminUID (ID, UID) SELECT ?2, UID FROM tblTerminUID WHERE ID = ?1";

const QString kNoDatabase =
    QStringLiteral("Die Datei ist keine Termindatenbank, die sich lesen und schreiben lässt. Sie bleibt "
                   "unverändert.");

} // namespace

const char* const TerminStore::kSelectColumns =
    "ID, TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff, Bemerkungen, Wiederholung,"
    " VorTage, VorMinuten, sysGesperrt, \"ZuletztGeöffnetAm\", TerminDatumUhrzeitMeldung";

std::unique_ptr<TerminStore> TerminStore::open(const QString& path, OpenResult* result, QString* reason,
                                               int busyTimeoutMs) {
    OpenResult ignoredResult;
    QString ignoredReason;
    OpenResult& outcome = result ? *result : ignoredResult;
    QString& why = reason ? *reason : ignoredReason;
    outcome = OpenResult::Unusable;
    why = kNoDatabase;

    // A file not there yet is made with the mark held alone. No other program then sees it empty,
    // which it would take for someone else's file, and of two starting together one makes it.
    // An older planner compacts by replacing the file and holds the mark exclusively meanwhile.
    // Opening then would keep the replaced file open, so wait for it as for any other write.
    const auto present = [&path] {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    };
    auto lock = std::make_unique<InUseLock>(path);
    const QDeadlineTimer deadline(busyTimeoutMs);
    bool making = false;
    for (;;) {
        making = !present() && lock->tryLockAlone() && !present();
        if (making || lock->tryLock() || !lock->isHeldElsewhere())
            break;
        if (deadline.hasExpired()) {
            outcome = OpenResult::Locked;
            why = connection::germanReason(SQLITE_BUSY, "");
            return nullptr;
        }
        QThread::msleep(kLockPollMs);
    }

    const QFileInfo info(path);
    const bool existed = present();
    if (existed && !info.isFile())
        return nullptr;

    sqlite3* db =
        connection::open(path, SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE), busyTimeoutMs);
    if (!db)
        return nullptr;
    // The list passes walk the table in sort-key order, which visits its pages out of order. With
    // the default cache of 2 MiB a table of years re-reads most pages from the file on every
    // pass; this cache holds 64 MiB, about 450 000 rows, and takes memory only as pages are read.
    sql::execute(db, "PRAGMA cache_size = -65536");

    bool usable;
    std::optional<QString> untrusted = QString();
    std::optional<int> layout = schema::kVersion;
    if (existed) {
        // An empty or foreign file is no appointment database, even when SQLite would accept it.
        usable =
            info.size() > 0 && sqlite3_db_readonly(db, "main") == 0 && connection::hasAppointmentTable(db);
        untrusted = usable ? connection::untrustedReason(db) : std::nullopt;
        layout = usable ? layoutVersion(db) : std::nullopt;
        usable = usable && untrusted && layout;
        if (usable && untrusted->isEmpty() && *layout > schema::kVersion)
            untrusted = QStringLiteral("Die Termindatenbank stammt von einer neueren Version von Moravel. "
                                       "Die Datei wird deshalb nur gelesen und nicht verändert.");
    } else {
        // All of it in one transaction: a program ended while making the file leaves at most an
        // empty one, never a table whose indexes the next program to open it has to write.
        usable = sql::execute(db, "BEGIN IMMEDIATE") && sql::execute(db, schema::kCreateTable) &&
                 sql::execute(db, indexChanges(db).c_str()) && sql::execute(db, schema::kSideTables) &&
                 sql::execute(db, kSetVersion.c_str()) && sql::execute(db, "COMMIT");
    }
    if (!usable) {
        qCWarning(lcStore, "%s is no usable appointment database: %s", qUtf8Printable(path),
                  sql::errorText(db));
        // A file another program keeps locked is sound; say so rather than call it no database.
        const int code = sqlite3_errcode(db);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
            outcome = OpenResult::Locked;
            why = connection::germanReason(code, "");
        }
        sqlite3_close(db);
        if (!existed)
            QFile::remove(path);
        return nullptr;
    }
    if (making)
        lock->tryLock();
    if (untrusted->isEmpty()) {
        makeIndexes(db, path);
        if (!sideTablesPresent(db) && !sql::execute(db, schema::kSideTables))
            qCWarning(lcStore, "Making the side tables of %s failed: %s", qUtf8Printable(path),
                      sql::errorText(db));
        else if (*layout < schema::kVersion && !sql::execute(db, kSetVersion.c_str()))
            qCWarning(lcStore, "Marking the layout of %s failed: %s", qUtf8Printable(path),
                      sql::errorText(db));
    } else {
        qCWarning(lcStore, "%s is read only: tblTermin is a view or has triggers", qUtf8Printable(path));
        // A second guard: SQLite itself refuses any write on this connection.
        sql::execute(db, "PRAGMA query_only = 1");
    }
    sqlite3_create_function_v2(db, "wildcard_match", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               wildcardMatch, nullptr, nullptr, nullptr);
    outcome = !untrusted->isEmpty() ? OpenResult::Untrusted
              : existed             ? OpenResult::Opened
                                    : OpenResult::Created;
    why = *untrusted;
    return std::unique_ptr<TerminStore>(new TerminStore(db, path, std::move(lock), *untrusted));
}

TerminStore::TerminStore(sqlite3* db, QString path, std::unique_ptr<InUseLock> lock, QString untrusted)
    : m_db(db), m_path(std::move(path)), m_lock(std::move(lock)), m_untrusted(std::move(untrusted)) {
    if (const auto identity = fileIdentity(m_path)) {
        m_device = identity->first;
        m_inode = identity->second;
    }
}

TerminStore::~TerminStore() {
    m_insert.reset();
    m_setUid.reset();
    sqlite3_close_v2(m_db);
}

bool TerminStore::failed(const char* what) const {
    const int code = sql::errorCode(m_db);
    const char* text = sql::errorText(m_db);
    // While another program holds a lock, the monitor's every look fails the same way: the log
    // says so once a minute rather than five times a second.
    constexpr qint64 kRepeatLogMs = 60000;
    const QByteArray failure = QByteArray(what) + ':' + QByteArray::number(code);
    if (failure == m_loggedFailure && m_failureLogged.isValid() && m_failureLogged.elapsed() < kRepeatLogMs) {
        ++m_failureRepeats;
    } else {
        qCWarning(lcStore, "%s failed in %s: %s (%d)%s", what, qUtf8Printable(m_path), text, code,
                  m_failureRepeats > 0 && failure == m_loggedFailure
                      ? qPrintable(QStringLiteral("; %1 more like it before").arg(m_failureRepeats))
                      : "");
        m_loggedFailure = failure;
        m_failureLogged.start();
        m_failureRepeats = 0;
    }
    m_lastError = connection::germanReason(code, text);
    return false;
}

bool TerminStore::mayWrite(const char* what) const {
    if (m_untrusted.isEmpty())
        return true;
    qCWarning(lcStore, "%s refused in %s: the file is read only", what, qUtf8Printable(m_path));
    m_lastError = m_untrusted;
    return false;
}

bool TerminStore::execute(const char* sql, const char* what) {
    return sql::execute(m_db, sql) || failed(what);
}

bool TerminStore::isReplaced() const {
    const auto identity = fileIdentity(m_path);
    return !identity || identity->first != m_device || identity->second != m_inode;
}

void TerminStore::setBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(m_db, milliseconds);
}

// Inside another write transaction a savepoint stands for it, so that a write made of several
// statements is undone as a whole while the enclosing transaction goes on.
TerminStore::WriteTransaction::WriteTransaction(TerminStore& store)
    : m_store(store), m_nested(sqlite3_get_autocommit(store.m_db) == 0),
      m_open(store.mayWrite("Beginning a write") &&
             store.execute(m_nested ? "SAVEPOINT nested" : "BEGIN IMMEDIATE", "Beginning a write")) {}

TerminStore::WriteTransaction::~WriteTransaction() {
    if (m_open)
        sql::execute(m_store.m_db, m_nested ? "ROLLBACK TO nested; RELEASE nested" : "ROLLBACK");
}

bool TerminStore::WriteTransaction::commit() {
    if (m_open && m_store.execute(m_nested ? "RELEASE nested" : "COMMIT", "Committing a write"))
        m_open = false;
    return !m_open;
}

std::optional<qint64> TerminStore::insert(const Appointment& row) {
    if (!mayWrite("Inserting a row"))
        return std::nullopt;
    // Prepared once: a renewal inserts thousands of rows in a row, and each statement carries
    // the upkeep of the partial indexes.
    if (!m_insert) {
        auto statement = std::make_unique<sql::Statement>(
            m_db,
            "INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff,"
            " Bemerkungen, Wiederholung, VorTage, VorMinuten, sysGesperrt,"
            " \"ZuletztGeöffnetAm\", TerminDatumUhrzeitMeldung)"
            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
            sql::Statement::Lifetime::Kept);
        if (!statement->ok()) {
            failed("Preparing an insert");
            return std::nullopt;
        }
        m_insert = std::move(statement);
    }
    int index = 1;
    for (const QString* value : row.textFields())
        m_insert->bind(index++, *value);
    const bool done = m_insert->step() == SQLITE_DONE;
    if (!done)
        failed("Inserting a row");
    m_insert->reset();
    if (!done)
        return std::nullopt;
    return sqlite3_last_insert_rowid(m_db);
}

std::optional<int> TerminStore::changeRow(const char* sql, qint64 id, const char* what) {
    if (!mayWrite(what))
        return std::nullopt;
    sql::Statement statement(m_db, sql);
    if (statement.ok())
        statement.bind(1, id);
    if (!statement.ok() || !statement.run()) {
        failed(what);
        return std::nullopt;
    }
    return sqlite3_changes(m_db);
}

bool TerminStore::remove(qint64 id) {
    WriteTransaction transaction(*this);
    return transaction.isOpen() && changeRow(kDeleteRow, id, "Deleting a row") == 1 &&
           changeUid(kDropUid, id, std::nullopt, "Dropping a row's UID") && transaction.commit();
}

std::optional<qint64> TerminStore::replace(qint64 id, const Appointment& row) {
    WriteTransaction transaction(*this);
    if (!transaction.isOpen() || !changeRow(kDeleteRow, id, "Deleting the edited row"))
        return std::nullopt;
    const std::optional<qint64> inserted = insert(row);
    // The edited appointment stays the same one for calendars that know it by its UID.
    if (!inserted || !changeUid(kCarryUid, id, *inserted, "Carrying a row's UID") ||
        !changeUid(kDropUid, id, std::nullopt, "Dropping a row's UID") || !transaction.commit())
        return std::nullopt;
    return inserted;
}

bool TerminStore::lockForRenewal(qint64 id) {
    return changeRow("UPDATE tblTermin SET sysGesperrt = '1' WHERE ID = ?1", id, "Locking a row") == 1;
}

} // namespace moravel
