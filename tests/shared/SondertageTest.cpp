#include "Sondertage.h"

#include <gtest/gtest.h>

using namespace moravel;

namespace {

// The anonymous Gregorian algorithm (Meeus/Jones/Butcher), written independently of OsterDatum.
QDate meeusEaster(int year) {
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int monthAndDay = h + l - 7 * m + 114;
    return QDate(year, monthAndDay / 31, monthAndDay % 31 + 1);
}

QDate dateNamed(const std::vector<Sondertag>& days, const char* name) {
    for (const Sondertag& day : days) {
        if (day.Name == QString::fromUtf8(name))
            return day.Datum;
    }
    return QDate();
}

} // namespace

TEST(OsterDatum, KnownYears) {
    EXPECT_EQ(OsterDatum(2000), QDate(2000, 4, 23));
    EXPECT_EQ(OsterDatum(2008), QDate(2008, 3, 23));
    EXPECT_EQ(OsterDatum(2011), QDate(2011, 4, 24));
    EXPECT_EQ(OsterDatum(2024), QDate(2024, 3, 31));
    EXPECT_EQ(OsterDatum(2025), QDate(2025, 4, 20));
    EXPECT_EQ(OsterDatum(2038), QDate(2038, 4, 25));
    EXPECT_EQ(OsterDatum(1818), QDate(1818, 3, 22));
    EXPECT_EQ(OsterDatum(2285), QDate(2285, 3, 22));
}

TEST(OsterDatum, AgreesWithTheAnonymousGregorianAlgorithmOverTheWholeRange) {
    // Includes the years from 9006 on whose epact comes out negative.
    for (int year = kFirstSpecialYear; year <= kLastSpecialYear; ++year) {
        ASSERT_EQ(OsterDatum(year), meeusEaster(year)) << year;
        ASSERT_EQ(OsterDatum(year).dayOfWeek(), Qt::Sunday) << year;
    }
}

TEST(OsterDatum, NoDateOutsideTheKnownYears) {
    EXPECT_FALSE(OsterDatum(1600).isValid());
    EXPECT_FALSE(OsterDatum(10000).isValid());
    EXPECT_TRUE(SondertageDesJahres(1600).empty());
    EXPECT_TRUE(SondertagZumDatum(QDate(1600, 1, 1)).isEmpty());
}

TEST(SondertageDesJahres, Year2024InTableOrder) {
    const std::vector<Sondertag> expected = {
        {QDate(2024, 1, 1), "Neujahr", 4},
        {QDate(2024, 1, 6), "Drei Könige", 7},
        {QDate(2024, 2, 12), "Rosenmontag", 4},
        {QDate(2024, 2, 13), "Fasching", 4},
        {QDate(2024, 2, 14), "Aschermittwoch", 7},
        {QDate(2024, 2, 14), "Valentinstag", 4},
        {QDate(2024, 3, 20), "Frühlingsanfang", 4},
        {QDate(2024, 6, 21), "Sommeranfang", 4},
        {QDate(2024, 9, 22), "Herbstanfang", 4},
        {QDate(2024, 12, 21), "Winteranfang", 4},
        {QDate(2024, 3, 29), "Karfreitag", 7},
        {QDate(2024, 3, 31), "Ostersonntag", 7},
        {QDate(2024, 4, 1), "Ostermontag", 7},
        {QDate(2024, 4, 7), "Weißer Sonntag", 7},
        {QDate(2024, 5, 1), "1. Mai", 4},
        {QDate(2024, 5, 12), "Muttertag", 4},
        {QDate(2024, 5, 9), "Christi Himmelfahrt, Vatertag", 7},
        {QDate(2024, 5, 19), "Pfingstsonntag", 7},
        {QDate(2024, 5, 20), "Pfingstmontag", 7},
        {QDate(2024, 5, 30), "Fronleichnam", 7},
        {QDate(2024, 8, 15), "Maria Himmelfahrt", 7},
        {QDate(2024, 10, 3), "Tag der Dt. Einheit", 4},
        {QDate(2024, 10, 6), "Erntedankfest", 7},
        {QDate(2024, 11, 1), "Allerheiligen", 7},
        {QDate(2024, 10, 31), "Reformationstag", 7},
        {QDate(2024, 11, 11), "Martinstag", 4},
        {QDate(2024, 11, 20), "Buß und Bettag", 7},
        {QDate(2024, 12, 1), "1. Advent", 7},
        {QDate(2024, 12, 8), "2. Advent", 7},
        {QDate(2024, 12, 15), "3. Advent", 7},
        {QDate(2024, 12, 22), "4. Advent", 7},
        {QDate(2024, 12, 24), "Weihnachten", 1},
        {QDate(2024, 12, 25), "1. Weihnachtstag", 1},
        {QDate(2024, 12, 26), "2. Weihnachtstag", 1},
    };
    EXPECT_EQ(SondertageDesJahres(2024), expected);
}

TEST(SondertageDesJahres, FourthAdventMayBeChristmasEve) {
    const std::vector<Sondertag> days = SondertageDesJahres(2023);
    EXPECT_EQ(dateNamed(days, "4. Advent"), QDate(2023, 12, 24));
    EXPECT_EQ(dateNamed(days, "Weihnachten"), QDate(2023, 12, 24));
    EXPECT_EQ(dateNamed(days, "1. Advent"), QDate(2023, 12, 3));
}

TEST(SondertageDesJahres, BussUndBettagIsTheWednesdayBeforeThe23rdOfNovember) {
    const QList<QDate> expected = {QDate(2015, 11, 18), QDate(2016, 11, 16), QDate(2017, 11, 22),
                                   QDate(2018, 11, 21), QDate(2019, 11, 20), QDate(2020, 11, 18),
                                   QDate(2021, 11, 17), QDate(2022, 11, 16), QDate(2023, 11, 22),
                                   QDate(2024, 11, 20), QDate(2025, 11, 19), QDate(2026, 11, 18)};
    for (const QDate& date : expected) {
        const std::vector<Sondertag> days = SondertageDesJahres(date.year());
        EXPECT_EQ(days[26].Name, "Buß und Bettag");
        EXPECT_EQ(days[26].Datum, date);
        EXPECT_EQ(days[26].Bildindex, 7);
        EXPECT_EQ(SondertagZumDatum(date), "Buß und Bettag");
    }
    EXPECT_TRUE(SondertagZumDatum(QDate(2025, 11, 20)).isEmpty());
}

TEST(SondertageDesJahres, SundayRulesHoldInEveryYear) {
    for (int year = kFirstSpecialYear; year <= kLastSpecialYear; ++year) {
        const std::vector<Sondertag> days = SondertageDesJahres(year);
        ASSERT_EQ(days.size(), 34u);
        const QDate muttertag = dateNamed(days, "Muttertag");
        const QDate erntedank = dateNamed(days, "Erntedankfest");
        const QDate advent1 = dateNamed(days, "1. Advent");
        const QDate advent4 = dateNamed(days, "4. Advent");
        const QDate buss = dateNamed(days, "Buß und Bettag");
        ASSERT_TRUE(muttertag.dayOfWeek() == Qt::Sunday && muttertag.month() == 5 && muttertag.day() >= 8 &&
                    muttertag.day() <= 14)
            << year;
        ASSERT_TRUE(erntedank.dayOfWeek() == Qt::Sunday && erntedank.month() == 10 && erntedank.day() <= 7)
            << year;
        ASSERT_TRUE(advent4.dayOfWeek() == Qt::Sunday && advent4.month() == 12 && advent4.day() >= 18 &&
                    advent4.day() <= 24)
            << year;
        ASSERT_EQ(advent1.daysTo(advent4), 21) << year;
        ASSERT_EQ(dateNamed(days, "2. Advent"), advent1.addDays(7)) << year;
        ASSERT_EQ(dateNamed(days, "3. Advent"), advent1.addDays(14)) << year;
        ASSERT_TRUE(buss.dayOfWeek() == Qt::Wednesday && buss.month() == 11 && buss.day() >= 16 &&
                    buss.day() <= 22)
            << year;
    }
}

TEST(SondertagZumDatum, FirstRowOfTheTableWinsWhenDaysCoincide) {
    EXPECT_EQ(SondertagZumDatum(QDate(2024, 2, 14)), "Aschermittwoch");
    EXPECT_EQ(SondertagZumDatum(QDate(2023, 12, 24)), "4. Advent");
    EXPECT_EQ(SondertagZumDatum(QDate(2008, 5, 1)), "1. Mai");
    EXPECT_EQ(SondertagZumDatum(QDate(2008, 5, 11)), "Muttertag");
    EXPECT_EQ(SondertagZumDatum(QDate(1984, 6, 21)), "Sommeranfang");
    EXPECT_EQ(SondertagZumDatum(QDate(2021, 10, 3)), "Tag der Dt. Einheit");
}

TEST(SondertagZumDatum, SilvesterOnlyInTheLookupAndOrdinaryDaysEmpty) {
    EXPECT_EQ(SondertagZumDatum(QDate(2024, 12, 31)), "Silvester");
    EXPECT_EQ(dateNamed(SondertageDesJahres(2024), "Silvester"), QDate());
    EXPECT_EQ(SondertagZumDatum(QDate(2024, 12, 24)), "Weihnachten");
    EXPECT_EQ(SondertagZumDatum(QDate(2024, 4, 1)), "Ostermontag");
    EXPECT_EQ(SondertagZumDatum(QDate(2024, 11, 1)), "Allerheiligen");
    EXPECT_TRUE(SondertagZumDatum(QDate(2024, 7, 17)).isEmpty());
    EXPECT_TRUE(SondertagZumDatum(QDate()).isEmpty());
}
