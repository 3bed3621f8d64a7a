#pragma once

#include "CalendarExport.h"
#include "IcalHandles.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

namespace moravel::ical {

// The live row of a chain as the calendar resource `foreign`, which another program made of the
// chain, changed only where the row differs from `base`, the row that resource was taken as
// (its day the one the live row has reached since, when the renewal got it there): subject,
// remarks, day and time, leads and a rule the row follows replace theirs. Rules the row cannot
// follow, exceptions (EXDATE, RDATE, RECURRENCE-ID), place, end, further alarms, categories and
// X- properties go back as they came. None when `foreign` holds no event of the chain.
std::optional<QByteArray> mergeChain(QByteArrayView foreign, const moravel::Appointment& base,
                                     const ExportRow& live, const CalendarContext& context);

// The events of one chain with the time zones they name, as a calendar of their own: what an
// import keeps of another program's chain.
QByteArray chainComponent(icalcomponent* calendar, const std::vector<icalcomponent*>& events);

} // namespace moravel::ical
