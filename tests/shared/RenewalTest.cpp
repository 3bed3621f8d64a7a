#include "Renewal.h"
#include "DateSerial.h"
#include "ForeignConnection.h"
#include "NumberText.h"
#include "RestartRenewal.h"
#include "TestEnvironment.h"

#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace moravel;

namespace {

qint64 day(int y, int m, int d) {
    return serial::dayNumber(QDate(y, m, d));
}

Appointment recurring(qint64 onDay, const QString& time, const QString& digit, const QString& subject) {
    Appointment a;
    a.TerminDatum = QString::number(onDay);
    a.TerminUhrzeit = time;
    a.TerminDatumUhrzeit = numtext::general(static_cast<double>(onDay) + numtext::parse(time).value_or(0.0));
    a.Betreff = subject;
    a.Bemerkungen = QStringLiteral("Bemerkung zu ") + subject;
    a.Wiederholung = digit;
    a.VorTage = QStringLiteral("2");
    a.VorMinuten = QStringLiteral("15");
    a.sysGesperrt = QStringLiteral("0");
    a.ZuletztGeoeffnetAm = QStringLiteral("46000,50000");
    a.TerminDatumUhrzeitMeldung = QStringLiteral("0,00000");
    return a;
}

// Every row without its ID, in a stable order: what two renewals must agree on.
QStringList contents(const TerminStore& store) {
    QStringList rows;
    for (const Appointment& a : store.mainList()) {
        rows << test::joinedFields(a);
    }
    rows.sort();
    return rows;
}

// "TerminDatum flag" of every row of a subject, oldest first.
QStringList chain(const TerminStore& store, const QString& subject) {
    QStringList out;
    for (const Appointment& a : store.mainList()) {
        if (a.Betreff == subject)
            out << serial::dateOfDay(a.TerminDatum.toLongLong()).toString("dd.MM.yyyy") + " " + a.sysGesperrt;
    }
    return out;
}

bool isNull(TerminStore& store, qint64 id, const char* column) {
    return test::ForeignConnection(store.path())
               .column(QStringLiteral("SELECT %1 IS NULL FROM tblTermin WHERE ID = %2")
                           .arg(QLatin1String(column))
                           .arg(id)) == QStringList({"1"});
}

class RenewalTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    std::unique_ptr<TerminStore> store;
    void SetUp() override {
        store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
    }
    qint64 add(const Appointment& a) { return *store->insert(a); }
};

} // namespace

TEST_F(RenewalTest, YearlyRowGetsItsNextOccurrenceWithTheRowTexts) {
    Appointment a = recurring(day(2026, 12, 7), "0,60417", "6", QString::fromUtf8("Jahrestag \"Müller\""));
    a.Bemerkungen = QString::fromUtf8("Zeile 1\nZeile 2 – ß");
    const qint64 id = add(a);
    const double now = day(2026, 12, 8) + 0.375;

    ASSERT_EQ(renewPassedAppointments(*store, day(2026, 12, 8), now), 1);

    const std::vector<Appointment> rows = store->mainList();
    ASSERT_EQ(rows.size(), 2u);
    Appointment old = a;
    old.ID = id;
    old.sysGesperrt = "1";
    EXPECT_EQ(rows[0], old);
    const Appointment& next = rows[1];
    EXPECT_EQ(next.TerminDatum, "46728");
    EXPECT_EQ(next.TerminDatumUhrzeit, "46728,60417");
    EXPECT_EQ(next.TerminUhrzeit, "0,60417");
    EXPECT_EQ(next.Betreff, a.Betreff);
    EXPECT_EQ(next.Bemerkungen, a.Bemerkungen);
    EXPECT_EQ(next.Wiederholung, "6");
    EXPECT_EQ(next.VorTage, "2");
    EXPECT_EQ(next.VorMinuten, "15");
    EXPECT_EQ(next.sysGesperrt, "0");
    EXPECT_EQ(next.ZuletztGeoeffnetAm, numtext::fixed5(now));
    EXPECT_TRUE(isNull(*store, next.ID, "TerminDatumUhrzeitMeldung"));
}

TEST_F(RenewalTest, MonthlyAndHalfYearlyRowsWrapIntoTheNextYear) {
    add(recurring(day(2026, 12, 15), "0,50000", "3", "monatlich"));
    add(recurring(day(2026, 9, 10), "0,50000", "5", "halbjährlich"));
    EXPECT_EQ(renewPassedAppointments(*store, day(2026, 12, 16), day(2026, 12, 16)), 2);
    EXPECT_EQ(chain(*store, "monatlich"), QStringList({"15.12.2026 1", "15.01.2027 0"}));
    EXPECT_EQ(chain(*store, "halbjährlich"), QStringList({"10.09.2026 1", "10.03.2027 0"}));
}

TEST_F(RenewalTest, WeeklyBacklogLeavesEveryOccurrenceLocked) {
    add(recurring(day(2026, 12, 1), "0,41667", "2", "Training"));
    EXPECT_EQ(renewPassedAppointments(*store, day(2026, 12, 16), day(2026, 12, 16) + 0.5), 3);
    EXPECT_EQ(chain(*store, "Training"),
              QStringList({"01.12.2026 1", "08.12.2026 1", "15.12.2026 1", "22.12.2026 0"}));
    // Nothing is left to renew.
    EXPECT_EQ(renewPassedAppointments(*store, day(2026, 12, 16), day(2026, 12, 16) + 0.6), 0);
}

TEST_F(RenewalTest, RowOfTodayIsNotRenewedEvenWhenItsTimeIsOver) {
    add(recurring(day(2026, 12, 7), "0,00069", "1", "heute früh"));
    add(recurring(day(2026, 12, 8), "0,50000", "1", "morgen"));
    const QStringList before = contents(*store);
    EXPECT_EQ(renewPassedAppointments(*store, day(2026, 12, 7), day(2026, 12, 7) + 0.99), 0);
    EXPECT_EQ(contents(*store), before);
    EXPECT_EQ(renewPassedAppointments(*store, day(2026, 12, 8), day(2026, 12, 8) + 0.01), 1);
    EXPECT_EQ(chain(*store, "heute früh"), QStringList({"07.12.2026 1", "08.12.2026 0"}));
}

TEST_F(RenewalTest, EmptyTimeStaysEmptyAndSortsAsMidnight) {
    add(recurring(day(2026, 12, 6), "", "1", "ganztags"));
    ASSERT_EQ(renewPassedAppointments(*store, day(2026, 12, 7), day(2026, 12, 7)), 1);
    const Appointment next = store->mainList().back();
    EXPECT_EQ(next.TerminDatum, "46363");
    EXPECT_TRUE(next.TerminUhrzeit.isEmpty());
    EXPECT_EQ(next.TerminDatumUhrzeit, "46363,00000");
}

// Beyond day 99 999 the day's text sorts among the earlier ones, and before day 10 000 after
// them: the rows passed by such a today are found all the same.
TEST_F(RenewalTest, RowsAroundTheEndsOfTheFiveDigitDaysAreRenewed) {
    struct Case {
        qint64 today;
        std::vector<std::pair<qint64, const char*>> dayAndDigit;
        int renewed;
    };
    const std::vector<Case> cases = {{100000, {{99990, "6"}, {99999, "1"}}, 2},
                                     {99999, {{99990, "6"}, {99999, "1"}}, 1},
                                     {10000, {{9990, "6"}, {9999, "1"}}, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.today);
        store.reset();
        QFile::remove(env.databasePath());
        store = TerminStore::open(env.databasePath());
        for (const auto& [onDay, digit] : c.dayAndDigit)
            add(recurring(onDay, "0,50000", QString::fromUtf8(digit), QString::fromUtf8(digit)));
        EXPECT_EQ(renewPassedAppointments(*store, c.today, c.today), c.renewed);
        EXPECT_EQ(renewPassedAppointments(*store, c.today, c.today), 0);
    }
}

TEST_F(RenewalTest, ClampedMonthEndCarriesOnFromTheClampedDay) {
    add(recurring(day(2027, 1, 31), "0,50000", "3", "Monatsende"));
    EXPECT_EQ(renewPassedAppointments(*store, day(2027, 4, 1), day(2027, 4, 1)), 3);
    EXPECT_EQ(chain(*store, "Monatsende"),
              QStringList({"31.01.2027 1", "28.02.2027 1", "28.03.2027 1", "28.04.2027 0"}));
}

TEST_F(RenewalTest, RowsThatAreNoRenewalNeverStopThePass) {
    const qint64 past = day(2026, 12, 1);
    QList<Appointment> skipped;
    auto skip = [&](const char* date, const char* digit, const char* flag) {
        Appointment a = recurring(past, "0,25000", QString::fromUtf8(digit), "skip");
        a.TerminDatum = QString::fromUtf8(date);
        a.TerminDatumUhrzeit = "40000"; // first in the pass
        a.sysGesperrt = QString::fromUtf8(flag);
        skipped << a;
        add(a);
    };
    skip("abc", "1", "0");
    skip("", "1", "0");
    skip("46357", "x", "0");
    skip("46357", "", "0");
    skip("46357", "0", "0");
    skip("46357", "8", "0");
    skip("46357", "-2", "0");
    skip("46357", "1", "1");
    skip("46357", "1", "");
    skip("46357", "1", "ja");
    add(recurring(past, "0,25000", "2", "renewed"));

    EXPECT_EQ(renewPassedAppointments(*store, day(2026, 12, 7), day(2026, 12, 7)), 1);
    EXPECT_EQ(chain(*store, "renewed"), QStringList({"01.12.2026 1", "08.12.2026 0"}));
    QList<Appointment> after;
    for (Appointment a : store->mainList()) {
        if (a.Betreff == "skip") {
            a.ID = 0;
            after << a;
        }
    }
    EXPECT_EQ(after.size(), skipped.size());
    for (const Appointment& a : skipped)
        EXPECT_TRUE(after.contains(a)) << a.TerminDatum.toStdString() << "/" << a.Wiederholung.toStdString();
}

TEST_F(RenewalTest, ANumericFlagThatReadsAsZeroIsLive) {
    Appointment a = recurring(day(2026, 12, 5), "0,25000", "1", "Flag");
    a.sysGesperrt = "0,0";
    add(a);
    EXPECT_EQ(renewPassedAppointments(*store, day(2026, 12, 7), day(2026, 12, 7)), 2);
    EXPECT_EQ(chain(*store, "Flag"), QStringList({"05.12.2026 1", "06.12.2026 1", "07.12.2026 0"}));
}

TEST_F(RenewalTest, LeavesTheSameRowsAsRestartingThePassPerRenewal) {
    const qint64 today = day(2026, 12, 7);
    auto fill = [&](TerminStore& target) {
        target.insert(recurring(today - 150, "0,33333", "1", "täglich"));
        target.insert(recurring(today - 150, "", "1", "täglich ohne Zeit"));
        target.insert(recurring(today - 90, "0,75000", "2", "wöchentlich"));
        target.insert(recurring(day(2019, 8, 31), "0,50000", "3", "monatlich am 31."));
        target.insert(recurring(day(2020, 11, 30), "0,50000", "4", "vierteljährlich"));
        target.insert(recurring(day(2016, 2, 29), "0,50000", "6", "jährlich am 29.2."));
        target.insert(recurring(day(2012, 2, 29), "0,10000", "7", "zweijährig"));
        target.insert(recurring(today - 3, "0,90000", "0", "einmalig"));
        target.insert(recurring(today + 3, "0,90000", "1", "künftig"));
    };
    fill(*store);
    test::TestEnvironment otherEnv;
    auto reference = TerminStore::open(otherEnv.databasePath());
    ASSERT_TRUE(reference);
    fill(*reference);

    const double now = today + 0.4;
    const int expected = reference::renewByRestartingPass(reference->path(), today, now);
    ASSERT_GT(expected, 300);
    EXPECT_EQ(renewPassedAppointments(*store, today, now), expected);
    EXPECT_EQ(contents(*store), contents(*reference));
}

TEST_F(RenewalTest, FailureInsideABacklogLeavesNoPartOfIt) {
    // A table made by another tool that refuses the occurrence of 46360 halfway through the backlog.
    store.reset();
    ASSERT_TRUE(QFile::remove(env.databasePath()));
    ASSERT_TRUE(
        test::ForeignConnection(env.databasePath())
            .execute("CREATE TABLE tblTermin (ID INTEGER PRIMARY KEY AUTOINCREMENT, TerminDatum TEXT"
                     " CHECK (TerminDatum IS NOT '46360'), TerminUhrzeit TEXT, TerminDatumUhrzeit TEXT,"
                     " Betreff TEXT, Bemerkungen TEXT, Wiederholung TEXT, VorTage TEXT, VorMinuten TEXT,"
                     " sysGesperrt TEXT, \"ZuletztGeöffnetAm\" TEXT, TerminDatumUhrzeitMeldung TEXT)"));
    store = TerminStore::open(env.databasePath());
    ASSERT_TRUE(store);
    const qint64 today = day(2026, 12, 7);
    add(recurring(today - 10, "0,50000", "1", "täglich"));
    const QStringList before = contents(*store);
    EXPECT_EQ(renewPassedAppointments(*store, today, today), -1);
    EXPECT_EQ(contents(*store), before);
    EXPECT_FALSE(store->lastError().isEmpty());

    // Up to the day before the refused one the same backlog goes in.
    EXPECT_EQ(renewPassedAppointments(*store, 46359, 46359), 6);
}

// Both programs renew the same backlog at the same moment, each through its own connection.
// Without one write transaction per check-and-insert, both would insert next occurrences.
TEST(RenewalBetweenProcesses, SameBacklogYieldsExactlyOneChain) {
    const qint64 today = day(2026, 12, 7);
    const double now = today + 0.5;
    for (int round = 0; round < 30; ++round) {
        test::TestEnvironment env;
        {
            auto store = TerminStore::open(env.databasePath());
            ASSERT_TRUE(store);
            store->insert(recurring(today - 20, "0,50000", "1", "täglich"));
            store->insert(recurring(today - 35, "0,50000", "2", "wöchentlich"));
            store->insert(recurring(today - 31, "0,50000", "3", "monatlich"));
        }
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(go[1]);
            auto store = TerminStore::open(env.databasePath());
            char start;
            const bool started = ::read(go[0], &start, 1) == 1;
            const int inserted = store && started ? renewPassedAppointments(*store, today, now) : -1;
            ::_exit(inserted < 0 ? 255 : inserted);
        }
        ::close(go[0]);
        auto store = TerminStore::open(env.databasePath());
        ASSERT_TRUE(store);
        ASSERT_EQ(::write(go[1], "x", 1), 1);
        ::close(go[1]);
        const int ours = renewPassedAppointments(*store, today, now);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const int theirs = WEXITSTATUS(status);
        ASSERT_NE(theirs, 255) << "round " << round;
        ASSERT_GE(ours, 0) << "round " << round;

        EXPECT_EQ(ours + theirs, 20 + 5 + 2) << "round " << round;
        EXPECT_EQ(store->mainList().size(), 3u + 27u) << "round " << round;
        EXPECT_EQ(chain(*store, "wöchentlich"), QStringList({"02.11.2026 1", "09.11.2026 1", "16.11.2026 1",
                                                             "23.11.2026 1", "30.11.2026 1", "07.12.2026 0"}))
            << "round " << round;
        EXPECT_EQ(chain(*store, "monatlich"), QStringList({"06.11.2026 1", "06.12.2026 1", "06.01.2027 0"}))
            << "round " << round;
        if (HasFailure())
            break;
    }
}
