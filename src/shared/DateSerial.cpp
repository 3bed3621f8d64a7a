#include "DateSerial.h"

#include "Clock.h"

#include <cmath>
#include <limits>

namespace moravel::serial {

namespace {
// Julian day of 30 December 1899. A constant, not computed: code that runs during static
// initialisation of another file would otherwise see it still zero.
constexpr qint64 kEpochJulianDay = 2415019;
constexpr qint64 kSecondsPerDay = 86400;
// Beyond the Julian days of QDate (about 7.8e11) and within what a qint64 holds in seconds.
constexpr double kMaxSerial = 1e13;
} // namespace

qint64 dayNumber(QDate date) {
    // An invalid date's Julian day is the smallest qint64; subtracting from it would overflow.
    if (!date.isValid())
        return std::numeric_limits<qint64>::min();
    return date.toJulianDay() - kEpochJulianDay;
}

QDate dateOfDay(qint64 day) {
    if (day > std::numeric_limits<qint64>::max() - kEpochJulianDay)
        return QDate();
    return QDate::fromJulianDay(day + kEpochJulianDay);
}

double timeFraction(QTime time) {
    return time.msecsSinceStartOfDay() / (kSecondsPerDay * 1000.0);
}

QTime timeOfFraction(double fraction) {
    if (!std::isfinite(fraction))
        return QTime(0, 0);
    qint64 seconds = std::llround((fraction - std::floor(fraction)) * kSecondsPerDay);
    seconds %= kSecondsPerDay;
    return QTime(0, 0).addSecs(static_cast<int>(seconds));
}

double fromDateTime(const QDateTime& dateTime) {
    return static_cast<double>(dayNumber(dateTime.date())) + timeFraction(dateTime.time());
}

QDateTime toDateTime(double serial) {
    // Far beyond any date, and the seconds would not fit in a qint64.
    if (!std::isfinite(serial) || std::fabs(serial) > kMaxSerial)
        return QDateTime();
    // Rounded to the second as a whole, so that a moment half a second before midnight is 0:00
    // of the next day, not of its own.
    const qint64 seconds = std::llround(serial * kSecondsPerDay);
    const qint64 day =
        seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
    return QDateTime(dateOfDay(day), QTime(0, 0).addSecs(static_cast<int>(seconds - day * kSecondsPerDay)));
}

QString hhmm(double fraction) {
    return timeOfFraction(fraction).toString(QStringLiteral("hh:mm"));
}

qint64 today() {
    return dayNumber(Clock::currentDate());
}

double now() {
    return fromDateTime(Clock::currentDateTime());
}

} // namespace moravel::serial
