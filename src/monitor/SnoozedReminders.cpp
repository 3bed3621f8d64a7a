#include "SnoozedReminders.h"

#include <algorithm>

namespace moravel::monitor {

void SnoozedReminders::add(const Appointment& row, const QDateTime& due) {
    const auto after =
        std::upper_bound(m_held.begin(), m_held.end(), due,
                         [](const QDateTime& at, const Snoozed& held) { return at < held.due; });
    m_held.insert(after, Snoozed{due, row});
}

std::vector<Appointment> SnoozedReminders::takeDue(const QDateTime& now) {
    const auto end =
        std::find_if(m_held.begin(), m_held.end(), [&now](const Snoozed& held) { return held.due > now; });
    std::vector<Appointment> due;
    for (auto it = m_held.begin(); it != end; ++it)
        due.push_back(it->row);
    m_held.erase(m_held.begin(), end);
    return due;
}

std::optional<QDateTime> SnoozedReminders::next() const {
    if (m_held.empty())
        return std::nullopt;
    return m_held.front().due;
}

bool sameAppointment(const Appointment& reminded, const Appointment& stored) {
    return reminded.ID == stored.ID && reminded.TerminDatum == stored.TerminDatum &&
           reminded.TerminUhrzeit == stored.TerminUhrzeit &&
           reminded.TerminDatumUhrzeit == stored.TerminDatumUhrzeit && reminded.Betreff == stored.Betreff &&
           reminded.Bemerkungen == stored.Bemerkungen && reminded.Wiederholung == stored.Wiederholung &&
           reminded.VorTage == stored.VorTage && reminded.VorMinuten == stored.VorMinuten;
}

} // namespace moravel::monitor
