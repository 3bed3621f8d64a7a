// The passes that leave the history unread (mainListFrom, renewableBefore) against the plain
// pass over every row: on tables of rows in every shape, regular or not, they must hand over
// exactly the same rows in the same order, and on a long history they must not read it.
#include "ForeignConnection.h"
#include "NumberText.h"
#include "TerminStore.h"
#include "TestEnvironment.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace moravel;

namespace {

constexpr qint64 kToday = 46364; // 08.12.2026

// Texts as the table may hold them: mostly what the programs write, and every shape of text a
// hand edit, another tool or an old file may leave. Null QStrings are stored as NULL.
class RowMaker {
public:
    explicit RowMaker(unsigned seed) : m_random(seed) {}

    Appointment next() {
        const qint64 day = kToday + pick(-40, 40);
        const QString time = pick(0, 1) ? QStringLiteral(",%1").arg(pick(0, 99999), 5, 10, QLatin1Char('0'))
                                        : QStringLiteral(".%1").arg(pick(0, 99));
        Appointment a;
        a.TerminDatum =
            oneOf({QString::number(day), QString::number(day), QString::number(day),
                   QStringLiteral(" ") + QString::number(day), QStringLiteral("0") + QString::number(day),
                   QStringLiteral("+") + QString::number(day), QString::number(day) + QStringLiteral(",5"),
                   QStringLiteral("4.6%1e4").arg(day - 46000), QStringLiteral("abc"), QString(),
                   QStringLiteral(""), QStringLiteral("9999"), QStringLiteral("100001"),
                   QString::fromUtf8("\u0664\u0666\u0663\u0667\u0660")});
        const QString dayText = pick(0, 5) ? QString::number(day) : QString::number(day + pick(-3, 3));
        a.TerminDatumUhrzeit =
            oneOf({dayText + time, dayText + time, dayText + time, dayText, dayText + QStringLiteral(","),
                   dayText + QStringLiteral(",5e3"), dayText + QStringLiteral(",99999999999999999999"),
                   QStringLiteral(" ") + dayText, dayText + QStringLiteral(" "), QString(),
                   QStringLiteral("x"), QStringLiteral("100001,5"), QStringLiteral("9999,5")});
        a.Wiederholung = oneOf({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"),
                                QStringLiteral("2"), QStringLiteral("7"), QStringLiteral("8"),
                                QStringLiteral("1,0"), QStringLiteral(" 3"), QStringLiteral("x"), QString()});
        a.sysGesperrt =
            oneOf({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1"),
                   QStringLiteral("0,0"), QStringLiteral("1,0"), QStringLiteral(" 0"), QString()});
        a.VorTage =
            oneOf({QStringLiteral("0"), QStringLiteral("3"), QStringLiteral("30"), QStringLiteral("x")});
        a.Betreff = QStringLiteral("Termin");
        return a;
    }

private:
    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_random); }
    QString oneOf(const QStringList& texts) { return texts.at(pick(0, static_cast<int>(texts.size()) - 1)); }

    std::mt19937 m_random;
};

// The key a pass sees, made from a row read in full (every text here is valid UTF-8).
struct Key {
    QByteArray day, moment, digit, lead, flag;
    TerminStore::RowKey view(qint64 id) const { return {id, day, moment, digit, lead, flag}; }
};
Key keyOf(const Appointment& a) {
    return {a.TerminDatum.toUtf8(), a.TerminDatumUhrzeit.toUtf8(), a.Wiederholung.toUtf8(),
            a.VorTage.toUtf8(), a.sysGesperrt.toUtf8()};
}

std::vector<qint64> idsOf(const std::vector<Appointment>& rows) {
    std::vector<qint64> ids;
    for (const Appointment& a : rows)
        ids.push_back(a.ID);
    return ids;
}

// The rows the plain pass over every row would keep, in its order.
std::vector<qint64> reference(const TerminStore& store, const TerminStore::RowFilter& keep) {
    std::vector<qint64> ids;
    for (const Appointment& a : store.mainList()) {
        if (keep(keyOf(a).view(a.ID)))
            ids.push_back(a.ID);
    }
    return ids;
}

std::vector<qint64> from(const TerminStore& store, qint64 firstDay, const TerminStore::RowFilter& keep) {
    std::vector<Appointment> rows;
    EXPECT_TRUE(store.mainListFrom(firstDay, keep, [&rows](const Appointment& a) { rows.push_back(a); }));
    return idsOf(rows);
}

// The planner's list at start-up: coming rows, and rows that fell due after the last closing.
TerminStore::RowFilter listedOrMissed(double closedAt, double now) {
    return [closedAt, now](const TerminStore::RowKey& key) {
        const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
        const std::optional<double> moment = numtext::parseUtf8(key.TerminDatumUhrzeit);
        return (day && *day >= kToday) || (moment && closedAt < *moment && *moment < now);
    };
}

bool renewableOn(const TerminStore::RowKey& key, qint64 today) {
    const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
    const std::optional<qint64> digit = numtext::parseWholeUtf8(key.Wiederholung);
    const std::optional<double> flag = numtext::parseUtf8(key.sysGesperrt);
    return day && digit && flag && *day < today && *digit >= 1 && *digit <= 7 && *flag == 0;
}

bool renewable(const TerminStore::RowKey& key) {
    return renewableOn(key, kToday);
}

class TerminStorePassesTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    std::unique_ptr<TerminStore> store;
    void SetUp() override {
        store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
    }
    // Rows in shapes the store never writes, as another tool stores them.
    void exec(const char* sql) {
        test::ForeignConnection other(env.databasePath());
        ASSERT_TRUE(other.execute(QString::fromUtf8(sql))) << other.error().toStdString();
    }
};

} // namespace

TEST_F(TerminStorePassesTest, SameRowsInTheSameOrderAsThePlainPass) {
    RowMaker maker(20261208);
    TerminStore::WriteTransaction batch(*store);
    for (int i = 0; i < 3000; ++i)
        store->insert(maker.next());
    ASSERT_TRUE(batch.commit());
    // BLOBs, which sort after every text, and rows of equal keys, which sort by ID.
    exec("INSERT INTO tblTermin (TerminDatum, TerminDatumUhrzeit, Wiederholung, sysGesperrt)"
         " VALUES (CAST('46370' AS BLOB), CAST('46370,5' AS BLOB), '1', '0'),"
         " (CAST('46300' AS BLOB), '46300,5', CAST('2' AS BLOB), CAST('0' AS BLOB)),"
         " ('46362', CAST('46362,5' AS BLOB), '0', '0'),"
         " ('46380', '46380,25000', '0', '0'), ('46380', '46380,25000', '0', '0')");

    const double now = kToday + 0.6;
    // Closed an hour ago, a week ago, never (the setting missing), and before any five-digit day.
    for (const double closedAt : {now - 1.0 / 24, now - 7, now + 100, 5000.0}) {
        const qint64 firstDay = std::min(kToday, static_cast<qint64>(std::floor(closedAt)));
        const auto keep = listedOrMissed(closedAt, now);
        const std::vector<qint64> expected = reference(*store, keep);
        EXPECT_GT(expected.size(), 500u);
        EXPECT_EQ(from(*store, firstDay, keep), expected) << "closed at " << closedAt;

        // The start-up's report reads only the days since the closing, yet finds every row.
        const TerminStore::RowFilter missed = [closedAt, now](const TerminStore::RowKey& key) {
            const std::optional<double> moment = numtext::parseUtf8(key.TerminDatumUhrzeit);
            return moment && closedAt < *moment && *moment < now;
        };
        std::vector<qint64> found;
        EXPECT_TRUE(store->mayFallDueFrom(firstDay, kToday, missed,
                                          [&found](const Appointment& a) { found.push_back(a.ID); }));
        EXPECT_EQ(found, reference(*store, missed)) << "closed at " << closedAt;
    }

    // The first screen of the coming rows, and their number counted without reading them.
    const TerminStore::RowFilter coming = [](const TerminStore::RowKey& key) {
        const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
        return day && *day >= kToday;
    };
    const std::vector<qint64> listed = reference(*store, coming);
    EXPECT_EQ(store->countListedFrom(kToday, coming), static_cast<qint64>(listed.size()));
    std::vector<qint64> screen;
    ASSERT_TRUE(store->mainListFrom(
        kToday, coming, [&screen](const Appointment& a) { screen.push_back(a.ID); },
        [&screen](const TerminStore::RowKey&) { return screen.size() >= 200; }));
    EXPECT_EQ(screen, std::vector<qint64>(listed.begin(), listed.begin() + 200));

    std::vector<qint64> expected;
    for (const Appointment& a : store->mainList()) {
        if (renewable(keyOf(a).view(a.ID)))
            expected.push_back(a.ID);
    }
    std::vector<qint64> found;
    ASSERT_TRUE(
        store->renewableBefore(kToday, renewable, [&found](const Appointment& a) { found.push_back(a.ID); }));
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_GT(expected.size(), 50u);
    EXPECT_EQ(found, expected);
}

TEST_F(TerminStorePassesTest, YearsOfHistoryAreNotRead) {
    TerminStore::WriteTransaction batch(*store);
    Appointment a;
    a.Betreff = QStringLiteral("Geschichte");
    for (int i = 0; i < 5000; ++i) {
        const qint64 day = kToday - 1 - i % 3650;
        a.TerminDatum = QString::number(day);
        a.TerminDatumUhrzeit = numtext::fixed5(static_cast<double>(day) + 0.5);
        a.Wiederholung = i % 2 ? QStringLiteral("0") : QStringLiteral("3");
        a.sysGesperrt = i % 2 ? QStringLiteral("0") : QStringLiteral("1");
        store->insert(a);
    }
    a.TerminDatum = QString::number(kToday + 2);
    a.TerminDatumUhrzeit = numtext::fixed5(static_cast<double>(kToday) + 2.5);
    a.Wiederholung = QStringLiteral("3");
    a.sysGesperrt = QStringLiteral("0");
    store->insert(a);
    a.TerminDatum = QStringLiteral(" 46000"); // irregular: always read
    store->insert(a);
    ASSERT_TRUE(batch.commit());

    int asked = 0;
    const auto counting = [&asked](const TerminStore::RowKey&) {
        ++asked;
        return true;
    };
    const auto ignore = [](const Appointment&) {};
    ASSERT_TRUE(store->mainListFrom(kToday, counting, ignore));
    EXPECT_EQ(asked, 2);
    asked = 0;
    ASSERT_TRUE(store->renewableBefore(kToday, counting, ignore));
    EXPECT_EQ(asked, 1);
}

TEST_F(TerminStorePassesTest, NumbersInAnUntypedTableAreReadAsWell) {
    // A table made by other means keeps numbers as numbers; in SQLite's order they sort before
    // every text, and a number key must never pass for a text key of the same digits.
    store.reset();
    test::TestEnvironment other;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(other.databasePath()).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(
                  db,
                  "CREATE TABLE tblTermin (ID INTEGER PRIMARY KEY, TerminDatum, TerminUhrzeit,"
                  " TerminDatumUhrzeit, Betreff, Bemerkungen, Wiederholung, VorTage, VorMinuten,"
                  " sysGesperrt, \"ZuletztGeöffnetAm\", TerminDatumUhrzeitMeldung);"
                  "INSERT INTO tblTermin (TerminDatum, TerminDatumUhrzeit, Wiederholung, sysGesperrt) VALUES"
                  " (46364, 46364, 1, 0), (46370, 46370.5, '1', '0'), (46300, 46300.5, 2, 0),"
                  " ('46365', 46365, '0', '0'), (46366, '46366,5', 0, 1), ('46250', '46250,5', 3, 0)",
                  nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    auto untyped = TerminStore::open(other.databasePath());
    ASSERT_TRUE(untyped);

    const auto everyKeyedRow = [](const TerminStore::RowKey& key) {
        const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
        return day && *day >= kToday;
    };
    EXPECT_EQ(from(*untyped, kToday, everyKeyedRow), reference(*untyped, everyKeyedRow));
    EXPECT_EQ(from(*untyped, kToday, everyKeyedRow), (std::vector<qint64>{1, 4, 2, 5}));

    std::vector<qint64> found;
    ASSERT_TRUE(untyped->renewableBefore(kToday, renewable,
                                         [&found](const Appointment& a) { found.push_back(a.ID); }));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<qint64>{3, 6}));
}

TEST_F(TerminStorePassesTest, OpeningGivesEveryFileTheIndexesAsTheyAreNow) {
    store.reset();
    test::TestEnvironment other;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(other.databasePath()).constData(), &db), SQLITE_OK);
    // No sort-key index and a partial index whose condition has since changed.
    ASSERT_EQ(
        sqlite3_exec(db,
                     "CREATE TABLE tblTermin (ID INTEGER PRIMARY KEY AUTOINCREMENT, TerminDatum TEXT,"
                     " TerminUhrzeit TEXT, TerminDatumUhrzeit TEXT, Betreff TEXT, Bemerkungen TEXT,"
                     " Wiederholung TEXT, VorTage TEXT, VorMinuten TEXT, sysGesperrt TEXT,"
                     " \"ZuletztGeöffnetAm\" TEXT, TerminDatumUhrzeitMeldung TEXT);"
                     "CREATE INDEX idxUnregelmaessig ON tblTermin(TerminDatumUhrzeit) WHERE 0;"
                     "INSERT INTO tblTermin (TerminDatum, TerminDatumUhrzeit) VALUES (' 46370', '46370,5')",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);

    const auto indexes = [](const TerminStore& opened) {
        return test::ForeignConnection(opened.path())
            .column("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'tblTermin' ORDER BY "
                    "name");
    };
    QByteArray made;
    {
        auto opened = TerminStore::open(other.databasePath());
        ASSERT_TRUE(opened);
        const QStringList sql = indexes(*opened);
        ASSERT_EQ(sql.size(), 3);
        EXPECT_TRUE(sql[1].contains("idxTerminDatumUhrzeit"));
        EXPECT_TRUE(sql[2].contains("idxUnregelmaessig") && sql[2].contains("GLOB")) << sql[2].toStdString();
        // The irregular row is found through the rebuilt index.
        std::vector<qint64> ids;
        ASSERT_TRUE(opened->mainListFrom(
            kToday, [](const TerminStore::RowKey&) { return true; },
            [&ids](const Appointment& a) { ids.push_back(a.ID); }));
        EXPECT_EQ(ids, std::vector<qint64>{1});
        made = test::readFile(other.databasePath());
    }
    // Indexes as they are now are left alone: opening again writes nothing.
    auto again = TerminStore::open(other.databasePath());
    ASSERT_TRUE(again);
    EXPECT_EQ(test::readFile(other.databasePath()), made);
}

TEST_F(TerminStorePassesTest, PastListCutToItsLimitIsTheNewestRowsThatAreNotDaily) {
    TerminStore::WriteTransaction batch(*store);
    Appointment a;
    const QStringList digits = {"1", "0", " 1", "1,0", QString(), "01", "2", "1"};
    for (int i = 0; i < 3000; ++i) {
        const qint64 day = kToday - 1 - i % 900;
        a.TerminDatum = QString::number(day);
        a.TerminDatumUhrzeit = numtext::fixed5(static_cast<double>(day) + (i % 24) / 24.0);
        a.Wiederholung = digits.at(i % digits.size());
        a.Betreff = i % 3 ? QStringLiteral("Arzt") : QStringLiteral("Zahnarzt");
        store->insert(a);
    }
    ASSERT_TRUE(batch.commit());
    // Stored otherwise, yet read as the text "1": daily all the same.
    exec("INSERT INTO tblTermin (TerminDatum, TerminDatumUhrzeit, Wiederholung, Betreff)"
         " VALUES ('46363', '46363,9', CAST('1' AS BLOB), 'Arzt'), ('46363', '46363,8', 'x', 'Arzt')");

    const QString today = QString::number(kToday);
    for (const std::optional<QString>& search : {std::optional<QString>(), std::optional<QString>("zahn")}) {
        std::vector<qint64> expected;
        for (const Appointment& row : store->pastList(today, search)) {
            if (row.Wiederholung != QLatin1String("1") && expected.size() < 600)
                expected.push_back(row.ID);
        }
        ASSERT_EQ(expected.size(), 600u);
        EXPECT_EQ(idsOf(store->pastList(today, search, 600)), expected);
    }
}

// The passes from a day on, and to renew before it, at the ends of the five-digit days: the day
// numbers whose text sorts as the number does.
TEST_F(TerminStorePassesTest, DaysAtTheEndsOfTheFiveDigitRangeMissNoRow) {
    RowMaker maker(4711);
    TerminStore::WriteTransaction batch(*store);
    for (int i = 0; i < 400; ++i)
        store->insert(maker.next());
    for (const qint64 day : {9990, 9999, 10000, 10001, 99990, 99999, 100000, 100001}) {
        for (const char* digit : {"0", "1", "6"}) {
            Appointment a;
            a.TerminDatum = QString::number(day);
            a.TerminDatumUhrzeit = numtext::fixed5(static_cast<double>(day) + 0.5);
            a.Wiederholung = QString::fromUtf8(digit);
            a.sysGesperrt = QStringLiteral("0");
            store->insert(a);
        }
    }
    ASSERT_TRUE(batch.commit());
    for (const qint64 firstDay : {9999, 10000, 99999, 100000}) {
        SCOPED_TRACE(firstDay);
        const auto onOrAfter = [firstDay](const TerminStore::RowKey& key) {
            const std::optional<qint64> day = numtext::parseWholeUtf8(key.TerminDatum);
            return day && *day >= firstDay;
        };
        EXPECT_EQ(from(*store, firstDay, onOrAfter), reference(*store, onOrAfter));
        const auto before = [firstDay](const TerminStore::RowKey& key) { return renewableOn(key, firstDay); };
        std::vector<qint64> found;
        ASSERT_TRUE(store->renewableBefore(firstDay, before,
                                           [&found](const Appointment& a) { found.push_back(a.ID); }));
        std::vector<qint64> expected = reference(*store, before);
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected);
    }
}
