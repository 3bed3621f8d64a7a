#pragma once

#include <QString>

namespace moravel::reference {

// Renewal as a list pass does it when each renewal restarts the pass: walk the main list from its
// first row, renew the first passed live recurring row (lock it, insert its next occurrence) and
// start again. The oracle for renewPassedAppointments and the baseline of its benchmark; it has
// its own connection to the file and shares no code with the store. Returns the rows inserted,
// -1 on a database failure.
int renewByRestartingPass(const QString& databasePath, qint64 today, double now);

} // namespace moravel::reference
