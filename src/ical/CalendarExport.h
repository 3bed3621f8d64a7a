#pragma once

#include "Appointment.h"
#include "CalendarContext.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace moravel::ical {

// A row with the UID of the chain it belongs to, kept by the caller: the live row of a chain
// exports under that UID, every time the same, and each locked row (a passed occurrence) as a
// single past event under a UID made from it and the row's day and time.
struct ExportRow {
    moravel::Appointment row;
    QString chainUid;
};

struct ExportResult {
    QByteArray text; // one VCALENDAR, UTF-8, CRLF line ends
    int exported = 0;
    int skipped = 0; // rows whose day is no date
};

// One VEVENT per row; the live row of a recurring chain carries the series the renewal gives.
// Every field comes back from importCalendar: what iCalendar has no property for is carried in
// X-MORAVEL- properties.
ExportResult exportCalendar(const std::vector<ExportRow>& rows, const CalendarContext& context);

// One chain as one calendar resource (a CalDAV object): its live row alone.
ExportResult exportChain(const ExportRow& live, const CalendarContext& context);

// The UID the row's event has in an export.
QString eventUid(const ExportRow& row);

} // namespace moravel::ical
