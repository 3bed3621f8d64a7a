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

// Reads a whole file. A file that is empty, not UTF-8 text, not iCalendar, that ends inside an
// entry, or has lines that are no iCalendar gives an error and no calendars: nothing of it is
// taken when a part of it cannot be.
ParsedFile parseCalendarFile(QByteArrayView bytes);

} // namespace moravel::ical
