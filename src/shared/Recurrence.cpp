#include "Recurrence.h"

#include "DateSerial.h"

#include <QDate>

#include <algorithm>

namespace moravel {

namespace {

// The day numbers of 1 January 100 and 31 December 9999, the range of date serials. Constants
// rather than computed, so that they never depend on the order of static initialisation.
constexpr qint64 kFirstDay = -657434;
constexpr qint64 kLastDay = 2958465;

// Day d of the given month; a day the month does not have (the 31st into a 30-day month,
// 29 February into a common year) becomes the month's last day. A chain then goes on from that
// day, so a monthly row of 31 January continues 28 February, 28 March.
QDate clampedDate(int year, int month, int day) {
    const int last = QDate(year, month, 1).daysInMonth();
    return QDate(year, month, std::min(day, last));
}

QDate addMonths(QDate date, int months) {
    int month = date.month() + months;
    int year = date.year();
    if (month > 12) {
        month -= 12;
        ++year;
    }
    return clampedDate(year, month, date.day());
}

} // namespace

const std::array<RecurrenceType, 8>& recurrenceTypes() {
    static const std::array<RecurrenceType, 8> types = {{
        {QLatin1Char('0'), QLatin1Char('E'), QStringLiteral("E = einmalig")},
        {QLatin1Char('1'), QLatin1Char('T'), QStringLiteral("T = täglich")},
        {QLatin1Char('2'), QLatin1Char('W'), QStringLiteral("W = wöchentlich")},
        {QLatin1Char('3'), QLatin1Char('M'), QStringLiteral("M = monatlich")},
        {QLatin1Char('4'), QLatin1Char('V'), QStringLiteral("V = vierteljährlich")},
        {QLatin1Char('5'), QLatin1Char('H'), QStringLiteral("H = halbjährlich")},
        {QLatin1Char('6'), QLatin1Char('J'), QStringLiteral("J = jährlich")},
        {QLatin1Char('7'), QLatin1Char('Z'), QStringLiteral("Z = zweijährig")},
    }};
    return types;
}

QString recurrenceLetter(const QString& stored) {
    for (const RecurrenceType& type : recurrenceTypes()) {
        if (stored.size() == 1 && stored.front() == type.digit)
            return QString(type.letter);
    }
    return QStringLiteral("E");
}

std::optional<qint64> Folgedatum(qint64 day, int digit) {
    if (day < kFirstDay || day > kLastDay)
        return std::nullopt;
    const QDate date = serial::dateOfDay(day);
    QDate next;
    switch (digit) {
    case 1:
        next = date.addDays(1);
        break;
    case 2:
        next = date.addDays(7);
        break;
    case 3:
        next = addMonths(date, 1);
        break;
    case 4:
        next = addMonths(date, 3);
        break;
    case 5:
        next = addMonths(date, 6);
        break;
    case 6:
        next = clampedDate(date.year() + 1, date.month(), date.day());
        break;
    case 7:
        next = clampedDate(date.year() + 2, date.month(), date.day());
        break;
    default:
        return std::nullopt;
    }
    const qint64 result = serial::dayNumber(next);
    if (result > kLastDay)
        return std::nullopt;
    return result;
}

} // namespace moravel
