#pragma once

#include "Appointment.h"

#include <QDateTime>

#include <optional>
#include <vector>

namespace moravel::monitor {

// Reminders the user asked to be given again later ("Später erinnern"), each once, with the texts
// of the row as it was. Held in memory only: they end with the monitor.
class SnoozedReminders {
public:
    void add(const Appointment& row, const QDateTime& due);
    // Those whose time has come, earliest first; they are no longer held.
    std::vector<Appointment> takeDue(const QDateTime& now);
    // The earliest time one is due.
    std::optional<QDateTime> next() const;
    bool empty() const { return m_held.empty(); }

private:
    struct Snoozed {
        QDateTime due;
        Appointment row;
    };
    std::vector<Snoozed> m_held; // ordered by due, in the order they were added where equal
};

// Whether the stored row is still the appointment that was reminded of: the fields the user
// enters are the same. Its renewal (the lock of a passed occurrence) is no change.
bool sameAppointment(const Appointment& reminded, const Appointment& stored);

} // namespace moravel::monitor
