#pragma once

#include <QDate>
#include <QString>

#include <vector>

namespace moravel {

// The years the special days are known for.
constexpr int kFirstSpecialYear = 1601;
constexpr int kLastSpecialYear = 9999;

// Easter Sunday of a Gregorian year 1601..9999; an invalid date for any other year.
QDate OsterDatum(int year);

// One holiday, feast or other special day of one year. Bildindex is the icon of the list window.
struct Sondertag {
    QDate Datum;
    QString Name;
    int Bildindex;

    bool operator==(const Sondertag&) const = default;
};

// The 34 special days of a year in their fixed order (not by date; coinciding days are all
// there). Empty outside 1601..9999.
std::vector<Sondertag> SondertageDesJahres(int year);

// Name of the special day on this date: the first in the fixed order, "Silvester" included as
// the last; empty text when there is none.
QString SondertagZumDatum(QDate date);

} // namespace moravel
