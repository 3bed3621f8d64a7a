// The store's reads: the passes over the table and the queries of the lists.
#include "TerminStore.h"

#include "SqlStatement.h"
#include "TerminStoreSchema.h"
#include "WildcardPattern.h"

#include <sqlite3.h>

namespace moravel {

namespace {

TerminStore::RowKey keyOf(const sql::Statement& statement) {
    TerminStore::RowKey key;
    key.ID = statement.integer(0);
    key.TerminDatum = statement.bytes(1);
    key.TerminDatumUhrzeit = statement.bytes(3);
    key.Wiederholung = statement.bytes(6);
    key.VorTage = statement.bytes(7);
    key.sysGesperrt = statement.bytes(9);
    return key;
}

Appointment rowOf(const sql::Statement& statement) {
    Appointment row;
    row.ID = statement.integer(0);
    int column = 1;
    for (QString* field : row.textFields())
        *field = statement.text(column++);
    return row;
}

std::string rowsWhere(const std::string& condition) {
    return std::string("SELECT ") + TerminStore::kSelectColumns + " FROM tblTermin WHERE " + condition;
}

const char* const kMainOrder = " ORDER BY TerminDatumUhrzeit ASC, ID ASC";

const std::string& mainListQuery() {
    static const std::string sql =
        std::string("SELECT ") + TerminStore::kSelectColumns + " FROM tblTermin" + kMainOrder;
    return sql;
}

// The rows in another shape than the programs' whose key is NULL or sorts below the day ?1's
// text: in the main list's order they all come before the rows from that day on.
std::string irregularBeforeDay() {
    return rowsWhere(schema::kIrregular + " AND (TerminDatumUhrzeit >= ?1) IS NOT 1");
}

std::string irregularFromDay(const char* day) {
    return rowsWhere(schema::kIrregular + " AND TerminDatumUhrzeit >= " + day);
}

// The text a day has in the sort key when it is a five-digit day, the only days whose text
// order is their number order; none for others.
std::optional<QString> dayText(qint64 day) {
    if (day < 10000 || day > 99999)
        return std::nullopt;
    return QString::number(day);
}

} // namespace

bool TerminStore::query(const std::string& sql, const std::vector<QString>& parameters,
                        const RowSink& sink) const {
    return query(
        sql, parameters, [](const RowKey&) { return true; }, sink);
}

bool TerminStore::query(const std::string& sql, const std::vector<QString>& parameters, const RowFilter& keep,
                        const RowSink& sink, const RowFilter* enough, bool* stopped) const {
    sql::Statement statement(m_db, sql.c_str());
    if (!statement.ok())
        return failed("Preparing a read");
    for (size_t i = 0; i < parameters.size(); ++i)
        statement.bind(static_cast<int>(i + 1), parameters[i]);
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW) {
        const RowKey key = keyOf(statement);
        if (enough && (*enough)(key)) {
            *stopped = true;
            return true;
        }
        if (keep(key))
            sink(rowOf(statement));
    }
    return rc == SQLITE_DONE || failed("Reading rows");
}

TerminStore::Rows TerminStore::mainList() const {
    Rows rows;
    rows.failed = !query(mainListQuery(), {}, [&rows](const Appointment& row) { rows.push_back(row); });
    return rows;
}

bool TerminStore::mainListFrom(qint64 firstDay, const RowFilter& keep, const RowSink& sink) const {
    return mainListFrom(firstDay, keep, sink, [](const RowKey&) { return false; });
}

bool TerminStore::mainListFrom(qint64 firstDay, const RowFilter& keep, const RowSink& sink,
                               const RowFilter& enough) const {
    static const std::string irregularBefore = irregularBeforeDay() + kMainOrder;
    static const std::string fromDay = rowsWhere("TerminDatumUhrzeit >= ?1") + kMainOrder;

    bool stopped = false;
    if (const std::optional<QString> from = dayText(firstDay))
        return query(irregularBefore, {*from}, keep, sink, &enough, &stopped) &&
               (stopped || query(fromDay, {*from}, keep, sink, &enough, &stopped));
    return query(mainListQuery(), {}, keep, sink, &enough, &stopped);
}

bool TerminStore::mayFallDueFrom(qint64 firstDay, qint64 lastDay, const RowFilter& keep,
                                 const RowSink& sink) const {
    static const std::string irregularBefore = irregularBeforeDay() + kMainOrder;
    // The days' rows by the sort key's index, the other rows after them by their own, merged in
    // the main list's order.
    static const std::string daysThenIrregular =
        rowsWhere("TerminDatumUhrzeit >= ?1 AND TerminDatumUhrzeit < ?2") + " UNION ALL " +
        irregularFromDay("?2") + kMainOrder;

    const std::optional<QString> from = dayText(firstDay);
    const std::optional<QString> after = dayText(lastDay + 1);
    if (!from || !after || lastDay < firstDay)
        return mainListFrom(firstDay, keep, sink);
    return query(irregularBefore, {*from}, keep, sink) &&
           query(daysThenIrregular, {*from, *after}, keep, sink);
}

std::optional<qint64> TerminStore::countListedFrom(qint64 day, const RowFilter& listed) const {
    qint64 count = 0;
    const RowFilter addListed = [&](const RowKey& key) {
        count += listed(key) ? 1 : 0;
        return false;
    };
    const RowFilter dropUnlisted = [&](const RowKey& key) {
        count -= listed(key) ? 0 : 1;
        return false;
    };
    const RowSink none = [](const Appointment&) {};
    const std::optional<QString> from = dayText(day);
    if (!from)
        return mainListFrom(day, addListed, none) ? std::optional<qint64>(count) : std::nullopt;

    static const std::string irregularBefore = irregularBeforeDay();
    static const std::string irregularFrom = irregularFromDay("?1");
    sql::Statement statement(m_db, "SELECT count(*) FROM tblTermin WHERE TerminDatumUhrzeit >= ?1");
    if (!statement.ok()) {
        failed("Preparing a count");
        return std::nullopt;
    }
    statement.bind(1, *from);
    if (statement.step() != SQLITE_ROW) {
        failed("Counting rows");
        return std::nullopt;
    }
    // Every row from the day on, less the other rows there that are not listed, and the other
    // rows before it that are.
    count = statement.integer(0);
    if (!query(irregularFrom, {*from}, dropUnlisted, none) ||
        !query(irregularBefore, {*from}, addListed, none))
        return std::nullopt;
    return count;
}

bool TerminStore::renewableBefore(qint64 day, const RowFilter& keep, const RowSink& sink) const {
    static const std::string beforeDay = rowsWhere(schema::kRenewable + " AND TerminDatumUhrzeit < ?1");
    // A regular row whose key is the day's or later lies on that day or later.
    static const std::string irregularFrom =
        rowsWhere(schema::kIrregular + " AND (TerminDatumUhrzeit < ?1) IS NOT 1");
    static const std::string unlocked = rowsWhere("sysGesperrt IS NOT '1'");

    if (const std::optional<QString> before = dayText(day))
        return query(beforeDay, {*before}, keep, sink) && query(irregularFrom, {*before}, keep, sink);
    return query(unlocked, {}, keep, sink);
}

TerminStore::Rows TerminStore::searchComing(const QString& from, const QString& to,
                                            const QString& searchText) const {
    static const std::string sql =
        rowsWhere("TerminDatumUhrzeit >= ?1 AND TerminDatumUhrzeit <= ?2 AND wildcard_match(?3, Betreff)") +
        " ORDER BY TerminDatumUhrzeit ASC, ID ASC";
    Rows rows;
    rows.failed = !query(sql, {from, to, WildcardPattern::containing(searchText).text()},
                         [&rows](const Appointment& row) { rows.push_back(row); });
    return rows;
}

TerminStore::Rows TerminStore::pastList(const QString& today, const std::optional<QString>& searchText,
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
    Rows rows;
    rows.failed = !query(rowsWhere(condition) + order, parameters,
                         [&rows](const Appointment& row) { rows.push_back(row); });
    return rows;
}

TerminStore::FoundRow TerminStore::find(qint64 id) const {
    static const std::string sql = rowsWhere("ID = ?1");
    FoundRow found;
    found.failed =
        !query(sql, {QString::number(id)}, [&found](const Appointment& row) { found.emplace(row); });
    if (found.failed)
        found.reset();
    return found;
}

std::optional<TerminStore::Version> TerminStore::version() const {
    sql::Statement statement(m_db, "PRAGMA data_version");
    if (!statement.ok() || statement.step() != SQLITE_ROW) {
        failed("Reading the data version");
        return std::nullopt;
    }
    return Version{statement.integer(0), sqlite3_total_changes64(m_db)};
}

} // namespace moravel
