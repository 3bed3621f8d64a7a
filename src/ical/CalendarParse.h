#pragma once

#include "IcalHandles.h"

#include <QByteArrayView>

#include <vector>

namespace moravel::ical {

// The calendars of an iCalendar file, or why it is none.
struct ParsedFile {
    std::vector<ComponentPtr> calendars; // each a VCALENDAR
    QString error;                       // German; set when the file cannot be read as a whole
};

// Reads a whole file, each of its calendars. A file that is empty, not UTF-8 text, not iCalendar,
// or that ends inside an entry gives an error and no calendars. A line or value within a calendar
// that libical cannot read is dropped and marked in its component (see Losses.h), so that the
// rest of the entry and of the file can still be taken.
ParsedFile parseCalendarFile(QByteArrayView bytes);

} // namespace moravel::ical
