#include "DayClass.h"

#include <algorithm>

namespace moravel {

namespace {
constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kOrange = 0x0080FF;
constexpr quint32 kGreen = 0x00C000;
constexpr quint32 kTeal = 0xC0C000;
constexpr quint32 kLightBlue = 0xFF8080;
constexpr qint64 kMaxBars = 100;
} // namespace

DayClass dayClass(qint64 tagesabstand) {
    if (tagesabstand < 0)
        return {kRed, 8};
    if (tagesabstand == 0)
        return {std::nullopt, 1};
    if (tagesabstand <= 2)
        return {kRed, 2};
    if (tagesabstand <= 7)
        return {kOrange, 3};
    if (tagesabstand <= 14)
        return {kGreen, 4};
    if (tagesabstand <= 30)
        return {kTeal, 5};
    return {kLightBlue, 6};
}

const std::array<LegendRow, 6>& legendRows() {
    static const std::array<LegendRow, 6> rows = {{
        {QStringLiteral("= Termin heute"), 0, dayClass(0)},
        {QStringLiteral("= Termin zwischen 1 und 2 Tagen"), 2, dayClass(1)},
        {QStringLiteral("= Termin zwischen 3 und 7 Tagen"), 8, dayClass(3)},
        {QStringLiteral("= Termin zwischen 8 und 14 Tagen"), 12, dayClass(8)},
        {QStringLiteral("= Termin zwischen 15 und 30 Tagen"), 17, dayClass(15)},
        {QStringLiteral("= Termin über 31 Tage"), 21, dayClass(31)},
    }};
    return rows;
}

QString barText(qint64 tagesabstand) {
    if (tagesabstand >= 0 && tagesabstand < 3)
        return QString(tagesabstand, QLatin1Char('|'));
    const qint64 bars = std::min(tagesabstand < 0 ? -tagesabstand : tagesabstand, kMaxBars);
    return QString::number(tagesabstand) + QLatin1Char(' ') + QString(bars, QLatin1Char('|'));
}

} // namespace moravel
