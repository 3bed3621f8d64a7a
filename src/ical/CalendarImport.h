#pragma once

#include "Appointment.h"
#include "CalendarContext.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace moravel::ical {

struct ImportedEvent {
    moravel::Appointment row;       // ID 0: not stored yet
    QString uid;                    // the event's UID in the file; an event already taken has it too
    QString chainUid;               // the UID to export the row's chain under again
    bool unknownRecurrence = false; // a series no recurrence type follows, taken once only
    QByteArray component;           // the event with its overrides and zones, as it came
    QStringList losses; // German, what of the event could not be read: "„Turnen“: Zeile 7 (RRULE) ..."
};

struct ImportResult {
    std::vector<ImportedEvent> events;
    int skippedEntries = 0; // VTODO, VJOURNAL and whatever else is no appointment
    int cancelled = 0;      // cancelled events and series, not taken
    QStringList unreadable; // German, one per event left out: "„Zahnarzt“: kein Beginn"
    QStringList fileLosses; // German, lines outside any event that could not be read: "Zeile 30"
    QString error;          // German; set, with no events, when nothing of the file can be taken

    bool ok() const { return error.isEmpty(); }
};

// How far a long reading has come: `done` of `total` steps.
using ImportProgress = std::function<void(qint64 done, qint64 total)>;

// The appointments of an iCalendar file, one row per event: timed events at their wall-clock time
// in the context's zone, whole-day events with an empty time. A series that one of the recurrence
// types follows from its next occurrence on (on or after today) becomes that occurrence's live
// row of that type; any other series becomes a one-off at that occurrence. A single event keeps
// its day, past or not. What cannot be read is left out and told, event by event: an event
// without a readable start, and cancelled ones (STATUS:CANCELLED), are not taken; an unreadable
// rule makes a one-off, an unreadable alarm gives no lead. Of events with the same UID the later
// version (SEQUENCE, then DTSTAMP) counts. A file that is no iCalendar gives an error, and so does
// one none of whose events can be read. `progress` is told of each event read.
ImportResult importCalendar(QByteArrayView bytes, const CalendarContext& context,
                            const ImportProgress& progress = {});

// One calendar resource (a CalDAV object) back to its chain's live row: an error unless it holds
// exactly one appointment.
ImportResult importChain(QByteArrayView bytes, const CalendarContext& context);

} // namespace moravel::ical
