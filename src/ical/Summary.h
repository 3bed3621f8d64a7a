#pragma once

#include "CalendarImport.h"

#include <QString>

#include <functional>

namespace moravel::ical {

// What an import did, once the caller has left out the events it already had.
struct ImportCounts {
    int taken = 0;
    int alreadyPresent = 0;
    int takenOnceOnly = 0; // of `taken`: series of a recurrence the planner does not know
    int skippedEntries = 0;
};

// Counts an import result; `present` tells whether the caller already has an event's UID.
ImportCounts countImport(const ImportResult& result, const std::function<bool(const QString& uid)>& present);

// "12 Termine exportiert", and the rows left out when there were any.
QString exportSummary(int exported, int skipped);

// "40 Termine übernommen, 3 schon vorhanden, 2 mit Wiederholung, die Moravel nicht kennt, als
// einmalige Termine übernommen", each part after the first only when it counts something.
QString importSummary(const ImportCounts& counts);

} // namespace moravel::ical
