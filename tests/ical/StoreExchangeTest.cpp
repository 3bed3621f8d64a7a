#include "StoreExchange.h"
#include "ForeignConnection.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace moravel;

namespace {

Appointment row(qint64 day, const QString& subject, const QString& recurrence, const QString& locked = "0") {
    Appointment a;
    a.TerminDatum = QString::number(day);
    a.TerminUhrzeit = QStringLiteral("0,37500");
    a.TerminDatumUhrzeit = QString::number(day) + QStringLiteral(",375");
    a.Betreff = subject;
    a.Bemerkungen = QStringLiteral("Zeile eins\nZeile zwei; mit Komma, Umlaut ä");
    a.Wiederholung = recurrence;
    a.VorTage = QStringLiteral("1");
    a.VorMinuten = QStringLiteral("15");
    a.sysGesperrt = locked;
    a.TerminDatumUhrzeitMeldung = QStringLiteral("0,00000");
    return a;
}

QStringList fieldsOf(const TerminStore& store) {
    QStringList out;
    for (const Appointment& a : store.mainList())
        out << test::joinedFields(a);
    return out;
}

// Two machines' files; today is 7 December 2026 (day 46363).
class StoreExchange : public ::testing::Test {
protected:
    test::TestEnvironment a, b;
    ical::CalendarContext context{ical::LocalZone("Europe/Berlin"), QDateTime({2026, 12, 7}, {10, 0})};
    std::unique_ptr<TerminStore> storeA = TerminStore::open(a.databasePath());
    std::unique_ptr<TerminStore> storeB = TerminStore::open(b.databasePath());

    void SetUp() override {
        storeA->insert(row(46370, QStringLiteral("einmalig"), "0"));
        storeA->insert(row(46365, QStringLiteral("wöchentlich"), "2"));
        storeA->insert(row(46350, QStringLiteral("monatlich, vorbei"), "3", "1"));
        storeA->insert(row(46380, QStringLiteral("monatlich"), "3"));
    }
};

} // namespace

TEST_F(StoreExchange, SameFileTakenTwiceAddsNothing) {
    const ical::StoreExport first = ical::exportStore(*storeA, context);
    ASSERT_TRUE(first.ok()) << first.error.toStdString();
    EXPECT_EQ(first.summary, "4 Termine exportiert");
    // The UIDs given at the first export stay the file's own.
    EXPECT_EQ(ical::exportStore(*storeA, context).text, first.text);

    const ical::StoreImport taken = ical::importIntoStore(*storeB, first.text, context);
    ASSERT_TRUE(taken.ok()) << taken.error.toStdString();
    EXPECT_EQ(taken.summary, QString::fromUtf8("4 Termine übernommen"));
    EXPECT_EQ(fieldsOf(*storeB), fieldsOf(*storeA));

    const QStringList before = fieldsOf(*storeB);
    for (const QByteArray& again : {first.text, ical::exportStore(*storeB, context).text}) {
        const ical::StoreImport twice = ical::importIntoStore(*storeB, again, context);
        EXPECT_EQ(twice.summary, QString::fromUtf8("0 Termine übernommen, 4 schon vorhanden"));
        EXPECT_EQ(fieldsOf(*storeB), before);
    }
    // Renewed since: the chain is still known by its UID.
    ical::CalendarContext later = context;
    later.now = later.now.addDays(10);
    ASSERT_TRUE(ical::importIntoStore(
                    *storeB, QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n"), later)
                    .ok());
    EXPECT_GT(storeB->mainList().size(), 4u);
    EXPECT_EQ(ical::importIntoStore(*storeB, first.text, later).taken, 0);
}

TEST_F(StoreExchange, BrokenFileWritesNothingAndSaysWhy) {
    const QByteArray good = ical::exportStore(*storeA, context).text;
    const QByteArray broken[] = {good.left(good.size() / 2), QByteArray("Kein Kalender"), good + "\xff\xfe",
                                 // Events, but none readable.
                                 "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x\r\nDTSTART:bald\r\n"
                                 "END:VEVENT\r\nEND:VCALENDAR\r\n"};
    const QByteArray bytes = test::readFile(b.databasePath());
    for (const QByteArray& file : broken) {
        const ical::StoreImport result = ical::importIntoStore(*storeB, file, context);
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_EQ(result.taken, 0);
    }
    EXPECT_TRUE(storeB->mainList().empty());
    EXPECT_EQ(test::readFile(b.databasePath()), bytes);
}

TEST_F(StoreExchange, FileOnlyReadExportsStablyAndTakesNothing) {
    storeA.reset();
    {
        test::ForeignConnection other(a.databasePath());
        ASSERT_TRUE(other.execute("CREATE TRIGGER t AFTER INSERT ON tblTermin BEGIN SELECT 1; END"));
    }
    storeA = TerminStore::open(a.databasePath());
    const QByteArray bytes = test::readFile(a.databasePath());
    const ical::StoreExport first = ical::exportStore(*storeA, context);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(ical::exportStore(*storeA, context).text, first.text);
    const ical::StoreImport refused = ical::importIntoStore(*storeA, first.text, context);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error.contains(QString::fromUtf8("nur gelesen"))) << refused.error.toStdString();
    EXPECT_EQ(test::readFile(a.databasePath()), bytes);
}

TEST_F(StoreExchange, ImportRenewsWhatHasPassed) {
    storeB->insert(row(46360, QStringLiteral("täglich"), "1"));
    ASSERT_TRUE(ical::importIntoStore(*storeB, ical::exportStore(*storeA, context).text, context).ok());
    // 4 taken, and the daily chain renewed from 4 December to today.
    EXPECT_EQ(storeB->mainList().size(), 4u + 1u + 3u);
}

// A foreign file with updates of one UID, cancellations and unreadable parts: each appointment
// once, the summary names what was left out, and the same file again adds nothing.
TEST_F(StoreExchange, ForeignFileTakenWithWhatWasLeftOutTold) {
    QByteArray file = test::readFile(QStringLiteral(ICAL_TEST_DATA "/mailprogramm.ics"));
    file += test::readFile(QStringLiteral(ICAL_TEST_DATA "/beschaedigt.ics"));
    std::vector<std::pair<qint64, qint64>> steps;
    const ical::StoreImport taken = ical::importIntoStore(
        *storeB, file, context, [&steps](qint64 done, qint64 total) { steps.emplace_back(done, total); });
    ASSERT_TRUE(taken.ok()) << taken.error.toStdString();
    EXPECT_EQ(taken.summary.toStdString(),
              "10 Termine übernommen, 2 nicht lesbar übersprungen („Zahnarzt“: kein Beginn; Zeile 125 "
              "(DTSTART): „Physiotherapie“ ohne lesbaren Beginn), 1 abgesagter Termin nicht übernommen. "
              "Nicht gelesen: „Turnen“: Zeile 132 (RRULE) nicht lesbar, als einmaliger Termin übernommen; "
              "„Bücherei“: Zeile 141 nicht lesbar, ausgelassen; „Kino“: Zeile 147 (DTEND) nicht lesbar, "
              "ausgelassen; Zeile 135 nicht lesbar");
    EXPECT_EQ(storeB->mainList().size(), 10u);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().first, steps.back().second);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));

    const ical::StoreImport again = ical::importIntoStore(*storeB, file, context);
    EXPECT_EQ(again.taken, 0);
    EXPECT_TRUE(again.summary.startsWith(QString::fromUtf8("0 Termine übernommen, 10 schon vorhanden")))
        << again.summary.toStdString();
    EXPECT_EQ(storeB->mainList().size(), 10u);
}
