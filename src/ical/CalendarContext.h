#pragma once

#include "Zone.h"

#include <QDateTime>

namespace moravel::ical {

// Where and when a mapping runs: the zone of the rows' wall-clock times and the local now (the
// installed clock's in the programs), which stamps exported events, is the moment imported rows
// are written and gives the today from which a series' next occurrence is taken.
struct CalendarContext {
    LocalZone zone;
    QDateTime now;

    QDate today() const { return now.date(); }
};

} // namespace moravel::ical
