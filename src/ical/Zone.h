#pragma once

#include "IcalHandles.h"
#include "Moment.h"

#include <QByteArray>
#include <QTimeZone>

namespace moravel::ical {

// The time zone the appointment rows' wall-clock times belong to: the system's unless named.
class LocalZone {
public:
    // The zone with this IANA id ("Europe/Berlin"); an empty id names the system's zone.
    explicit LocalZone(const QByteArray& ianaId = {});

    const QByteArray& id() const { return m_id; }
    // libical's description of the zone; nullptr when libical does not know it, and the times are
    // then written as floating wall-clock times.
    icaltimezone* ical() const { return m_ical; }
    // The zone's VTIMEZONE under its IANA id, its history before `from` (a day) left out.
    ComponentPtr vtimezone(QDate from) const;

    // The wall-clock time here of a time given in `zone`. A time without a zone (floating or a
    // day) and one in this very zone are taken as they are, so that a time that does not exist
    // here, in the hour a clock change skips, comes back unchanged.
    Moment wallTime(const icaltimetype& time, icaltimezone* zone) const;
    // A wall-clock time here as UTC.
    QDateTime toUtc(const QDateTime& wallClock) const;

private:
    bool isThis(icaltimezone* zone) const;

    QByteArray m_id;
    icaltimezone* m_ical = nullptr; // owned by libical
    QTimeZone m_zone;
};

} // namespace moravel::ical
