#include "Recurrence.h"

#include "DateSerial.h"

#include <QDate>

namespace moravel {

namespace {

// The day numbers of 1 January 100 and 31 December 9999, the range of date serials. Constants
// rather than computed, so that they never depend on the order of static initialisation.
constexpr qint64 kFirstDay = -657434;
constexpr qint64 kLastDay = 2958465;

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
    // A day the target month does not have (the 31st into a 30-day month, 29 February into a
    // common year) becomes the month's last day, and the chain goes on from there: a monthly row
    // of 31 January continues 28 February, 28 March.
    case 3:
        next = date.addMonths(1);
        break;
    case 4:
        next = date.addMonths(3);
        break;
    case 5:
        next = date.addMonths(6);
        break;
    case 6:
        next = date.addYears(1);
        break;
    case 7:
        next = date.addYears(2);
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
