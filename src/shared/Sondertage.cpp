#include "Sondertage.h"

#include <array>

namespace moravel {

namespace {

enum class Rule { Fixed, Easter, Muttertag, Erntedankfest, Advent, BussUndBettag };

struct Row {
    const char* name;
    Rule rule;
    int a; // Fixed: month; Easter: days after Easter Sunday; Advent: the Sunday 1..4
    int b; // Fixed: day of month
    int bildindex;
};

// Rows 1..35; the last one is found by the lookup only.
const std::array<Row, 35> kRows = {{
    {"Neujahr", Rule::Fixed, 1, 1, 4},
    {"Drei Könige", Rule::Fixed, 1, 6, 7},
    {"Rosenmontag", Rule::Easter, -48, 0, 4},
    {"Fasching", Rule::Easter, -47, 0, 4},
    {"Aschermittwoch", Rule::Easter, -46, 0, 7},
    {"Valentinstag", Rule::Fixed, 2, 14, 4},
    // The season starts stay on fixed dates, although the astronomical ones move by a day.
    {"Frühlingsanfang", Rule::Fixed, 3, 20, 4},
    {"Sommeranfang", Rule::Fixed, 6, 21, 4},
    {"Herbstanfang", Rule::Fixed, 9, 22, 4},
    {"Winteranfang", Rule::Fixed, 12, 21, 4},
    {"Karfreitag", Rule::Easter, -2, 0, 7},
    {"Ostersonntag", Rule::Easter, 0, 0, 7},
    {"Ostermontag", Rule::Easter, 1, 0, 7},
    {"Weißer Sonntag", Rule::Easter, 7, 0, 7},
    {"1. Mai", Rule::Fixed, 5, 1, 4},
    {"Muttertag", Rule::Muttertag, 0, 0, 4},
    {"Christi Himmelfahrt, Vatertag", Rule::Easter, 39, 0, 7},
    {"Pfingstsonntag", Rule::Easter, 49, 0, 7},
    {"Pfingstmontag", Rule::Easter, 50, 0, 7},
    {"Fronleichnam", Rule::Easter, 60, 0, 7},
    {"Maria Himmelfahrt", Rule::Fixed, 8, 15, 7},
    {"Tag der Dt. Einheit", Rule::Fixed, 10, 3, 4},
    {"Erntedankfest", Rule::Erntedankfest, 0, 0, 7},
    {"Allerheiligen", Rule::Fixed, 11, 1, 7},
    {"Reformationstag", Rule::Fixed, 10, 31, 7},
    {"Martinstag", Rule::Fixed, 11, 11, 4},
    {"Buß und Bettag", Rule::BussUndBettag, 0, 0, 7},
    {"1. Advent", Rule::Advent, 1, 0, 7},
    {"2. Advent", Rule::Advent, 2, 0, 7},
    {"3. Advent", Rule::Advent, 3, 0, 7},
    {"4. Advent", Rule::Advent, 4, 0, 7},
    {"Weihnachten", Rule::Fixed, 12, 24, 1},
    {"1. Weihnachtstag", Rule::Fixed, 12, 25, 1},
    {"2. Weihnachtstag", Rule::Fixed, 12, 26, 1},
    {"Silvester", Rule::Fixed, 12, 31, 0},
}};

constexpr int kListedRows = 34;

// The first date on or after `from` that falls on the weekday (1 = Monday .. 7 = Sunday).
QDate onOrAfter(QDate from, int weekday) {
    return from.addDays((weekday - from.dayOfWeek() + 7) % 7);
}
QDate onOrBefore(QDate from, int weekday) {
    return from.addDays(-((from.dayOfWeek() - weekday + 7) % 7));
}

QDate dateOf(const Row& row, int year, QDate easter) {
    switch (row.rule) {
    case Rule::Fixed:
        return QDate(year, row.a, row.b);
    case Rule::Easter:
        return easter.addDays(row.a);
    case Rule::Muttertag: // the second Sunday in May
        return onOrAfter(QDate(year, 5, 1), Qt::Sunday).addDays(7);
    case Rule::Erntedankfest: // the first Sunday in October
        return onOrAfter(QDate(year, 10, 1), Qt::Sunday);
    case Rule::Advent: // the fourth Sunday is the last one up to 24 December
        return onOrBefore(QDate(year, 12, 24), Qt::Sunday).addDays(7 * (row.a - 4));
    case Rule::BussUndBettag: // the Wednesday before 23 November
        return onOrBefore(QDate(year, 11, 22), Qt::Wednesday);
    }
    return QDate();
}

Sondertag sondertagOf(const Row& row, int year, QDate easter) {
    return Sondertag{dateOf(row, year, easter), QString::fromUtf8(row.name), row.bildindex};
}

bool isKnownYear(int year) {
    return year >= kFirstSpecialYear && year <= kLastSpecialYear;
}

} // namespace

QDate OsterDatum(int year) {
    if (!isKnownYear(year))
        return QDate();
    // Golden number, century, the solar and lunar corrections and the Sunday number. C++ '%' keeps
    // the sign of the dividend, as the epact needs: from 9006 on it can come out negative.
    const int g = year % 19 + 1;
    const int c = year / 100 + 1;
    const int x = 3 * c / 4 - 12;
    const int z = (8 * c + 5) / 25 - 5;
    const int d = 5 * year / 4 - x - 10;
    int e = (11 * g + 20 + z - x) % 30;
    if ((e == 25 && g > 11) || e == 24)
        ++e;
    int n = 44 - e;
    if (n < 21)
        n += 30;
    n += 7;
    n -= (d + n) % 7;
    return n > 31 ? QDate(year, 4, n - 31) : QDate(year, 3, n);
}

std::vector<Sondertag> SondertageDesJahres(int year) {
    std::vector<Sondertag> days;
    if (!isKnownYear(year))
        return days;
    const QDate easter = OsterDatum(year);
    days.reserve(kListedRows);
    for (int i = 0; i < kListedRows; ++i)
        days.push_back(sondertagOf(kRows[i], year, easter));
    return days;
}

QString SondertagZumDatum(QDate date) {
    if (!date.isValid() || !isKnownYear(date.year()))
        return QString();
    const QDate easter = OsterDatum(date.year());
    for (const Row& row : kRows) {
        if (dateOf(row, date.year(), easter) == date)
            return QString::fromUtf8(row.name);
    }
    return QString();
}

} // namespace moravel
