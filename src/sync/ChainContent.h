#pragma once

#include "Appointment.h"

#include <QString>

#include <optional>

namespace moravel::sync {

// What a chain says apart from the day its live row stands on: renewal moves that day along the
// chain and changes nothing else, so it is no change for the sync.
QString contentOf(const Appointment& live);

// The live row's day; none when it is no number.
std::optional<qint64> dayOf(const Appointment& live);

// Whether `later` is a day the renewal reaches from `earlier` (or the same day) for the chain's
// recurrence digit as stored; a once-only row reaches no other day.
bool reaches(qint64 earlier, qint64 later, const QString& wiederholung);

// Whether two live rows are the same appointment at perhaps different places of its chain.
bool sameAppointment(const Appointment& a, const Appointment& b);

} // namespace moravel::sync
