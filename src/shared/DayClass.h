#pragma once

#include <QString>

#include <array>
#include <optional>

namespace moravel {

// How a list row marks the distance of its day (Tagesabstand: its whole day number minus today).
struct DayClass {
    // Text colour as 0x00BBGGRR (red in the low byte); none for today: the list's default colour.
    std::optional<quint32> colour;
    // Icon number in the list's image list, counted from 1 (8 for past rows; 7 is unused).
    int icon;

    bool operator==(const DayClass&) const = default;
};

DayClass dayClass(qint64 tagesabstand);

// One line of the legend window, today first: its text and the number of sample bars.
struct LegendRow {
    QString text;
    int bars;
    DayClass dayClass;
};
const std::array<LegendRow, 6>& legendRows();

// The bar text of a list row, for the coming and the past view alike: "" for today, "|" and "||"
// for the next two days, else the distance, a blank and one bar per day (at most 100); a past
// distance keeps its minus sign ("-12 ||||||||||||").
QString barText(qint64 tagesabstand);

} // namespace moravel
