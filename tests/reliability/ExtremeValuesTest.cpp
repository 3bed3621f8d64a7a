// Date serials and window geometry at and beyond the ends of their range, as a damaged row,
// another tool's number or an old settings file may bring them: defined, usable results, never
// undefined behaviour (the sanitizer build checks that).

#include "DateSerial.h"
#include "Platform.h"
#include "WindowGeometry.h"

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

// Stored window geometry of any value gives a window that can be seen and closed.
TEST(ExtremeGeometry, StoredValuesGiveAUsableWindow) {
    using ui::storedTwips;
    for (const char* text : {"", "abc", "1e400", "nan", "inf", "-inf"})
        EXPECT_FALSE(storedTwips(QString::fromLatin1(text))) << text;
    EXPECT_EQ(storedTwips(QStringLiteral("1e300")), 1e300);
    EXPECT_EQ(storedTwips(QStringLiteral("6500")), 6500);

    const QRect screen(0, 0, 1280, 900);
    const QSize minimum(200, 150);
    struct Case {
        QRect stored;
        QRect usable;
    };
    for (const Case& c : {Case{QRect(10, 10, 400, 300), QRect(10, 10, 400, 300)},
                          Case{QRect(10, 10, 1, 1), QRect(10, 10, 200, 150)},
                          Case{QRect(0, 0, -7, 400), QRect(0, 0, 200, 400)},
                          Case{QRect(-5000, 99999, 400, 300), QRect(0, 600, 400, 300)},
                          Case{QRect(1200, 850, 400, 300), QRect(880, 600, 400, 300)},
                          Case{QRect(50, 50, 10000000, 10000000), screen}})
        EXPECT_EQ(ui::usableGeometry(c.stored, minimum, screen), c.usable)
            << c.stored.x() << "," << c.stored.y();
    // Pixels from any twips value without undefined behaviour (the sanitizer build checks that).
    for (const double twips : {1e300, -1e300, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_LE(std::abs(ui::toPixels(twips)), 10000000) << twips;
}
