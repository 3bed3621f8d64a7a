#pragma once

#include "CalendarImport.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace moravel::ical {

// What an import did, once the caller has left out the events it already had.
struct ImportCounts {
    int taken = 0;
    int alreadyPresent = 0;
    int takenOnceOnly = 0; // of `taken`: series of a recurrence the planner does not know
    int skippedEntries = 0;
    int cancelled = 0;
    QStringList onceOnly;   // the subjects of those taken once only
    QStringList unreadable; // why each event left out could not be read
    QStringList losses;     // what of the events taken, or of the file, could not be read
};

// Counts an import result; `present` tells whether the caller already has an event's UID.
ImportCounts countImport(const ImportResult& result, const std::function<bool(const QString& uid)>& present);

// "12 Termine exportiert", and the rows left out when there were any.
QString exportSummary(int exported, int skipped);

// "40 Termine übernommen, 3 schon vorhanden, 2 mit Wiederholung, die Moravel nicht kennt, als
// einmalige Termine übernommen („Turnen“, „Chor“), 2 nicht lesbar übersprungen (Zeile 412 (DTSTART):
// „Arzt“ ohne lesbaren Beginn; „Zahnarzt“: kein Beginn)", each part after the first only when it
// counts something; what was lost of the events taken follows after "Nicht gelesen: ".
QString importSummary(const ImportCounts& counts);

} // namespace moravel::ical
