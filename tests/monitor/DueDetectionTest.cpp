#include "DueDetection.h"

#include "DateSerial.h"
#include "MonitorFixture.h"
#include "NextWakeup.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace moravel;
using namespace moravel::monitor;
using moravel::test::appointmentOn;

namespace {

const QDate kMonday(2026, 3, 9);

qint64 step(QDate day, QTime time) {
    return stepOf(QDateTime(day, time));
}

// Runs one-second ticks from start to end and returns the moments at which the reminder came.
std::vector<QDateTime> ticksThatGive(ReminderSchedule& schedule, qint64 id, qint64 moment, QDateTime start,
                                     const QDateTime& end) {
    std::vector<QDateTime> given;
    schedule.restart(stepOf(start));
    for (QDateTime tick = start.addMSecs(1000); tick <= end; tick = tick.addMSecs(1000)) {
        schedule.advance(stepOf(tick));
        if (schedule.take(id, moment))
            given.push_back(tick);
    }
    return given;
}

class DueDetection : public ::testing::Test {
protected:
    test::TestEnvironment env{QDateTime(kMonday, QTime(14, 0))};
};

} // namespace

TEST_F(DueDetection, ListLinesNameTodayOrTheLongDateAndTheOptions) {
    const qint64 today = serial::dayNumber(kMonday);
    EXPECT_EQ(listLines(appointmentOn(kMonday, QTime(14, 30), "Arzt", "5", "2", "1"), today, today),
              QStringList(
                  {"Betreff:  Arzt", "Termin:  Heute um 14:30 Uhr", "Option:  Whg=täglich,  VorMin=5", ""}));
    EXPECT_EQ(
        listLines(appointmentOn(QDate(2026, 3, 1), QTime(7, 5), "Messe", "", "10", "6"), today - 8, today),
        QStringList({"Betreff:  Messe", "Termin:  Sonntag  01.Mär.2026 um 07:05 Uhr",
                     "Option:  Whg=jährlich,  VorMin=,  VorTage=10", ""}));
    // A code outside 0 to 7 is shown as a one-off.
    EXPECT_EQ(listLines(appointmentOn(kMonday, QTime(8, 0), "Alt", "0", "0", "9"), today, today)[2],
              "Option:  Whg=einmalig,  VorMin=0");
}

TEST_F(DueDetection, ReminderMomentIsTheTimeLessTheLeadAtFiveDecimals) {
    // 14:30 is 0,60417 and five minutes are 0,00347.
    const qint64 monday = serial::dayNumber(kMonday);
    const qint64 day = monday * kStepsPerDay;
    EXPECT_EQ(reminderMoment(monday, appointmentOn(kMonday, QTime(14, 30), "Arzt", "5")), day + 60070);
    EXPECT_EQ(reminderMoment(monday, appointmentOn(kMonday, QTime(14, 30), "Arzt", "")), day + 60417);
    EXPECT_EQ(reminderMoment(monday, appointmentOn(kMonday, QTime(14, 30), "Arzt", "-4")), day + 60417);
    Appointment noTime = appointmentOn(kMonday, QTime(14, 30), "Arzt");
    noTime.TerminUhrzeit.clear();
    EXPECT_FALSE(reminderMoment(monday, noTime));
    EXPECT_EQ(fractionText(day + 60070, serial::dayNumber(kMonday)), "0,60070");
}

TEST_F(DueDetection, ClockSetBackDoesNotRepeatAReminderGiven) {
    ReminderSchedule schedule;
    const qint64 moment = step(kMonday, QTime(2, 30));
    ASSERT_EQ(
        ticksThatGive(schedule, 7, moment, QDateTime(kMonday, QTime(2, 29)), QDateTime(kMonday, QTime(2, 59)))
            .size(),
        1u);
    // The end of daylight saving time: the hour from two to three comes again.
    schedule.advance(step(kMonday, QTime(2, 0)));
    int repeated = 0;
    for (int second = 1; second <= 3600; ++second) {
        schedule.advance(stepOf(QDateTime(kMonday, QTime(2, 0)).addSecs(second)));
        repeated += schedule.take(7, moment) ? 1 : 0;
    }
    EXPECT_EQ(repeated, 0);
    // Another appointment at the same moment has not been given yet.
    schedule.restart(step(kMonday, QTime(2, 29)));
    schedule.advance(step(kMonday, QTime(2, 31)));
    EXPECT_TRUE(schedule.take(8, moment));
}

TEST_F(DueDetection, JumpAfterSuspendGivesTodaysPassedRemindersOnceAndNotEarlierDays) {
    ReminderSchedule schedule;
    schedule.restart(step(kMonday.addDays(-1), QTime(22, 0)));
    schedule.advance(step(kMonday, QTime(15, 0)));
    EXPECT_TRUE(schedule.take(1, step(kMonday, QTime(9, 0))));
    EXPECT_FALSE(schedule.take(1, step(kMonday, QTime(9, 0))));
    EXPECT_FALSE(schedule.take(2, step(kMonday.addDays(-1), QTime(23, 0))));
    EXPECT_FALSE(schedule.take(3, step(kMonday, QTime(15, 0, 2))));
    // Asleep over midnight: the evening's reminder comes on waking.
    schedule.restart(step(kMonday, QTime(23, 50)));
    schedule.advance(step(kMonday.addDays(1), QTime(0, 5)));
    EXPECT_TRUE(schedule.take(4, step(kMonday, QTime(23, 55))));
    // Asleep from one evening to the next: the morning's reminder is fifteen hours old and comes.
    schedule.restart(step(kMonday, QTime(20, 0)));
    schedule.advance(step(kMonday.addDays(1), QTime(23, 0)));
    EXPECT_TRUE(schedule.take(5, step(kMonday.addDays(1), QTime(8, 0))));
    EXPECT_FALSE(schedule.take(6, step(kMonday, QTime(21, 0))));
}

TEST_F(DueDetection, LeadReachingBackOverMidnightRemindsTheEveningBefore) {
    const Appointment early = appointmentOn(kMonday.addDays(1), QTime(0, 3), "Fähre", "5");
    const qint64 moment = *reminderMoment(*dayOf(early), early);
    ReminderSchedule schedule;
    const std::vector<QDateTime> given = ticksThatGive(schedule, 1, moment, QDateTime(kMonday, QTime(23, 57)),
                                                       QDateTime(kMonday.addDays(1), QTime(0, 5)));
    ASSERT_EQ(given.size(), 1u);
    EXPECT_EQ(given[0].date(), kMonday);
    EXPECT_EQ(given[0].time().minute(), 58);
}

TEST_F(DueDetection, RestartGivesTheReminderOfItsOwnMomentAndNoneBefore) {
    ReminderSchedule schedule;
    const qint64 restart = step(kMonday, QTime(14, 25));
    schedule.restart(restart);
    schedule.advance(restart + 1);
    EXPECT_TRUE(schedule.take(1, restart));
    EXPECT_FALSE(schedule.take(2, restart - 1));
}

TEST_F(DueDetection, AStepBeginsAtTheFirstMillisecondThatRoundsToIt) {
    const qint64 monday = serial::dayNumber(kMonday) * kStepsPerDay;
    for (qint64 step = monday - 3; step <= monday + kStepsPerDay + 3; step += step % 997 == 0 ? 1 : 997) {
        const QDateTime start = startOfStep(step);
        ASSERT_EQ(stepOf(start), step) << start.toString(Qt::ISODateWithMs).toStdString();
        ASSERT_EQ(stepOf(start.addMSecs(-1)), step - 1) << start.toString(Qt::ISODateWithMs).toStdString();
    }
    // 14:00:40 is stored as 0,58380, which begins 112 ms before it.
    EXPECT_EQ(startOfStep(monday + 58380), QDateTime(kMonday, QTime(14, 0, 39, 888)));
}

TEST_F(DueDetection, TheNextLookIsTheDueMomentTheNewDayOrTheSafetyIntervalWhicheverComesFirst) {
    const struct {
        QTime now;
        std::optional<QDateTime> due;
        int ms;
    } rows[] = {
        {QTime(14, 0), QDateTime(kMonday, QTime(14, 0, 39, 888)), 39888},
        {QTime(14, 0), std::nullopt, kSafetyIntervalMs},
        {QTime(14, 0), QDateTime(kMonday, QTime(14, 5)), kSafetyIntervalMs},
        {QTime(23, 59, 30), std::nullopt, 30000},
        {QTime(23, 59, 30), QDateTime(kMonday.addDays(1), QTime(0, 0, 10)), 30000},
        {QTime(14, 0), QDateTime(kMonday, QTime(13, 59)), 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(msUntilNextLook(QDateTime(kMonday, row.now), row.due), row.ms)
            << row.now.toString().toStdString();
}
