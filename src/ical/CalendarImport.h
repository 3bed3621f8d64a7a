#pragma once

#include "Appointment.h"
#include "CalendarContext.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace moravel::ical {

struct ImportedEvent {
    moravel::Appointment row;       // ID 0: not stored yet
    QString uid;                    // the event's UID in the file; an event already taken has it too
    QString chainUid;               // the UID to export the row's chain under again
    bool unknownRecurrence = false; // a series no recurrence type follows, taken once only
    QByteArray component;           // the event with its overrides and zones, as it came
};

struct ImportResult {
    std::vector<ImportedEvent> events;
    int skippedEntries = 0; // VTODO, VJOURNAL and whatever else is no appointment
    QString error;          // German; set, with no events, when the file cannot be taken as a whole

    bool ok() const { return error.isEmpty(); }
};

// The appointments of an iCalendar file, one row per event: timed events at their wall-clock time
// in the context's zone, whole-day events with an empty time. A series that one of the recurrence
// types follows from its next occurrence on (on or after today) becomes that occurrence's live
// row of that type; any other series becomes a one-off at that occurrence. A single event keeps
// its day, past or not.
ImportResult importCalendar(QByteArrayView bytes, const CalendarContext& context);

// One calendar resource (a CalDAV object) back to its chain's live row: an error unless it holds
// exactly one appointment.
ImportResult importChain(QByteArrayView bytes, const CalendarContext& context);

} // namespace moravel::ical
