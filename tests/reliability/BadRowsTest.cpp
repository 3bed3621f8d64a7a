// Rows written by another tool: NULLs, texts that are no numbers, negative and huge numbers,
// 1 MB texts, invalid UTF-8 as text and as BLOB, numbers where text belongs, in every field. The
// store lists every row, renewal goes past the ones it cannot read and renews the others.

#include "ForeignConnection.h"
#include "Renewal.h"
#include "Support.h"
#include "TerminStore.h"
#include "TestEnvironment.h"

#include <QFile>

#include <sqlite3.h>

#include <cstring>
#include <iostream>
#include <limits>
#include <variant>

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::test;

namespace {

struct Null {};
struct Blob {
    QByteArray bytes;
};
// A value as another tool may bind it: raw text bytes (not necessarily UTF-8), BLOB, number or NULL.
using Value = std::variant<Null, QByteArray, Blob, qint64, double>;

const char* const kFields[] = {"TerminDatum",
                               "TerminUhrzeit",
                               "TerminDatumUhrzeit",
                               "Betreff",
                               "Bemerkungen",
                               "Wiederholung",
                               "VorTage",
                               "VorMinuten",
                               "sysGesperrt",
                               "\"ZuletztGeöffnetAm\"",
                               "TerminDatumUhrzeitMeldung"};

std::vector<std::pair<QString, Value>> badValues() {
    return {
        {"NULL", Null{}},
        {"empty", QByteArray()},
        {"no number", QByteArray("abc")},
        {"blanks", QByteArray("   ")},
        {"negative", QByteArray("-5")},
        {"zero", static_cast<qint64>(0)},
        {"hex", QByteArray("0x10")},
        {"exponent overflow", QByteArray("1e999")},
        {"huge text", QByteArray("1e308")},
        {"digits with NUL", QByteArray("46\0"
                                       "363",
                                       6)},
        {"1e308", 1e308},
        {"-1e308", -1e308},
        {"-9e18", static_cast<qint64>(-9000000000000000000LL)},
        {"int64 max", std::numeric_limits<qint64>::max()},
        {"integer day", static_cast<qint64>(46360)},
        {"1 MB", QByteArray(1024 * 1024, 'M')},
        {"invalid UTF-8 text", QByteArray("\xff\xfe\x80 \xc3( \xed\xa0\x80")},
        {"invalid UTF-8 BLOB", Blob{QByteArray("\xff\xfe\x80\x00\x01", 5)}},
        {"BLOB zero", Blob{QByteArray("0")}},
    };
}

void bindValue(sqlite3_stmt* statement, int index, const Value& value) {
    if (std::holds_alternative<Null>(value)) {
        sqlite3_bind_null(statement, index);
    } else if (const auto* text = std::get_if<QByteArray>(&value)) {
        sqlite3_bind_text(statement, index, text->constData(), static_cast<int>(text->size()),
                          SQLITE_TRANSIENT);
    } else if (const auto* blob = std::get_if<Blob>(&value)) {
        sqlite3_bind_blob(statement, index, blob->bytes.constData(), static_cast<int>(blob->bytes.size()),
                          SQLITE_TRANSIENT);
    } else if (const auto* integer = std::get_if<qint64>(&value)) {
        sqlite3_bind_int64(statement, index, *integer);
    } else {
        sqlite3_bind_double(statement, index, std::get<double>(value));
    }
}

std::vector<Value> goodValues(const Appointment& row) {
    std::vector<Value> values;
    for (const QString* field : {&row.TerminDatum, &row.TerminUhrzeit, &row.TerminDatumUhrzeit, &row.Betreff,
                                 &row.Bemerkungen, &row.Wiederholung, &row.VorTage, &row.VorMinuten,
                                 &row.sysGesperrt, &row.ZuletztGeoeffnetAm, &row.TerminDatumUhrzeitMeldung})
        values.emplace_back(field->toUtf8());
    return values;
}

// Inserts one row per bad value and field into the other tool's table; the rest of each row is a
// daily appointment three days back. Returns the rows written.
int writeBadRows(sqlite3* db, qint64 today) {
    QByteArray sql = "INSERT INTO tblTermin (";
    for (const char* field : kFields)
        sql += QByteArray(field) + (field == kFields[10] ? ")" : ", ");
    sql += " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        return 0;
    int written = 0;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int field = 0; field < 11; ++field) {
        for (const auto& [name, value] : badValues()) {
            const Appointment base =
                recurringRow(today - 3, "1", QStringLiteral("%1 in %2").arg(name, kFields[field]));
            std::vector<Value> values = goodValues(base);
            values[static_cast<size_t>(field)] = value;
            sqlite3_reset(statement);
            for (int i = 0; i < 11; ++i)
                bindValue(statement, i + 1, values[static_cast<size_t>(i)]);
            written += sqlite3_step(statement) == SQLITE_DONE;
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(statement);
    return written;
}

// The day of the one live row of a subject; empty unless there is exactly one.
QString liveDay(const std::map<qint64, Appointment>& rows, const QString& subject) {
    QStringList days;
    for (const auto& [id, row] : rows) {
        if (row.Betreff == subject && row.sysGesperrt == QLatin1String("0"))
            days << row.TerminDatum;
    }
    return days.size() == 1 ? days.front() : QString();
}

class BadRowsTest : public ::testing::TestWithParam<const char*> {
protected:
    TestEnvironment env;
    const qint64 today = dayOf(2026, 12, 7);
};

} // namespace

TEST_P(BadRowsTest, EveryRowIsListedAndRenewalGoesPastWhatItCannotRead) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(env.databasePath()).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, GetParam(), nullptr, nullptr, nullptr), SQLITE_OK);
    const int bad = writeBadRows(db, today);
    sqlite3_close(db);
    ASSERT_EQ(bad, 11 * static_cast<int>(badValues().size()));

    auto store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(store);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(store->insert(
            recurringRow(today - 5 - i, QString::number(i + 1), QStringLiteral("gut %1").arg(i))));
    const std::map<qint64, Appointment> before = rowsById(env.databasePath());

    // Every row is listed, found and searched without a failure.
    EXPECT_EQ(store->mainList().size(), before.size());
    for (const auto& [id, row] : before)
        EXPECT_TRUE(store->find(id)) << id;
    EXPECT_EQ(store->searchComing("0", "99999", "1 MB in Bemerkungen").size(), 1u);
    EXPECT_EQ(store->pastList("99999", QStringLiteral("UTF-8 BLOB in Vor")).size(), 2u);
    // Invalid UTF-8 reads with replacement characters, and is found by them.
    EXPECT_EQ(store->pastList("99999", QString::fromUtf8("\xef\xbf\xbd")).size(), 2u);

    // Renewal goes past every row it cannot read and renews the rest, once.
    const int inserted = renewPassedAppointments(*store, today, today + 0.5);
    ASSERT_GE(inserted, 0);
    EXPECT_EQ(renewPassedAppointments(*store, today, today + 0.5), 0);
    const std::map<qint64, Appointment> after = rowsById(env.databasePath());
    EXPECT_EQ(lostOrChanged(before, after), QStringList());
    EXPECT_EQ(static_cast<int>(after.size() - before.size()), inserted);
    const QString todayText = QString::number(today);
    EXPECT_EQ(liveDay(after, "gut 0"), todayText);
    EXPECT_EQ(liveDay(after, "gut 1"), QString::number(today + 1));
    EXPECT_EQ(liveDay(after, "gut 2"), QString::number(dayOf(2026, 12, 30)));
    // Fields that renewal only copies may hold anything; the row is renewed all the same.
    for (const char* field : {"Bemerkungen", "VorTage", "VorMinuten", "\"ZuletztGeöffnetAm\"",
                              "TerminDatumUhrzeitMeldung", "TerminDatumUhrzeit"}) {
        for (const char* value : {"NULL", "1 MB", "invalid UTF-8 BLOB", "-9e18", "1e308"}) {
            const QString subject = QStringLiteral("%1 in %2").arg(value, field);
            EXPECT_EQ(liveDay(after, subject), todayText) << subject.toStdString();
        }
    }
    // Fields that read as the numbers they hold: renewed as they read.
    for (const char* subject : {"BLOB zero in sysGesperrt", "zero in sysGesperrt",
                                "integer day in TerminDatum", "blanks in TerminUhrzeit"})
        EXPECT_EQ(liveDay(after, subject), todayText) << subject;
    std::cout << "[ figures ] " << bad << " bad rows in a table with "
              << (strstr(GetParam(), "TEXT") ? "" : "un") << "typed fields: all listed, " << inserted
              << " rows renewed, none lost\n";
}

INSTANTIATE_TEST_SUITE_P(
    Tables, BadRowsTest,
    ::testing::Values(
        // The table as the programs create it: every field text.
        "CREATE TABLE tblTermin (ID INTEGER PRIMARY KEY AUTOINCREMENT, TerminDatum TEXT, TerminUhrzeit TEXT,"
        " TerminDatumUhrzeit TEXT, Betreff TEXT, Bemerkungen TEXT, Wiederholung TEXT, VorTage TEXT,"
        " VorMinuten TEXT, sysGesperrt TEXT, \"ZuletztGeöffnetAm\" TEXT, TerminDatumUhrzeitMeldung TEXT)",
        // As another tool may create it: fields without a type keep numbers as numbers.
        "CREATE TABLE tblTermin (ID INTEGER PRIMARY KEY, TerminDatum, TerminUhrzeit, TerminDatumUhrzeit,"
        " Betreff, Bemerkungen, Wiederholung, VorTage, VorMinuten, sysGesperrt, \"ZuletztGeöffnetAm\","
        " TerminDatumUhrzeitMeldung)"));

// IDs another tool chose: negative, zero, and the largest, after which no row can be added.
TEST(BadIds, AreListedRenewedOrLeftAsTheyWere) {
    TestEnvironment env;
    const qint64 today = dayOf(2026, 12, 7);
    createDatabase(env.databasePath(), {});
    auto store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(store);
    ForeignConnection other(env.databasePath());
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(
                  other.handle(),
                  "INSERT INTO tblTermin (ID, TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff,"
                  " Wiederholung, sysGesperrt) VALUES (?1, ?2, '0,5', ?2 || ',5', ?3, '1', '0')",
                  -1, &statement, nullptr),
              SQLITE_OK);
    for (const qint64 id : {static_cast<qint64>(-9000000000000000000LL), static_cast<qint64>(0)}) {
        sqlite3_reset(statement);
        sqlite3_bind_int64(statement, 1, id);
        const QByteArray day = QByteArray::number(today - 2);
        sqlite3_bind_text(statement, 2, day.constData(), -1, SQLITE_TRANSIENT);
        const QByteArray subject = "ID " + QByteArray::number(id);
        sqlite3_bind_text(statement, 3, subject.constData(), -1, SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(statement), SQLITE_DONE);
    }
    sqlite3_finalize(statement);
    EXPECT_EQ(store->mainList().size(), 2u);
    EXPECT_EQ(store->find(-9000000000000000000LL)->Betreff, "ID -9000000000000000000");
    EXPECT_EQ(renewPassedAppointments(*store, today, today), 4);
    EXPECT_EQ(chainFaults(rowsById(env.databasePath())), QStringList());

    // With the largest ID taken, the database gives no new one: renewal fails and leaves all as it was.
    ASSERT_TRUE(other.execute("INSERT INTO tblTermin (ID, TerminDatum, Wiederholung, sysGesperrt, Betreff)"
                              " VALUES (9223372036854775807, '46000', '2', '0', 'letzte ID')"));
    const std::map<qint64, Appointment> before = rowsById(env.databasePath());
    EXPECT_EQ(renewPassedAppointments(*store, today, today), -1);
    EXPECT_FALSE(store->insert(oneOffRow(today, "neu")));
    EXPECT_EQ(rowsById(env.databasePath()).size(), before.size());
    EXPECT_EQ(lostOrChanged(before, rowsById(env.databasePath())), QStringList());
}
