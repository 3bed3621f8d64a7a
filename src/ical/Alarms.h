#pragma once

#include "IcalHandles.h"

#include <optional>

namespace moravel::ical {

// A row's two leads as alarms: VorTage lists the appointment that many days before, VorMinuten
// raises the reminder that many minutes before its time. Both become DISPLAY alarms relative to
// the start (RFC 5545, 3.6.6), each marked with its kind so that a lead of half a day still
// comes back as lead days.
struct Leads {
    std::optional<qint64> daysSeconds;
    std::optional<qint64> minutesSeconds;
};

void addAlarms(icalcomponent* event, const Leads& leads, const QString& subject);

// The leads of an event's alarms. Alarms of other programs: the nearest one less than a day
// before a timed start gives the minutes (whole minutes), the farthest one of a day or more the
// days; for a whole-day event every alarm before it counts in whole days, rounded up. A timed
// event always has a minutes lead, 0 when no alarm gives one, as the monitor always reminds.
Leads readAlarms(icalcomponent* event, bool wholeDay);

} // namespace moravel::ical
