#pragma once

#include "CalendarContext.h"
#include "CalendarImport.h"
#include "TerminStore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace moravel::ical {

// The context of the programs: the system's zone and the installed clock's now.
CalendarContext localContext();

struct StoreExport {
    QByteArray text;
    QString summary; // German, "12 Termine exportiert"
    QString error;   // German; set, with no text, when nothing was exported

    bool ok() const { return error.isEmpty(); }
};

// Every row of the file as one calendar. A row's chain that has no UID yet gets one, kept in the
// file so that the next export says the same; a file that is only read gets UIDs made from it.
StoreExport exportStore(TerminStore& store, const CalendarContext& context);

struct StoreImport {
    int taken = 0;
    QString summary; // German, "40 Termine übernommen, 3 schon vorhanden, ..."
    QString error;   // German; set when nothing was taken

    bool ok() const { return error.isEmpty(); }
};

// Takes a calendar file's appointments into the file in one transaction: those whose UID the
// file already has are counted and left out, so that the same file taken twice adds nothing.
// A file that is no iCalendar or yields no appointment, or a failed write, leaves the table as it
// was. The passed occurrences of what was taken are renewed afterwards, as at a start.
// Nothing here needs the interface thread: on a worker, pass a store opened there, with its own
// connection; `progress` is called on that thread, reading and writing counted as one run.
StoreImport importIntoStore(TerminStore& store, QByteArrayView bytes, const CalendarContext& context,
                            const ImportProgress& progress = {});

} // namespace moravel::ical
