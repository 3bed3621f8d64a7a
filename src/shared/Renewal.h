#pragma once

#include "TerminStore.h"

namespace moravel {

// Renews every live recurring row whose day has passed, one step at a time, until each chain's
// live row lies today or later. Returns the number of rows inserted (-1 on a database failure).
int renewPassedAppointments(TerminStore& store, qint64 today, double now);

} // namespace moravel
