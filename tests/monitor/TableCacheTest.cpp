// The monitor keeps the rows of its tick between ticks. Whatever the planner or the monitor itself
// writes, each tick must see exactly what a fresh read of the table would give.
#include "TableCache.h"

#include "DateSerial.h"
#include "MonitorFixture.h"
#include "NextWakeup.h"
#include "TerminStore.h"
#include "frmZeittermin.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "ForeignConnection.h"

#include <gtest/gtest.h>

#include <random>

using namespace moravel;
using namespace moravel::monitor;
using moravel::test::appointmentOn;
using moravel::test::child;

namespace {

const QDate kMonday(2026, 3, 9);

std::vector<Appointment> cachedRows(TableCache& cache, const TerminStore& store, qint64 today) {
    EXPECT_TRUE(cache.refresh(store, today));
    return cache.rows();
}

// Every row in main-list order, read now.
std::vector<Appointment> allRows(const TerminStore& store) {
    return store.mainList();
}

// The rule, spelt out for the plain digits these tests store: listed from its lead days through
// its own day.
bool listedOn(const Appointment& row, qint64 today) {
    const qint64 day = row.TerminDatum.toLongLong();
    return day >= today && day - row.VorTage.toLongLong() <= today;
}

// What a tick on this day acts on, from a fresh read: listed rows and rows of yesterday, today and
// tomorrow.
std::vector<Appointment> freshRows(const TerminStore& store, qint64 today) {
    std::vector<Appointment> rows;
    for (const Appointment& row : allRows(store)) {
        const qint64 day = row.TerminDatum.toLongLong();
        if (listedOn(row, today) || (day >= today - 1 && day <= today + 1))
            rows.push_back(row);
    }
    return rows;
}

QStringList subjects(const std::vector<Appointment>& rows) {
    QStringList out;
    for (const Appointment& row : rows)
        out << row.Betreff;
    return out;
}

bool execute(const TerminStore& store, const QString& sql) {
    return test::ForeignConnection(store.path()).execute(sql);
}

class TableCacheTest : public ::testing::Test {
protected:
    test::TestEnvironment env{QDateTime(kMonday, QTime(14, 0))};
    // The monitor's connection and the planner's, on the same file.
    std::unique_ptr<TerminStore> monitor = TerminStore::open(env.databasePath());
    std::unique_ptr<TerminStore> planner = TerminStore::open(env.databasePath());
    TableCache cache;
    const qint64 today = serial::dayNumber(kMonday);
};

} // namespace

TEST_F(TableCacheTest, ReadsOnceWhileNothingChanges) {
    planner->insert(appointmentOn(kMonday, QTime(15, 0), "Arzt"));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList{"Arzt"});
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList{"Arzt"});
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList{"Arzt"});
    EXPECT_EQ(cache.reads(), 1);
}

TEST_F(TableCacheTest, SeesEveryCommitOfTheOtherProgram) {
    const qint64 id = *planner->insert(appointmentOn(kMonday, QTime(15, 0), "Arzt"));
    cachedRows(cache, *monitor, today);

    planner->insert(appointmentOn(kMonday, QTime(9, 0), "Bäcker"));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList({"Bäcker", "Arzt"}));

    ASSERT_TRUE(
        execute(*planner, QStringLiteral("UPDATE tblTermin SET Betreff = 'Zahnarzt' WHERE ID = %1").arg(id)));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList({"Bäcker", "Zahnarzt"}));

    ASSERT_TRUE(planner->remove(id));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList{"Bäcker"});
    EXPECT_EQ(cache.reads(), 4);
}

TEST_F(TableCacheTest, SeesItsOwnConnectionsWrites) {
    cachedRows(cache, *monitor, today);
    // The monitor's own renewal writes through its connection, which data_version does not count.
    monitor->insert(appointmentOn(kMonday, QTime(16, 0), "Neu"));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList{"Neu"});
    ASSERT_TRUE(execute(*monitor, QStringLiteral("UPDATE tblTermin SET Betreff = 'Neuer'")));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList{"Neuer"});
}

TEST_F(TableCacheTest, ANewDayReadsFromItsOwnBound) {
    planner->insert(appointmentOn(kMonday, QTime(15, 0), "Montag"));
    planner->insert(appointmentOn(kMonday.addDays(1), QTime(15, 0), "Dienstag"));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList({"Montag", "Dienstag"}));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today + 2)), QStringList{"Dienstag"});
    EXPECT_EQ(cache.reads(), 2);
}

TEST_F(TableCacheTest, KeepsOnlyRowsATickActsOn) {
    planner->insert(appointmentOn(kMonday.addDays(-2), QTime(23, 0), "Vorgestern", "0", "3"));
    planner->insert(appointmentOn(kMonday.addDays(-1), QTime(23, 0), "Gestern"));
    planner->insert(appointmentOn(kMonday, QTime(15, 0), "Heute"));
    planner->insert(appointmentOn(kMonday.addDays(1), QTime(0, 10), "Morgen früh", "20"));
    planner->insert(appointmentOn(kMonday.addDays(2), QTime(15, 0), "Übermorgen"));
    planner->insert(appointmentOn(kMonday.addDays(5), QTime(15, 0), "Bald", "0", "5"));
    planner->insert(appointmentOn(kMonday.addDays(6), QTime(15, 0), "Später", "0", "5"));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)),
              QStringList({"Gestern", "Heute", "Morgen früh", "Bald"}));
}

TEST_F(TableCacheTest, AnotherTableIsReadAfresh) {
    test::TestEnvironment other;
    auto otherStore = TerminStore::open(other.databasePath());
    otherStore->insert(appointmentOn(kMonday, QTime(8, 0), "Anderswo"));
    planner->insert(appointmentOn(kMonday, QTime(15, 0), "Arzt"));
    EXPECT_EQ(subjects(cachedRows(cache, *monitor, today)), QStringList{"Arzt"});
    EXPECT_EQ(subjects(cachedRows(cache, *otherStore, today)), QStringList{"Anderswo"});
}

TEST_F(TableCacheTest, RandomWritesOfBothProgramsAlwaysMatchAFreshRead) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> action(0, 9);
    std::uniform_int_distribution<int> dayOffset(-3, 10);
    std::uniform_int_distribution<int> minute(0, 24 * 60 - 1);
    qint64 day = serial::dayNumber(kMonday);
    int changes = 0;
    for (int step = 0; step < 400; ++step) {
        TerminStore& writer = random() % 2 ? *planner : *monitor;
        const int what = action(random);
        if (what <= 2) {
            const QDate date = serial::dateOfDay(day + dayOffset(random));
            writer.insert(appointmentOn(date, QTime(0, 0).addSecs(60 * minute(random)),
                                        QStringLiteral("Termin %1").arg(step), "0",
                                        QString::number(step % 15)));
            ++changes;
        } else if (what == 3) {
            execute(writer,
                    QStringLiteral("DELETE FROM tblTermin WHERE ID = (SELECT ID FROM tblTermin ORDER BY "
                                   "random() LIMIT 1)"));
            ++changes;
        } else if (what == 4) {
            execute(writer, QStringLiteral("UPDATE tblTermin SET VorTage = '%1' WHERE ID = (SELECT ID FROM "
                                           "tblTermin ORDER BY random() LIMIT 1)")
                                .arg(step % 15));
            ++changes;
        } else if (what == 5) {
            ++day;
        }
        ASSERT_EQ(cachedRows(cache, *monitor, day), freshRows(*monitor, day)) << "step " << step;
    }
    // Most ticks had nothing new to read.
    EXPECT_LT(cache.reads(), 400);
    EXPECT_GT(changes, 100);
}

// The monitor on the cache: what the planner writes is listed by the next tick, and reminders
// of kept rows still come on their tick.
class MonitorOnCachedRows : public test::MonitorTest {};

TEST_F(MonitorOnCachedRows, NextTickListsWhatThePlannerWrote) {
    addRows({appointmentOn(kMonday, QTime(14, 30), "Arzt", "5")});
    startMonitor();
    main->Command1_Click();
    tickAt(QDateTime(kMonday, QTime(14, 0, 1)));
    EXPECT_EQ(Label1()->text(), "Sie haben 1 aktuellen Termin");

    addRows({appointmentOn(kMonday, QTime(18, 0), "Kino")});
    tickAt(QDateTime(kMonday, QTime(14, 0, 2)));
    EXPECT_EQ(Label1()->text(), "Sie haben 2 aktuelle Termine");
    EXPECT_EQ(List1()->item(4)->text(), "Betreff:  Kino");

    // The reminder of the row kept since the first tick comes on its moment.
    for (QDateTime tick(kMonday, QTime(14, 0, 3)); tick <= QDateTime(kMonday, QTime(14, 25, 1));
         tick = tick.addSecs(1))
        tickAt(tick);
    ASSERT_NE(main->popup(), nullptr);
    EXPECT_TRUE(main->popup()->isVisible());
}

TEST_F(MonitorOnCachedRows, ListMatchesAFreshReadThroughDaysAndChanges) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> dayOffset(-2, 30);
    std::uniform_int_distribution<int> lead(0, 14);
    std::vector<Appointment> rows;
    for (int i = 0; i < 200; ++i)
        rows.push_back(appointmentOn(kMonday.addDays(dayOffset(random)), QTime(i % 24, (i * 7) % 60),
                                     QStringLiteral("Termin %1").arg(i), "0", QString::number(lead(random))));
    addRows(rows);
    startMonitor();
    main->Command1_Click();
    const auto planner = TerminStore::open(env.databasePath());

    QDateTime moment(kMonday, QTime(23, 59, 50));
    for (int tick = 0; tick < 120; ++tick) {
        moment = moment.addSecs(tick % 20 == 19 ? 86400 : 1);
        if (tick % 7 == 3)
            planner->insert(appointmentOn(moment.date().addDays(dayOffset(random)), QTime(12, 0),
                                          QStringLiteral("Neu %1").arg(tick), "0",
                                          QString::number(lead(random))));
        if (tick % 11 == 5)
            planner->remove(planner->mainList().back().ID);
        tickAt(moment);

        const qint64 today = serial::dayNumber(moment.date());
        QStringList expected;
        int current = 0;
        for (const Appointment& row : allRows(*planner)) {
            if (listedOn(row, today)) {
                expected << listLines(row, row.TerminDatum.toLongLong(), today);
                ++current;
            }
        }
        QStringList shown;
        for (int i = 0; i < List1()->count(); ++i)
            shown << List1()->item(i)->text();
        ASSERT_EQ(shown, expected) << "tick " << tick;
        ASSERT_EQ(Label1()->text(), summaryText(current)) << "tick " << tick;
    }
}

// Suspended at 23:50 and woken at 00:05: the reminder of 23:55 comes, even though the midnight
// renewal has meanwhile locked the daily row it belongs to.
TEST_F(MonitorOnCachedRows, AReminderOfTheEveningComesAfterAResumePastMidnight) {
    addRows({appointmentOn(kMonday, QTime(23, 55), "Tabletten", "0", "0", "1")});
    env.clock().set(QDateTime(kMonday, QTime(23, 50)));
    startMonitor();
    Command1()->click();
    tickAt(QDateTime(kMonday.addDays(1), QTime(0, 5)));
    ASSERT_NE(main->popup(), nullptr);
    EXPECT_EQ(child<QLineEdit>(*main->popup(), "Text1")->text(), "Tabletten");
    child<QPushButton>(*main->popup(), "Command2")->click();
    // Given once; tonight's occurrence is the renewed row's.
    tickAt(QDateTime(kMonday.addDays(1), QTime(0, 6)));
    EXPECT_FALSE(main->popup()->isVisible());
    tickAt(QDateTime(kMonday.addDays(1), QTime(23, 55, 1)));
    EXPECT_TRUE(main->popup()->isVisible());
}

TEST_F(MonitorOnCachedRows, AWriteLockOfAnotherProgramNeverHoldsTheTickAndNoReminderIsLost) {
    addRows({appointmentOn(kMonday, QTime(14, 0, 5), "Bekannt")});
    startMonitor();
    Command1()->click();
    // Another program on the file, holding its write lock until it commits.
    test::ForeignConnection other(env.databasePath());
    ASSERT_TRUE(other.execute(QStringLiteral("BEGIN EXCLUSIVE")));
    const Appointment added = appointmentOn(kMonday, QTime(14, 0, 5), "Neu");
    ASSERT_TRUE(
        other.execute(QStringLiteral("INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, "
                                     "Betreff, Wiederholung, VorTage, VorMinuten, sysGesperrt) VALUES "
                                     "('%1', '%2', '%3', 'Neu', '0', '0', '0', '0')")
                          .arg(added.TerminDatum, added.TerminUhrzeit, added.TerminDatumUhrzeit)));

    // Ten seconds under the lock: every tick returns at once, and the row read before the lock
    // reminds on time.
    // (Making the popup window is no part of the wait; that tick may take longer.)
    qint64 slowest = 0;
    for (int second = 1; second <= 10; ++second) {
        const bool popupBefore = main->popup() != nullptr;
        QElapsedTimer took;
        took.start();
        tickAt(QDateTime(kMonday, QTime(14, 0, second)));
        if (popupBefore == (main->popup() != nullptr))
            slowest = std::max(slowest, took.elapsed());
    }
    EXPECT_LT(slowest, 10);
    // The lock may go without a notification: the monitor looks again soon.
    EXPECT_EQ(Timer1()->interval(), kBusyRetryMs);
    ASSERT_NE(main->popup(), nullptr);
    EXPECT_EQ(child<QLineEdit>(*main->popup(), "Text1")->text(), "Bekannt");
    EXPECT_EQ(Label1()->text(), "Sie haben 1 aktuellen Termin");

    // The row written under the lock reminds on the first tick after it, once.
    ASSERT_TRUE(other.execute(QStringLiteral("COMMIT")));
    tickAt(QDateTime(kMonday, QTime(14, 0, 11)));
    EXPECT_EQ(Label1()->text(), "Sie haben 2 aktuelle Termine");
    EXPECT_EQ(Timer1()->interval(), kSafetyIntervalMs);
    child<QPushButton>(*main->popup(), "Command2")->click();
    EXPECT_EQ(child<QLineEdit>(*main->popup(), "Text1")->text(), "Neu");
    child<QPushButton>(*main->popup(), "Command2")->click();
    EXPECT_FALSE(main->popup()->isVisible());
}
