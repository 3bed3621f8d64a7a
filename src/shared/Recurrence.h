#pragma once

#include <QString>

#include <array>
#include <optional>

namespace moravel {

// A recurrence type: the digit stored in Wiederholung, the letter the lists show and the entry
// offered in Combo2, whose position in the box equals the digit.
struct RecurrenceType {
    QChar digit;
    QChar letter;
    QString text;
};

// The eight types in digit order, from "E = einmalig" (0) to "Z = zweijährig" (7).
const std::array<RecurrenceType, 8>& recurrenceTypes();

// The letter the lists show for a stored Wiederholung; any text other than one digit 0..7 shows "E".
QString recurrenceLetter(const QString& stored);

// Day number of the next occurrence after the whole day number `day` for the digits 1..7.
// No value for any other digit, or when the day or its successor lies outside the years 100..9999
// that date serials cover.
std::optional<qint64> Folgedatum(qint64 day, int digit);

} // namespace moravel
