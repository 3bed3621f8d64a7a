#include "Recurrence.h"
#include "DateSerial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace moravel;

namespace {

std::optional<QDate> next(QDate from, int digit) {
    const std::optional<qint64> day = Folgedatum(serial::dayNumber(from), digit);
    if (!day)
        return std::nullopt;
    return serial::dateOfDay(*day);
}

// The step counted out by hand: months added with the year carried, a day the target month does
// not have cut to its last day.
QDate stepByHand(QDate date, int digit) {
    if (digit <= 2)
        return date.addDays(digit == 1 ? 1 : 7);
    const int months = std::array{1, 3, 6, 12, 24}[digit - 3];
    const int index = date.month() - 1 + months;
    const int year = date.year() + index / 12, month = index % 12 + 1;
    return QDate(year, month, std::min(date.day(), QDate(year, month, 1).daysInMonth()));
}

} // namespace

TEST(RecurrenceTypes, DigitsLettersAndComboTextsInComboOrder) {
    const auto& types = recurrenceTypes();
    const QString letters = QStringLiteral("ETWMVHJZ");
    const QStringList texts = {"E = einmalig",  "T = täglich",         "W = wöchentlich",
                               "M = monatlich", "V = vierteljährlich", "H = halbjährlich",
                               "J = jährlich",  "Z = zweijährig"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(types[i].digit, QChar(u'0' + i));
        EXPECT_EQ(types[i].letter, letters[i]);
        EXPECT_EQ(types[i].text, texts[i]);
        EXPECT_EQ(recurrenceLetter(QString(QChar(u'0' + i))), QString(letters[i]));
    }
}

TEST(RecurrenceTypes, AnyOtherStoredTextShowsE) {
    for (const char* stored : {"", "8", "9", "-1", "12", " 3", "3 ", "T", "x", "1,0"})
        EXPECT_EQ(recurrenceLetter(QString::fromUtf8(stored)), "E") << stored;
    EXPECT_EQ(recurrenceLetter(QString()), "E");
}

TEST(Folgedatum, StepsOfEachType) {
    const QDate day(2026, 12, 7);
    EXPECT_EQ(next(day, 1), QDate(2026, 12, 8));
    EXPECT_EQ(next(day, 2), QDate(2026, 12, 14));
    EXPECT_EQ(next(day, 3), QDate(2027, 1, 7));
    EXPECT_EQ(next(day, 4), QDate(2027, 3, 7));
    EXPECT_EQ(next(day, 5), QDate(2027, 6, 7));
    EXPECT_EQ(next(day, 6), QDate(2027, 12, 7));
    EXPECT_EQ(next(day, 7), QDate(2028, 12, 7));
    EXPECT_EQ(Folgedatum(46363, 6), 46728);
}

TEST(Folgedatum, MonthsWrapIntoTheNextYear) {
    EXPECT_EQ(next(QDate(2026, 12, 15), 3), QDate(2027, 1, 15));
    EXPECT_EQ(next(QDate(2026, 9, 10), 5), QDate(2027, 3, 10));
    EXPECT_EQ(next(QDate(2026, 10, 5), 4), QDate(2027, 1, 5));
    EXPECT_EQ(next(QDate(2026, 6, 30), 5), QDate(2026, 12, 30));
    EXPECT_EQ(next(QDate(2026, 12, 31), 1), QDate(2027, 1, 1));
    EXPECT_EQ(next(QDate(2026, 12, 29), 2), QDate(2027, 1, 5));
}

TEST(Folgedatum, DayMissingInTargetMonthBecomesItsLastDay) {
    EXPECT_EQ(next(QDate(2027, 1, 31), 3), QDate(2027, 2, 28));
    EXPECT_EQ(next(QDate(2028, 1, 31), 3), QDate(2028, 2, 29));
    EXPECT_EQ(next(QDate(2026, 3, 31), 3), QDate(2026, 4, 30));
    EXPECT_EQ(next(QDate(2026, 1, 30), 3), QDate(2026, 2, 28));
    EXPECT_EQ(next(QDate(2026, 11, 30), 4), QDate(2027, 2, 28));
    EXPECT_EQ(next(QDate(2026, 8, 31), 5), QDate(2027, 2, 28));
    EXPECT_EQ(next(QDate(2028, 2, 29), 6), QDate(2029, 2, 28));
    EXPECT_EQ(next(QDate(2028, 2, 29), 7), QDate(2030, 2, 28));
    EXPECT_EQ(next(QDate(2024, 2, 29), 7), QDate(2026, 2, 28));
    EXPECT_EQ(next(QDate(2026, 2, 28), 7), QDate(2028, 2, 28)); // the 28th stays the 28th in a leap year
}

TEST(Folgedatum, NoResultForOtherDigitsOrBeyondTheDateRange) {
    for (int digit : {0, 8, -1, 100})
        EXPECT_FALSE(Folgedatum(46363, digit)) << digit;
    EXPECT_FALSE(next(QDate(9999, 12, 31), 1));
    EXPECT_FALSE(next(QDate(9999, 7, 31), 5));
    EXPECT_EQ(next(QDate(9998, 12, 31), 6), QDate(9999, 12, 31));
    EXPECT_FALSE(Folgedatum(serial::dayNumber(QDate(100, 1, 1)) - 1, 1));
    EXPECT_EQ(next(QDate(100, 1, 1), 1), QDate(100, 1, 2));
}

// Every day of the five-digit day numbers, 18.05.1927 to 13.10.2173, and every type.
TEST(Folgedatum, EveryDayOfTheFiveDigitRangeAsCountedByHand) {
    int compared = 0;
    for (QDate date(1927, 5, 18); date <= QDate(2173, 10, 13); date = date.addDays(1)) {
        for (int digit = 1; digit <= 7; ++digit) {
            ASSERT_EQ(next(date, digit), stepByHand(date, digit))
                << date.toString(Qt::ISODate).toStdString() << " type " << digit;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 7 * (99999 - 10000 + 1));
}
