#pragma once

#include <QDate>

#include <libical/ical.h>

#include <tuple>

namespace moravel::ical {

// A day, or a day and a wall-clock time to the second, in some zone the context names.
struct Moment {
    QDate date;
    int seconds = -1; // since midnight; -1 for a whole day

    bool isWholeDay() const { return seconds < 0; }
    bool operator==(const Moment& other) const { return date == other.date && seconds == other.seconds; }
    bool operator<(const Moment& other) const {
        return std::tuple(date.toJulianDay(), seconds) < std::tuple(other.date.toJulianDay(), other.seconds);
    }
};

// The wall-clock fields of a libical time; its zone is not looked at.
Moment momentOf(const icaltimetype& time);
// A floating libical time (a DATE for a whole day) with the moment's fields.
icaltimetype icalTimeOf(const Moment& moment);

} // namespace moravel::ical
