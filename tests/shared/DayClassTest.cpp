#include "DayClass.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace moravel;

TEST(DayClass, BoundsColoursAndIcons) {
    struct Case {
        qint64 days;
        std::optional<quint32> colour;
        int icon;
    };
    const Case cases[] = {
        {-100, 0x0000FF, 8}, {-1, 0x0000FF, 8},     {0, std::nullopt, 1}, {1, 0x0000FF, 2},
        {2, 0x0000FF, 2},    {3, 0x0080FF, 3},      {7, 0x0080FF, 3},     {8, 0x00C000, 4},
        {14, 0x00C000, 4},   {15, 0xC0C000, 5},     {30, 0xC0C000, 5},    {31, 0xFF8080, 6},
        {365, 0xFF8080, 6},  {100000, 0xFF8080, 6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dayClass(c.days), (DayClass{c.colour, c.icon})) << c.days;
}

TEST(DayClass, LegendTodayFirstWithItsSampleBars) {
    const auto& rows = legendRows();
    const QStringList texts = {"= Termin heute",
                               "= Termin zwischen 1 und 2 Tagen",
                               "= Termin zwischen 3 und 7 Tagen",
                               "= Termin zwischen 8 und 14 Tagen",
                               "= Termin zwischen 15 und 30 Tagen",
                               "= Termin über 31 Tage"};
    const int bars[] = {0, 2, 8, 12, 17, 21};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rows[i].text, texts[i]);
        EXPECT_EQ(rows[i].bars, bars[i]);
        EXPECT_EQ(rows[i].dayClass.icon, i + 1);
    }
    EXPECT_FALSE(rows[0].dayClass.colour);
    EXPECT_EQ(rows[5].dayClass.colour, 0xFF8080u);
}

TEST(DayClass, BarTexts) {
    EXPECT_EQ(barText(0), "");
    EXPECT_EQ(barText(1), "|");
    EXPECT_EQ(barText(2), "||");
    EXPECT_EQ(barText(3), "3 |||");
    EXPECT_EQ(barText(12), "12 " + QString(12, '|'));
    EXPECT_EQ(barText(100), "100 " + QString(100, '|'));
    EXPECT_EQ(barText(250), "250 " + QString(100, '|'));
    EXPECT_EQ(barText(-1), "-1 |");
    EXPECT_EQ(barText(-12), "-12 " + QString(12, '|'));
    EXPECT_EQ(barText(-250), "-250 " + QString(100, '|'));
}
