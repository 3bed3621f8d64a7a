#pragma once

#include <QDateTime>

// Date serials: days since 30 December 1899 as the integer part, the time of day
// as the fraction (0.5 = 12:00). The table and the settings store both use them.
namespace moravel::serial {

// Day number of a calendar date (1 January 2024 is 45292); the smallest qint64 for an invalid date.
qint64 dayNumber(QDate date);
// An invalid date for a day number beyond the dates QDate holds.
QDate dateOfDay(qint64 day);

// Fraction of a day for a time of day (14:30 is 0.604166...).
double timeFraction(QTime time);
// Time of day of a fraction, to the second; fractions outside [0, 1) wrap.
QTime timeOfFraction(double fraction);

double fromDateTime(const QDateTime& dateTime);
// Rounded to the second; invalid for a serial that is no number or lies beyond any date.
QDateTime toDateTime(double serial);

// "hh:mm" of a day fraction (0.60417 shows 14:30).
QString hhmm(double fraction);

// Today as a whole serial and now with the time of day, from the installed clock.
qint64 today();
double now();

} // namespace moravel::serial
