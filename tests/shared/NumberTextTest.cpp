#include "NumberText.h"
#include "DateSerial.h"
#include "GermanNames.h"

#include <gtest/gtest.h>

using namespace moravel;

class NumberTextTest : public ::testing::TestWithParam<QChar> {
protected:
    void SetUp() override { numtext::setDecimalSeparator(GetParam()); }
    void TearDown() override { numtext::setDecimalSeparator(QChar()); }
    QString local(QString text) const { return text.replace(QLatin1Char(','), GetParam()); }
};

TEST_P(NumberTextTest, WritesFiveDecimalsAndGeneralTexts) {
    EXPECT_EQ(numtext::fixed5(46363.5), local("46363,50000"));
    EXPECT_EQ(numtext::fixed5(14.5 / 24.0), local("0,60417"));
    EXPECT_EQ(numtext::fixed5(0), local("0,00000"));
    EXPECT_EQ(numtext::fixed5(-0.000001), local("0,00000"));
    EXPECT_EQ(numtext::general(46363.5), local("46363,5"));
    EXPECT_EQ(numtext::general(46363.0), "46363");
    EXPECT_EQ(numtext::general(40179.5), local("40179,5"));
    EXPECT_EQ(numtext::general(45366.0 + 0.60417), local("45366,60417"));
    // No group separators, whatever the locale would do.
    EXPECT_EQ(numtext::general(1234567.25), local("1234567,25"));
    EXPECT_EQ(numtext::general(0), "0");
}

TEST_P(NumberTextTest, ReadsBothSeparatorsAndRoundTrips) {
    for (double value : {46363.5, 40179.5, 0.60417, 46363.0, 45366.60417}) {
        const auto back = numtext::parse(numtext::general(value));
        ASSERT_TRUE(back.has_value());
        EXPECT_DOUBLE_EQ(*back, value);
    }
    EXPECT_DOUBLE_EQ(*numtext::parse("46363,5"), 46363.5);
    EXPECT_DOUBLE_EQ(*numtext::parse("46363.5"), 46363.5);
    EXPECT_DOUBLE_EQ(*numtext::parse(" -2,5 "), -2.5);
    EXPECT_DOUBLE_EQ(*numtext::parse(",5"), 0.5);
}

TEST_P(NumberTextTest, RejectsWhatIsNoNumber) {
    for (const char* text : {"", " ", "x", "1.234,5", "12a", "--1", "1,2,3", "nan", "inf", "1e999"})
        EXPECT_FALSE(numtext::parse(QString::fromUtf8(text)).has_value()) << text;
    EXPECT_FALSE(numtext::parse(QString()).has_value());
}

INSTANTIATE_TEST_SUITE_P(Locales, NumberTextTest, ::testing::Values(QChar(u','), QChar(u'.')));

TEST(DateSerialTest, DayNumbersAndFractions) {
    EXPECT_EQ(serial::dayNumber(QDate(2026, 12, 7)), 46363);
    EXPECT_EQ(serial::dayNumber(QDate(2024, 1, 1)), 45292);
    EXPECT_EQ(serial::dayNumber(QDate(2024, 3, 15)), 45366);
    EXPECT_EQ(serial::dayNumber(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(serial::dateOfDay(46728), QDate(2027, 12, 7));
    EXPECT_EQ(serial::hhmm(0.60417), "14:30");
    EXPECT_EQ(serial::hhmm(0.99999), "23:59");
    EXPECT_EQ(serial::hhmm(0.0), "00:00");
    EXPECT_DOUBLE_EQ(serial::fromDateTime(QDateTime(QDate(2010, 1, 1), QTime(12, 0))), 40179.5);
    EXPECT_EQ(serial::toDateTime(40179.5), QDateTime(QDate(2010, 1, 1), QTime(12, 0)));
}

TEST(GermanNamesTest, FixedTablesWithoutPoints) {
    EXPECT_EQ(german::listDate(QDate(2026, 12, 7)), "07.12.2026   Mo");
    EXPECT_EQ(german::weekdayName(QDate(2024, 12, 24)), "Dienstag");
    EXPECT_EQ(german::weekdayShort(QDate(2026, 12, 13)), "So");
    EXPECT_EQ(german::monthShort(3), QString::fromUtf8("Mär"));
    EXPECT_EQ(german::monthName(12), "Dezember");
    EXPECT_EQ(german::monthName(13), "");
}
