#pragma once

#include "IcalHandles.h"
#include "Moment.h"
#include "Zone.h"

#include <optional>
#include <set>
#include <vector>

namespace moravel::ical {

// The zone a time property names: the calendar's VTIMEZONE of its TZID, else libical's zone of
// that name, UTC for a UTC time; nullptr for a floating time, a day, or a zone nobody describes.
icaltimezone* zoneOf(icalproperty* property, const icaltimetype& value, icalcomponent* calendar);
// A time property's value as the wall-clock time in `target`; a floating value, or one into a
// floating target, keeps its fields.
Moment momentIn(icalproperty* property, icaltimetype value, icalcomponent* calendar, icaltimezone* target);

// The recurrence set of one VEVENT (RFC 5545, 3.8.5): DTSTART, its RRULE instances and RDATEs,
// less its EXDATEs, as wall-clock moments in the zone of DTSTART, in time order.
class Occurrences {
public:
    Occurrences(icalcomponent* event, icalcomponent* calendar);

    // False when the event has no DTSTART.
    bool isValid() const { return m_valid; }
    const Moment& start() const { return m_start; }
    icaltimezone* zone() const { return m_zone; }
    bool recurs() const { return !m_rules.empty() || !m_extra.empty(); }
    // The set ends: it has no rule, or a rule with COUNT or UNTIL.
    bool isFinite() const { return m_finite; }
    // No rule has a BY part beyond one month, one day of the month and one plain weekday.
    bool hasSimpleRules() const { return m_simple; }

    // Leaves out, where libical can do it without walking, the rule's instances well before this
    // day: a series started decades ago need not be walked through.
    void skipBefore(QDate day);
    // The next moment of the set; none at its end, or after so many that the rest is not walked.
    std::optional<Moment> next();

    // Whether the explicit lists agree with a chain: every RDATE after `after` lies on it and no
    // EXDATE after `after` does.
    template <typename OnChain> bool listsAgreeAfter(const Moment& after, OnChain onChain) const {
        for (const Moment& extra : m_extra) {
            if (after < extra && !onChain(extra))
                return false;
        }
        for (const Moment& excluded : m_excluded) {
            if (after < excluded && onChain(excluded))
                return false;
        }
        for (const QDate& day : m_excludedDays) {
            if (after.date < day && onChain(Moment{day, m_start.seconds}))
                return false;
        }
        return true;
    }

private:
    struct Rule {
        RecurIteratorPtr iterator;
        icalrecurrencetype recurrence;
        std::optional<Moment> head;
    };
    void advance(Rule& rule);
    bool isExcluded(const Moment& moment) const;

    bool m_valid = false;
    bool m_finite = true;
    bool m_simple = true;
    Moment m_start;
    icaltimezone* m_zone = nullptr;
    bool m_startPending = true;
    std::vector<Rule> m_rules;
    std::vector<Moment> m_extra; // sorted
    size_t m_nextExtra = 0;
    std::set<Moment> m_excluded;
    std::set<QDate> m_excludedDays;
    std::optional<Moment> m_last;
    int m_steps = 0;
};

// Where an event's series stands from a day on, in the local zone's terms.
struct NextOccurrence {
    Moment moment; // in the event's zone: its first moment on or after the day (the last before it
                   // when there is none)
    int digit = 0; // the recurrence type the set follows from that moment on; 0 when none does
    bool unknownRecurrence = false; // recurs, but not as one of the types: taken once only
};

NextOccurrence nextOccurrence(Occurrences& occurrences, const LocalZone& local, QDate today);

} // namespace moravel::ical
