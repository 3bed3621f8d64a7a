#pragma once

#include "TerminStore.h"

namespace moravel::test {

// Renewal as a list pass does it when each renewal restarts the pass: walk the main list from its
// first row, renew the first passed live recurring row (lock it, insert its next occurrence) and
// start again. The oracle for renewPassedAppointments and the baseline of its benchmark.
// Returns the rows inserted, -1 on a database failure.
int renewByRestartingPass(TerminStore& store, qint64 today, double now);

} // namespace moravel::test
