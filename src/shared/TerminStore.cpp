#include "TerminStore.h"

#include "WildcardPattern.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>

#include <sqlite3.h>
#include <sys/stat.h>

#include <array>
#include <map>

Q_LOGGING_CATEGORY(lcStore, "moravel.store")

namespace moravel {

namespace {

// What a user can do something about, in their words; SQLite's own text goes to the log.
QString germanReason(int code, const char* sqliteText) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Die Termindatenbank ist gerade von einem anderen Programm gesperrt.");
    case SQLITE_FULL:
        return QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei.");
    case SQLITE_READONLY:
        return QStringLiteral("Die Termindatenbank ist schreibgeschützt.");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("Der Zugriff auf die Termindatenbank ist nicht erlaubt.");
    case SQLITE_IOERR:
        return QStringLiteral("Die Termindatenbank konnte nicht gelesen oder geschrieben werden.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("Die Termindatenbank ist beschädigt.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Die Termindatenbank lässt sich nicht öffnen.");
    default:
        return QStringLiteral("Die Termindatenbank meldet einen Fehler: ") + QString::fromUtf8(sqliteText);
    }
}

std::optional<std::pair<quint64, quint64>> fileIdentity(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return std::pair<quint64, quint64>(info.st_dev, info.st_ino);
}

// How often opening looks again whether compaction has ended.
constexpr int kLockPollMs = 10;

const char* const kCreateTable = "CREATE TABLE tblTermin ("
                                 " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
                                 " TerminDatum TEXT, TerminUhrzeit TEXT, TerminDatumUhrzeit TEXT,"
                                 " Betreff TEXT, Bemerkungen TEXT, Wiederholung TEXT,"
                                 " VorTage TEXT, VorMinuten TEXT, sysGesperrt TEXT,"
                                 " \"ZuletztGeöffnetAm\" TEXT, TerminDatumUhrzeitMeldung TEXT);";

// Rows the programs wrote themselves: TerminDatum a five-digit day, TerminDatumUhrzeit that day
// as text, alone or followed by a separator and digits. Such a row's moment lies within its day
// (at most its end), and as five-digit days sort as text in the order of their numbers, the sort
// key's index finds the rows of a day and after by text alone. Any other row, whatever the
// reason, is irregular; a partial index keeps the few there are, so that passes read them too.
const std::string kRegular =
    "(typeof(TerminDatumUhrzeit) = 'text' AND TerminDatum GLOB '[1-9][0-9][0-9][0-9][0-9]'"
    " AND (TerminDatumUhrzeit = TerminDatum"
    " OR (substr(TerminDatumUhrzeit, 1, 6) IN (TerminDatum || ',', TerminDatum || '.')"
    " AND substr(TerminDatumUhrzeit, 7) NOT GLOB '*[^0-9]*')))";
const std::string kIrregular = kRegular + " IS NOT 1";
// Rows that may still be renewed: not stored locked, not stored as once only. A long history
// is mostly locked and one-off rows, which its index leaves out.
const std::string kRenewable = "sysGesperrt IS NOT '1' AND Wiederholung IS NOT '0'";

// The indexes every file gets when it is opened, whatever its age and origin, as SQLite keeps
// their statements. One whose statement differs is made again, so that a changed condition
// reaches older files; a query uses a partial index only when it repeats its condition.
struct Index {
    const char* name;
    std::string definition;
};
const std::array<Index, 3> kIndexes = {
    Index{"idxTerminDatumUhrzeit", "CREATE INDEX idxTerminDatumUhrzeit ON tblTermin(TerminDatumUhrzeit)"},
    Index{"idxErneuerbar", "CREATE INDEX idxErneuerbar ON tblTermin(TerminDatumUhrzeit) WHERE " + kRenewable},
    Index{"idxUnregelmaessig",
          "CREATE INDEX idxUnregelmaessig ON tblTermin(TerminDatumUhrzeit) WHERE " + kIrregular}};

const char* const kFieldNames[] = {
    "ID",         "TerminDatum", "TerminUhrzeit",     "TerminDatumUhrzeit",
    "Betreff",    "Bemerkungen", "Wiederholung",      "VorTage",
    "VorMinuten", "sysGesperrt", "ZuletztGeöffnetAm", "TerminDatumUhrzeitMeldung"};

QString columnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!text)
        return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

QByteArrayView columnBytes(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QByteArrayView(text, sqlite3_column_bytes(statement, column)) : QByteArrayView();
}

TerminStore::RowKey keyOf(sqlite3_stmt* statement) {
    TerminStore::RowKey key;
    key.ID = sqlite3_column_int64(statement, 0);
    key.TerminDatum = columnBytes(statement, 1);
    key.TerminDatumUhrzeit = columnBytes(statement, 3);
    key.Wiederholung = columnBytes(statement, 6);
    key.VorTage = columnBytes(statement, 7);
    key.sysGesperrt = columnBytes(statement, 9);
    return key;
}

Appointment rowOf(sqlite3_stmt* statement) {
    Appointment row;
    row.ID = sqlite3_column_int64(statement, 0);
    int column = 1;
    for (QString* field : row.textFields())
        *field = columnText(statement, column++);
    return row;
}

const std::string& mainListQuery() {
    static const std::string sql = std::string("SELECT ") + TerminStore::kSelectColumns +
                                   " FROM tblTermin ORDER BY TerminDatumUhrzeit ASC, ID ASC";
    return sql;
}

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

bool execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_statement != nullptr; }
    sqlite3_stmt* get() const { return m_statement; }
    void bind(int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
    }
    void bind(int index, qint64 value) { sqlite3_bind_int64(m_statement, index, value); }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// The statements that bring the file's indexes to what kIndexes says; empty when they are.
std::string indexChanges(sqlite3* db) {
    std::map<QString, QString> present;
    Statement statement(db, "SELECT name, sql FROM sqlite_master WHERE type = 'index'");
    while (statement.ok() && sqlite3_step(statement.get()) == SQLITE_ROW)
        present[columnText(statement.get(), 0)] = columnText(statement.get(), 1);
    std::string changes;
    for (const Index& index : kIndexes) {
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
void makeIndexes(sqlite3* db) {
    if (indexChanges(db).empty() || !execute(db, "BEGIN IMMEDIATE"))
        return;
    // Looked at again under the write lock: the other program may have made them meanwhile.
    const std::string changes = indexChanges(db);
    if (!execute(db, changes.c_str()) || !execute(db, "COMMIT"))
        execute(db, "ROLLBACK");
}

std::string rowsWhere(const std::string& condition) {
    return std::string("SELECT ") + TerminStore::kSelectColumns + " FROM tblTermin WHERE " + condition;
}

// The text a day has in the sort key when it is a five-digit day, the only days whose text
// order is their number order; none for others.
std::optional<QString> dayText(qint64 day) {
    if (day < 10000 || day > 99999)
        return std::nullopt;
    return QString::number(day);
}

} // namespace

const char* const TerminStore::kSelectColumns =
    "ID, TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff, Bemerkungen, Wiederholung,"
    " VorTage, VorMinuten, sysGesperrt, \"ZuletztGeöffnetAm\", TerminDatumUhrzeitMeldung";

bool hasAppointmentTable(sqlite3* db) {
    Statement statement(db, "SELECT name FROM pragma_table_info('tblTermin')");
    if (!statement.ok())
        return false;
    QStringList names;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW)
        names << columnText(statement.get(), 0);
    if (rc != SQLITE_DONE)
        return false;
    for (const char* field : kFieldNames) {
        if (!names.contains(QString::fromUtf8(field)))
            return false;
    }
    return true;
}

std::unique_ptr<TerminStore> TerminStore::open(const QString& path, OpenResult* result) {
    if (result)
        *result = OpenResult::Unusable;
    // Compaction holds the lock exclusively while it replaces the file. Opening meanwhile would
    // keep the replaced file open: whatever is written there is lost, and the planner's rows are
    // never seen. So wait for it, as long as for any other write of the other program.
    auto lock = std::make_unique<InUseLock>(path);
    const QDeadlineTimer deadline(kBusyTimeoutMs);
    while (!lock->tryLock(InUseLock::Mode::Shared) && lock->isHeldElsewhere()) {
        if (deadline.hasExpired())
            return nullptr;
        QThread::msleep(kLockPollMs);
    }

    const QFileInfo info(path);
    const bool existed = info.exists() || info.isSymLink();
    if (existed && !info.isFile())
        return nullptr;

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (existed ? 0 : SQLITE_OPEN_CREATE);
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // The list passes walk the table in sort-key order, which visits its pages out of order. With
    // the default cache of 2 MiB a table of years re-reads most pages from the file on every
    // pass; this cache holds 64 MiB, about 450 000 rows, and takes memory only as pages are read.
    execute(db, "PRAGMA cache_size = -65536");

    bool usable;
    if (existed) {
        // An empty or foreign file is no appointment database, even when SQLite would accept it.
        usable = info.size() > 0 && sqlite3_db_readonly(db, "main") == 0 && hasAppointmentTable(db);
    } else {
        usable = execute(db, "BEGIN IMMEDIATE") && execute(db, kCreateTable) && execute(db, "COMMIT");
    }
    if (!usable) {
        sqlite3_close(db);
        if (!existed)
            QFile::remove(path);
        return nullptr;
    }
    makeIndexes(db);
    sqlite3_create_function_v2(db, "wildcard_match", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               wildcardMatch, nullptr, nullptr, nullptr);
    if (result)
        *result = existed ? OpenResult::Opened : OpenResult::Created;
    return std::unique_ptr<TerminStore>(new TerminStore(db, path, std::move(lock)));
}

TerminStore::TerminStore(sqlite3* db, QString path, std::unique_ptr<InUseLock> lock)
    : m_db(db), m_path(std::move(path)), m_lock(std::move(lock)) {
    if (const auto identity = fileIdentity(m_path)) {
        m_device = identity->first;
        m_inode = identity->second;
    }
}

bool TerminStore::failed(const char* what) const {
    const int code = sqlite3_extended_errcode(m_db);
    const char* text = sqlite3_errmsg(m_db);
    qCWarning(lcStore, "%s failed in %s: %s (%d)", what, qUtf8Printable(m_path), text, code);
    m_lastError = germanReason(code, text);
    return false;
}

std::optional<TerminStore::Version> TerminStore::version() const {
    Statement statement(m_db, "PRAGMA data_version");
    if (!statement.ok() || sqlite3_step(statement.get()) != SQLITE_ROW) {
        failed("Reading the data version");
        return std::nullopt;
    }
    return Version{sqlite3_column_int64(statement.get(), 0), sqlite3_total_changes64(m_db)};
}

bool TerminStore::isReplaced() const {
    const auto identity = fileIdentity(m_path);
    return !identity || identity->first != m_device || identity->second != m_inode;
}

void TerminStore::setBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(m_db, milliseconds);
}

TerminStore::~TerminStore() {
    sqlite3_finalize(m_insert);
    sqlite3_close_v2(m_db);
}

bool TerminStore::query(const char* sql, const std::vector<QString>& parameters, const RowSink& sink) const {
    return query(
        sql, parameters, [](const RowKey&) { return true; }, sink);
}

bool TerminStore::query(const char* sql, const std::vector<QString>& parameters, const RowFilter& keep,
                        const RowSink& sink) const {
    Statement statement(m_db, sql);
    if (!statement.ok())
        return false;
    for (size_t i = 0; i < parameters.size(); ++i)
        statement.bind(static_cast<int>(i + 1), parameters[i]);
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        if (keep(keyOf(statement.get())))
            sink(rowOf(statement.get()));
    }
    return rc == SQLITE_DONE;
}

std::vector<Appointment> TerminStore::mainList() const {
    std::vector<Appointment> rows;
    query(mainListQuery().c_str(), {}, [&rows](const Appointment& row) { rows.push_back(row); });
    return rows;
}

bool TerminStore::mainListFrom(qint64 firstDay, const RowFilter& keep, const RowSink& sink) const {
    static const std::string order = " ORDER BY TerminDatumUhrzeit ASC, ID ASC";
    // Every irregular row sorts before every row the second query reads: its key is NULL or a
    // text below the day's, and those come first in the column's order.
    static const std::string irregularBefore =
        rowsWhere(kIrregular + " AND (TerminDatumUhrzeit >= ?1) IS NOT 1") + order;
    static const std::string fromDay = rowsWhere("TerminDatumUhrzeit >= ?1") + order;

    if (const std::optional<QString> from = dayText(firstDay))
        return query(irregularBefore.c_str(), {*from}, keep, sink) &&
               query(fromDay.c_str(), {*from}, keep, sink);
    return query(mainListQuery().c_str(), {}, keep, sink);
}

bool TerminStore::renewableBefore(qint64 day, const RowFilter& keep, const RowSink& sink) const {
    static const std::string beforeDay = rowsWhere(kRenewable + " AND TerminDatumUhrzeit < ?1");
    // A regular row whose key is the day's or later lies on that day or later.
    static const std::string irregularFrom =
        rowsWhere(kIrregular + " AND (TerminDatumUhrzeit < ?1) IS NOT 1");
    static const std::string unlocked = rowsWhere("sysGesperrt IS NOT '1'");

    if (const std::optional<QString> before = dayText(day))
        return query(beforeDay.c_str(), {*before}, keep, sink) &&
               query(irregularFrom.c_str(), {*before}, keep, sink);
    return query(unlocked.c_str(), {}, keep, sink);
}

std::vector<Appointment> TerminStore::searchComing(const QString& from, const QString& to,
                                                   const QString& searchText) const {
    static const std::string sql =
        std::string("SELECT ") + kSelectColumns +
        " FROM tblTermin WHERE TerminDatumUhrzeit >= ?1 AND TerminDatumUhrzeit <= ?2"
        " AND wildcard_match(?3, Betreff) ORDER BY TerminDatumUhrzeit ASC, ID ASC";
    std::vector<Appointment> rows;
    query(sql.c_str(), {from, to, WildcardPattern::containing(searchText).text()},
          [&rows](const Appointment& row) { rows.push_back(row); });
    return rows;
}

std::vector<Appointment> TerminStore::pastList(const QString& today, const std::optional<QString>& searchText,
                                               std::optional<int> limitWithoutDaily) const {
    std::string condition = "TerminDatumUhrzeit < ?1";
    std::vector<QString> parameters{today};
    if (searchText) {
        parameters.push_back(WildcardPattern::containing(*searchText).text());
        condition += " AND wildcard_match(?" + std::to_string(parameters.size()) + ", Betreff)";
    }
    std::string order = " ORDER BY TerminDatumUhrzeit DESC, ID DESC";
    if (limitWithoutDaily) {
        // The stored value as the text a row reads as, whatever it is stored as.
        condition += " AND CAST(Wiederholung AS TEXT) IS NOT '1'";
        parameters.push_back(QString::number(*limitWithoutDaily));
        order += " LIMIT ?" + std::to_string(parameters.size());
    }
    std::vector<Appointment> rows;
    query((rowsWhere(condition) + order).c_str(), parameters,
          [&rows](const Appointment& row) { rows.push_back(row); });
    return rows;
}

std::optional<qint64> TerminStore::insert(const Appointment& row) {
    // Prepared once: a renewal inserts thousands of rows in a row, and each statement carries
    // the upkeep of the partial indexes.
    if (!m_insert &&
        sqlite3_prepare_v3(m_db,
                           "INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff,"
                           " Bemerkungen, Wiederholung, VorTage, VorMinuten, sysGesperrt,"
                           " \"ZuletztGeöffnetAm\", TerminDatumUhrzeitMeldung)"
                           " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
                           -1, SQLITE_PREPARE_PERSISTENT, &m_insert, nullptr) != SQLITE_OK)
        return std::nullopt;
    int index = 1;
    for (const QString* value : row.textFields()) {
        if (value->isNull()) {
            sqlite3_bind_null(m_insert, index);
        } else {
            const QByteArray utf8 = value->toUtf8();
            sqlite3_bind_text(m_insert, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
        }
        ++index;
    }
    const bool done = sqlite3_step(m_insert) == SQLITE_DONE;
    if (!done)
        failed("Inserting a row");
    sqlite3_reset(m_insert);
    sqlite3_clear_bindings(m_insert);
    if (!done)
        return std::nullopt;
    return sqlite3_last_insert_rowid(m_db);
}

bool TerminStore::remove(qint64 id) {
    Statement statement(m_db, "DELETE FROM tblTermin WHERE ID = ?1");
    if (!statement.ok())
        return failed("Preparing a delete");
    statement.bind(1, id);
    if (sqlite3_step(statement.get()) != SQLITE_DONE)
        return failed("Deleting a row");
    return sqlite3_changes(m_db) == 1;
}

std::optional<qint64> TerminStore::replace(qint64 id, const Appointment& row) {
    if (!execute(m_db, "BEGIN IMMEDIATE")) {
        failed("Beginning an edit");
        return std::nullopt;
    }
    bool deleted = false;
    {
        Statement statement(m_db, "DELETE FROM tblTermin WHERE ID = ?1");
        if (statement.ok()) {
            statement.bind(1, id);
            deleted = sqlite3_step(statement.get()) == SQLITE_DONE;
        }
    }
    std::optional<qint64> inserted;
    if (!deleted)
        failed("Deleting the edited row");
    else
        inserted = insert(row);
    if (inserted && !execute(m_db, "COMMIT")) {
        failed("Committing an edit");
        inserted.reset();
    }
    if (!inserted)
        execute(m_db, "ROLLBACK");
    return inserted;
}

std::optional<Appointment> TerminStore::find(qint64 id) const {
    static const std::string sql = std::string("SELECT ") + kSelectColumns + " FROM tblTermin WHERE ID = ?1";
    std::optional<Appointment> found;
    query(sql.c_str(), {QString::number(id)}, [&found](const Appointment& row) { found = row; });
    return found;
}

} // namespace moravel
