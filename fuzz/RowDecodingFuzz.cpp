// Rows as another tool may write them: the input decides, field by field for a few rows, whether
// a value is NULL, a whole number, a double, text of any bytes or a BLOB, and whether the table
// has typed fields. The store lists, finds and searches them and renewal runs over them: nothing
// fails, no row is lost, every row renewal adds is counted, and a second renewal finds nothing.
// The passes that leave the history unread hand over exactly what a pass over every row would.

#include "FuzzCheck.h"
#include "NumberText.h"
#include "Renewal.h"
#include "TerminStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>

using namespace moravel;

namespace {

// The range of date serials that Folgedatum accepts, and the usual today.
constexpr qint64 kFirstDay = -657434;
constexpr qint64 kLastDay = 2958465;
constexpr qint64 kToday = 46363;
// Renewal writes every occurrence of a backlog; today is put at most this many days after the
// earliest day of the input, so that one input never renews centuries.
constexpr qint64 kMaxBacklogDays = 200;

bool execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A table and the store on it, and a connection of another tool that writes the rows.
struct Database {
    std::unique_ptr<TerminStore> store;
    sqlite3* tool = nullptr;

    // Without a table of the tool's own, the store makes the file and its table.
    Database(const QString& path, const char* createTable) {
        const QByteArray file = QFile::encodeName(path);
        if (createTable && sqlite3_open(file.constData(), &tool) == SQLITE_OK)
            execute(tool, createTable);
        store = TerminStore::open(path);
        if (!tool)
            sqlite3_open(file.constData(), &tool);
        // Durability is not what this target checks; without it the runs are many times faster.
        FUZZ_CHECK(store && execute(tool, "PRAGMA synchronous = OFF"));
    }
    ~Database() { sqlite3_close(tool); }
};

struct Databases {
    QTemporaryDir dir;
    Database typed{dir.path() + QStringLiteral("/typed.mdb"), nullptr};
    Database untyped{dir.path() + QStringLiteral("/untyped.mdb"),
                     "CREATE TABLE tblTermin (ID INTEGER PRIMARY KEY, TerminDatum, TerminUhrzeit,"
                     " TerminDatumUhrzeit, Betreff, Bemerkungen, Wiederholung, VorTage, VorMinuten,"
                     " sysGesperrt, \"ZuletztGeöffnetAm\", TerminDatumUhrzeitMeldung)"};
};

void bindValue(sqlite3_stmt* statement, int index, FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0:
        sqlite3_bind_null(statement, index);
        break;
    case 1:
        sqlite3_bind_int64(statement, index, input.ConsumeIntegral<int64_t>());
        break;
    case 2: {
        double value;
        const uint64_t bits = input.ConsumeIntegral<uint64_t>();
        std::memcpy(&value, &bits, sizeof value);
        sqlite3_bind_double(statement, index, value);
        break;
    }
    default: {
        const std::string bytes = input.ConsumeRandomLengthString(40);
        if (index % 2)
            sqlite3_bind_text(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
        else
            sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
    }
    }
}

// The passes from a day on against a pass over every row with the same filter, which sees the
// same key bytes: the same rows in the same order, and the same rows to renew.
void checkPassesFrom(const TerminStore& store, qint64 today, double closedAt) {
    // Day 0 has no five-digit text: the pass then reads every row.
    constexpr qint64 kEveryRow = 0;
    const double now = static_cast<double>(today) + 0.5;
    const auto wanted = [&](const TerminStore::RowKey& key) {
        const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
        const std::optional<double> moment = numtext::parseUtf8(key.TerminDatumUhrzeit);
        return (day && *day >= today) || (moment && closedAt < *moment && *moment < now);
    };
    const auto renewable = [&](const TerminStore::RowKey& key) {
        const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
        const std::optional<qint64> digit = numtext::parseWholeUtf8(key.Wiederholung);
        const std::optional<double> flag = numtext::parseUtf8(key.sysGesperrt);
        return day && digit && flag && *day < today && *digit >= 1 && *digit <= 7 && *flag == 0;
    };
    std::vector<qint64> expected, found, expectedRenewable, foundRenewable;
    FUZZ_CHECK(
        store.mainListFrom(kEveryRow, wanted, [&](const Appointment& row) { expected.push_back(row.ID); }));
    const double earliest = std::floor(std::min(closedAt, static_cast<double>(today)));
    FUZZ_CHECK(store.mainListFrom(static_cast<qint64>(std::max(earliest, 0.0)), wanted,
                                  [&](const Appointment& row) { found.push_back(row.ID); }));
    FUZZ_CHECK(found == expected);
    FUZZ_CHECK(store.mainListFrom(kEveryRow, renewable,
                                  [&](const Appointment& row) { expectedRenewable.push_back(row.ID); }));
    FUZZ_CHECK(store.renewableBefore(today, renewable,
                                     [&](const Appointment& row) { foundRenewable.push_back(row.ID); }));
    std::sort(expectedRenewable.begin(), expectedRenewable.end());
    std::sort(foundRenewable.begin(), foundRenewable.end());
    FUZZ_CHECK(foundRenewable == expectedRenewable);
}

std::set<qint64> ids(const std::vector<Appointment>& rows) {
    std::set<qint64> out;
    for (const Appointment& row : rows)
        out.insert(row.ID);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Databases databases;
    FuzzedDataProvider input(data, size);
    Database& database = input.ConsumeBool() ? databases.typed : databases.untyped;
    TerminStore& store = *database.store;
    sqlite3* db = database.tool;
    FUZZ_CHECK(execute(db, "DELETE FROM tblTermin"));

    sqlite3_stmt* insert = nullptr;
    FUZZ_CHECK(
        sqlite3_prepare_v2(db,
                           "INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff,"
                           " Bemerkungen, Wiederholung, VorTage, VorMinuten, sysGesperrt,"
                           " \"ZuletztGeöffnetAm\", TerminDatumUhrzeitMeldung)"
                           " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
                           -1, &insert, nullptr) == SQLITE_OK);
    for (int rows = input.ConsumeIntegralInRange(1, 4); rows > 0; --rows) {
        sqlite3_reset(insert);
        for (int field = 1; field <= 11; ++field)
            bindValue(insert, field, input);
        FUZZ_CHECK(sqlite3_step(insert) == SQLITE_DONE);
    }
    sqlite3_finalize(insert);
    const std::string search = input.ConsumeRandomLengthString(20);
    const QString searchText = QString::fromUtf8(search.data(), static_cast<qsizetype>(search.size()));

    const std::vector<Appointment> before = store.mainList();
    qint64 today = kToday;
    for (const Appointment& row : before) {
        FUZZ_CHECK(store.find(row.ID).has_value());
        const std::optional<qint64> day = numtext::parseWhole(row.TerminDatum);
        if (day && *day >= kFirstDay && *day <= kLastDay)
            today = std::min(today, *day + kMaxBacklogDays);
    }
    FUZZ_CHECK(store.searchComing(QStringLiteral("0"), QStringLiteral("99999"), searchText).size() <=
               before.size());
    FUZZ_CHECK(store.pastList(QString::number(today), searchText).size() <= before.size());

    // Also on the usual today, where the passes go through the indexes rather than the whole table.
    const double closedDaysAgo = input.ConsumeIntegralInRange(0, 400) / 10.0;
    checkPassesFrom(store, today, static_cast<double>(today) - closedDaysAgo);
    checkPassesFrom(store, kToday, static_cast<double>(kToday) - closedDaysAgo);

    const double now = static_cast<double>(today) + 0.5;
    const int inserted = renewPassedAppointments(store, today, now);
    FUZZ_CHECK(inserted >= 0);
    const std::vector<Appointment> after = store.mainList();
    FUZZ_CHECK(after.size() == before.size() + static_cast<size_t>(inserted));
    const std::set<qint64> beforeIds = ids(before), afterIds = ids(after);
    FUZZ_CHECK(std::includes(afterIds.begin(), afterIds.end(), beforeIds.begin(), beforeIds.end()));
    FUZZ_CHECK(renewPassedAppointments(store, today, now) == 0);
    return 0;
}
