#pragma once

#include <QDateTime>

#include <optional>

// When the watching monitor looks at the table and the clock next. Between two looks it sleeps:
// it wakes for the next reminder, a new day, a change of the file, a set clock, and at the latest
// after the safety interval, which catches a change or a clock jump nothing told.
namespace moravel::monitor {

// The longest sleep.
constexpr int kSafetyIntervalMs = 60000;
// A change of the file comes as a burst of notifications (journal, pages, journal gone); one
// look after it has settled sees the commit.
constexpr int kSettleMs = 50;
// While another program holds the file, the look is tried again this often; its lock may go
// without any notification.
constexpr int kBusyRetryMs = 200;

// The first local moment whose step (stepOf) is `step`.
QDateTime startOfStep(qint64 step);

// Milliseconds from now until the next look: at `due` when given, at the next midnight, and at
// the latest after the safety interval; never less than 1.
int msUntilNextLook(const QDateTime& now, const std::optional<QDateTime>& due);

} // namespace moravel::monitor
