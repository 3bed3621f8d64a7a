// Date serials at and beyond the ends of the calendar, as a damaged row or another tool's number
// may bring them: defined results, never undefined behaviour (the sanitizer build checks that).

#include "DateSerial.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace moravel;

TEST(ExtremeDateSerials, AMomentJustBeforeMidnightRoundsIntoTheNextDay) {
    const QDate day(2026, 12, 7);
    const double lastMoment = static_cast<double>(serial::dayNumber(day)) + 86399.6 / 86400;
    EXPECT_EQ(serial::toDateTime(lastMoment), QDateTime(day.addDays(1), QTime(0, 0)));
    EXPECT_EQ(serial::toDateTime(-0.25), QDateTime(QDate(1899, 12, 29), QTime(18, 0)));
    EXPECT_EQ(serial::toDateTime(-1.0 / 86400 / 4), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
}

TEST(ExtremeDateSerials, NoDateBeyondTheCalendar) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    for (const double value : {std::nan(""), kInfinity, -kInfinity, 1e308, -1e308, 9.3e18, 1e14})
        EXPECT_FALSE(serial::toDateTime(value).isValid()) << value;
    constexpr qint64 kMax = std::numeric_limits<qint64>::max(), kMin = std::numeric_limits<qint64>::min();
    for (const qint64 day : {kMax, kMax - 2415018, kMin, kMin + 1})
        EXPECT_FALSE(serial::dateOfDay(day).isValid()) << day;
    EXPECT_EQ(serial::dayNumber(QDate()), kMin);
    EXPECT_EQ(serial::hhmm(std::nan("")), "00:00");
}
