#include "DateSerial.h"

#include "Clock.h"

#include <cmath>

namespace moravel::serial {

namespace {
// Julian day of 30 December 1899. A constant, not computed: code that runs during static
// initialisation of another file would otherwise see it still zero.
constexpr qint64 kEpochJulianDay = 2415019;
constexpr qint64 kSecondsPerDay = 86400;
} // namespace

qint64 dayNumber(QDate date) {
    return date.toJulianDay() - kEpochJulianDay;
}

QDate dateOfDay(qint64 day) {
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
    const double day = std::floor(serial);
    return QDateTime(dateOfDay(static_cast<qint64>(day)), timeOfFraction(serial - day));
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
