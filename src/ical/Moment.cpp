#include "Moment.h"

namespace moravel::ical {

Moment momentOf(const icaltimetype& time) {
    Moment moment{QDate(time.year, time.month, time.day)};
    if (!time.is_date)
        moment.seconds = time.hour * 3600 + time.minute * 60 + time.second;
    return moment;
}

icaltimetype icalTimeOf(const Moment& moment) {
    icaltimetype time = icaltime_null_time();
    time.year = moment.date.year();
    time.month = moment.date.month();
    time.day = moment.date.day();
    time.is_date = moment.isWholeDay() ? 1 : 0;
    if (!moment.isWholeDay()) {
        time.hour = moment.seconds / 3600;
        time.minute = moment.seconds / 60 % 60;
        time.second = moment.seconds % 60;
    }
    return time;
}

} // namespace moravel::ical
