#include "NextWakeup.h"

#include "DateSerial.h"
#include "DueDetection.h"

#include <algorithm>

namespace moravel::monitor {

QDateTime startOfStep(qint64 step) {
    // stepOf rounds the time of day to the nearest step, so a step begins half a step before
    // its nominal time; the first step of a day begins on the evening before.
    const qint64 day = dayOfStep(step);
    const qint64 ms = (step - day * kStepsPerDay) * kMsPerStep - kMsPerStep / 2;
    const QDate date = serial::dateOfDay(day);
    if (ms < 0)
        return QDateTime(date.addDays(-1), QTime::fromMSecsSinceStartOfDay(int(ms + 86400000)));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

int msUntilNextLook(const QDateTime& now, const std::optional<QDateTime>& due) {
    qint64 ms = now.msecsTo(QDateTime(now.date().addDays(1), QTime(0, 0)));
    if (due)
        ms = std::min(ms, now.msecsTo(*due));
    return int(std::clamp<qint64>(ms, 1, kSafetyIntervalMs));
}

} // namespace moravel::monitor
