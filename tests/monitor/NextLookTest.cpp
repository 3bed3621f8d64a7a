// Between two looks the watching monitor sleeps: its timer is aimed at the next reminder, and
// changes of the file and jumps of the clock wake it early.
#include "ClockJumpWatch.h"
#include "MonitorFixture.h"
#include "NextWakeup.h"
#include "TableWatch.h"
#include "frmZeittermin.h"

#include <QLineEdit>
#include <QSignalSpy>

#include <sqlite3.h>

#include <functional>

using namespace moravel;
using namespace moravel::test;

namespace {

const QDate kMonday(2026, 3, 9);

class NextLook : public MonitorTest {
protected:
    NextLook() : MonitorTest(QDateTime(kMonday, QTime(14, 0))) {}

    // Watching, after the first look.
    void startLooking(const std::vector<Appointment>& rows) {
        startWatching(rows);
        tickAt(env.clock().currentDateTime());
    }
    std::unique_ptr<TerminStore> planner() const { return TerminStore::open(env.databasePath()); }
    bool popupShown() const { return main->popup() && main->popup()->isVisible(); }
};

} // namespace

TEST_F(NextLook, TheTimerAimsAtTheNearestReminderAfterEveryChangeOfIt) {
    startLooking(
        {appointmentOn(kMonday, QTime(14, 0, 40), "A"), appointmentOn(kMonday, QTime(14, 0, 50), "B")});
    const auto store = planner();
    const auto idOf = [&store](const QString& subject) {
        for (const Appointment& row : store->mainList())
            if (row.Betreff == subject)
                return row.ID;
        return qint64(0);
    };
    // Each step begins 432 ms before its five-decimal time: 14:00:40 is 0,58380 from 14:00:39.888.
    const struct {
        const char* change;
        std::function<void()> make;
        int ms;
    } steps[] = {
        {"none", [] {}, 39888},
        {"an earlier row inserted", [&] { store->insert(appointmentOn(kMonday, QTime(14, 0, 20), "C")); },
         19152},
        {"the earlier row deleted", [&] { store->remove(idOf("C")); }, 39888},
        {"the nearest row edited earlier",
         [&] { store->replace(idOf("A"), appointmentOn(kMonday, QTime(14, 0, 30), "A")); }, 29520},
        {"the nearest row edited later",
         [&] { store->replace(idOf("A"), appointmentOn(kMonday, QTime(14, 0, 55), "A")); }, 49392},
        {"every row beyond a minute",
         [&] {
             store->remove(idOf("B"));
             store->replace(idOf("A"), appointmentOn(kMonday, QTime(14, 30), "A"));
         },
         monitor::kSafetyIntervalMs},
    };
    for (const auto& step : steps) {
        step.make();
        tickAt(QDateTime(kMonday, QTime(14, 0)));
        EXPECT_TRUE(Timer1()->isActive()) << step.change;
        EXPECT_EQ(Timer1()->interval(), step.ms) << step.change;
    }
    // The aim is the first moment of the reminder's step: a millisecond earlier is too early.
    tickAt(QDateTime(kMonday, QTime(14, 29, 59, 855)));
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(Timer1()->interval(), 1);
    tickAt(QDateTime(kMonday, QTime(14, 29, 59, 856)));
    EXPECT_TRUE(popupShown());
}

TEST_F(NextLook, AClockSetForwardOrBackIsLookedAtAtOnceAndAReminderGivenIsNotAimedAtAgain) {
    startLooking(
        {appointmentOn(kMonday, QTime(14, 30), "A"), appointmentOn(kMonday, QTime(14, 30, 40), "B")});
    auto* jumps = child<monitor::ClockJumpWatch>(*main, "clockJumpWatch");
    EXPECT_EQ(Timer1()->interval(), monitor::kSafetyIntervalMs);

    env.clock().set(QDateTime(kMonday, QTime(14, 30, 20)));
    Q_EMIT jumps->jumped();
    EXPECT_EQ(Timer1()->interval(), monitor::kSettleMs);
    tickAt(QDateTime(kMonday, QTime(14, 30, 20)));
    ASSERT_TRUE(popupShown());
    EXPECT_EQ(child<QLineEdit>(*main->popup(), "Text1")->text(), "A");
    EXPECT_EQ(Timer1()->interval(), 19600);
    main->popup()->Beenden();

    // Set back before A: the next look is B's, and A does not come a second time.
    env.clock().set(QDateTime(kMonday, QTime(14, 29, 50)));
    Q_EMIT jumps->jumped();
    tickAt(QDateTime(kMonday, QTime(14, 29, 50)));
    EXPECT_EQ(Timer1()->interval(), 49600);
    tickAt(QDateTime(kMonday, QTime(14, 30, 1)));
    EXPECT_FALSE(popupShown());
}

TEST_F(NextLook, AChangeTheFileTellsIsReadSoonAndOneNothingToldAtTheSafetyInterval) {
    startLooking({});
    ASSERT_EQ(Timer1()->interval(), monitor::kSafetyIntervalMs);
    auto* watch = child<monitor::TableWatch>(*main, "tableWatch");
    QSignalSpy told(watch, &monitor::TableWatch::changed);
    QSignalSpy looked(Timer1(), &QTimer::timeout);

    // Written while the monitor hears nothing of it: the safety interval's look reads it.
    planner()->insert(appointmentOn(kMonday, QTime(18, 0), "Chor"));
    tickAt(QDateTime(kMonday, QTime(14, 1)));
    EXPECT_EQ(Label1()->text(), "Sie haben 1 aktuellen Termin");

    // Written with the file's notification: the timer is cut short, and its look reads it.
    planner()->insert(appointmentOn(kMonday, QTime(19, 0), "Kino"));
    ASSERT_TRUE(told.wait(5000));
    EXPECT_EQ(Timer1()->interval(), monitor::kSettleMs);
    ASSERT_TRUE(looked.wait(5000));
    EXPECT_EQ(Label1()->text(), "Sie haben 2 aktuelle Termine");
    EXPECT_EQ(Timer1()->interval(), monitor::kSafetyIntervalMs);

    // Another program that keeps the file in write-ahead mode commits into the log alone.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(env.databasePath().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_TRUE(looked.wait(5000));
    int listed = 2;
    for (const char* subject : {"Theater", "Oper", "Kabarett"}) {
        const Appointment row = appointmentOn(kMonday, QTime(20, 0), subject);
        const QString insert =
            QStringLiteral("INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, "
                           "TerminDatumUhrzeit, Betreff, Wiederholung, VorTage, VorMinuten, "
                           "sysGesperrt) VALUES ('%1', '%2', '%3', '%4', '0', '0', '0', '0')")
                .arg(row.TerminDatum, row.TerminUhrzeit, row.TerminDatumUhrzeit, row.Betreff);
        ASSERT_EQ(sqlite3_exec(other, insert.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        ASSERT_TRUE(looked.wait(5000)) << subject;
        EXPECT_EQ(Label1()->text(), monitor::summaryText(++listed)) << subject;
    }
    sqlite3_close(other);
}
