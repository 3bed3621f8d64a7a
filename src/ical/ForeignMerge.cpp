#include "ForeignMerge.h"

#include "RowShape.h"

#include <cstring>
#include <set>

namespace moravel::ical {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr const char* kLeadKind = "X-MORAVEL-VORLAUF";

ComponentPtr parsed(QByteArrayView text) {
    return ComponentPtr(icalparser_parse_string(text.toByteArray().constData()));
}

icalcomponent* masterOf(icalcomponent* calendar) {
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        if (!icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
            return c;
    }
    return nullptr;
}

std::vector<icalproperty*> propertiesOf(icalcomponent* component, icalproperty_kind kind) {
    std::vector<icalproperty*> all;
    for (icalproperty* p = icalcomponent_get_first_property(component, kind); p;
         p = icalcomponent_get_next_property(component, kind))
        all.push_back(p);
    return all;
}

void removeAll(icalcomponent* component, icalproperty_kind kind) {
    for (icalproperty* p : propertiesOf(component, kind)) {
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
}

// Theirs of this kind go, ours come in their place.
void replaceProperties(icalcomponent* theirs, icalcomponent* ours, icalproperty_kind kind) {
    removeAll(theirs, kind);
    for (icalproperty* p : propertiesOf(ours, kind))
        icalcomponent_add_property(theirs, icalproperty_new_clone(p));
}

bool isOwnX(icalproperty* p) {
    const char* name = icalproperty_get_x_name(p);
    return name && qstrnicmp(name, "X-MORAVEL-", 10) == 0;
}

void replaceOwnX(icalcomponent* theirs, icalcomponent* ours) {
    for (icalproperty* p : propertiesOf(theirs, ICAL_X_PROPERTY)) {
        if (isOwnX(p)) {
            icalcomponent_remove_property(theirs, p);
            icalproperty_free(p);
        }
    }
    for (icalproperty* p : propertiesOf(ours, ICAL_X_PROPERTY)) {
        if (isOwnX(p))
            icalcomponent_add_property(theirs, icalproperty_new_clone(p));
    }
}

// Seconds before the start of an alarm triggered relative to the start; none for any other.
std::optional<qint64> leadOf(icalcomponent* alarm) {
    icalproperty* property = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!property)
        return std::nullopt;
    const icaltriggertype trigger = icalproperty_get_trigger(property);
    icalparameter* related = icalproperty_get_first_parameter(property, ICAL_RELATED_PARAMETER);
    if (!icaltime_is_null_time(trigger.time) ||
        (related && icalparameter_get_related(related) == ICAL_RELATED_END))
        return std::nullopt;
    const qint64 lead = -static_cast<qint64>(icaldurationtype_as_int(trigger.duration));
    return lead >= 0 ? std::optional<qint64>(lead) : std::nullopt;
}

// The alarm a lead was read from, as the import chooses it: the one marked with that kind, else
// for days the farthest of a day or more, for minutes the nearest of less than a day.
icalcomponent* alarmOfLead(icalcomponent* event, bool days, bool wholeDay) {
    icalcomponent* chosen = nullptr;
    std::optional<qint64> chosenLead;
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        const std::optional<qint64> lead = leadOf(alarm);
        if (!lead)
            continue;
        if (const char* kind = xValue(alarm, kLeadKind)) {
            if (std::strcmp(kind, days ? "TAGE" : "MINUTEN") == 0)
                return alarm;
            continue;
        }
        const bool dayLong = wholeDay || *lead >= kSecondsPerDay;
        if (days && dayLong && (!chosenLead || *lead > *chosenLead))
            chosen = alarm, chosenLead = lead;
        else if (!days && !dayLong && (!chosenLead || *lead < *chosenLead))
            chosen = alarm, chosenLead = lead;
    }
    return chosen;
}

void replaceAlarm(icalcomponent* theirs, icalcomponent* ours, bool days, bool wasWholeDay) {
    if (icalcomponent* old = alarmOfLead(theirs, days, wasWholeDay)) {
        icalcomponent_remove_component(theirs, old);
        icalcomponent_free(old);
    }
    if (icalcomponent* mine = alarmOfLead(ours, days, false); mine && xValue(mine, kLeadKind))
        icalcomponent_add_component(theirs, icalcomponent_new_clone(mine));
}

icaltimetype shifted(icaltimetype time, qint64 seconds) {
    return icaltime_add(time, icaldurationtype_from_int(static_cast<int>(seconds)));
}

// The whole series a number of seconds later or earlier on its own clock: start, end, the
// exceptions and the occurrences its overrides replace, so that each still names its occurrence.
void shiftSeries(icalcomponent* calendar, icalcomponent* master, qint64 seconds) {
    if (icalproperty* p = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY))
        icalproperty_set_dtstart(p, shifted(icalproperty_get_dtstart(p), seconds));
    if (icalproperty* p = icalcomponent_get_first_property(master, ICAL_DTEND_PROPERTY))
        icalproperty_set_dtend(p, shifted(icalproperty_get_dtend(p), seconds));
    for (icalproperty* p : propertiesOf(master, ICAL_EXDATE_PROPERTY))
        icalproperty_set_exdate(p, shifted(icalproperty_get_exdate(p), seconds));
    for (icalproperty* p : propertiesOf(master, ICAL_RDATE_PROPERTY)) {
        icaldatetimeperiodtype value = icalproperty_get_rdate(p);
        if (!icaltime_is_null_time(value.time)) {
            value.time = shifted(value.time, seconds);
            icalproperty_set_rdate(p, value);
        }
    }
    const char* uid = icalcomponent_get_uid(master);
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
        const char* own = icalcomponent_get_uid(c);
        if (id && uid && own && std::strcmp(uid, own) == 0)
            icalproperty_set_recurrenceid(id, shifted(icalproperty_get_recurrenceid(id), seconds));
    }
}

// The overrides of the series: a new rule replaces the occurrences they name.
void dropOverrides(icalcomponent* calendar) {
    std::vector<icalcomponent*> overrides;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
            overrides.push_back(c);
    }
    for (icalcomponent* c : overrides) {
        icalcomponent_remove_component(calendar, c);
        icalcomponent_free(c);
    }
}

const char* tzidOf(icalproperty* p) {
    icalparameter* tzid = p ? icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER) : nullptr;
    return tzid ? icalparameter_get_tzid(tzid) : nullptr;
}

void copyZones(icalcomponent* into, icalcomponent* from) {
    for (icalcomponent* zone = icalcomponent_get_first_component(from, ICAL_VTIMEZONE_COMPONENT); zone;
         zone = icalcomponent_get_next_component(from, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY);
        if (id && !icalcomponent_get_timezone(into, icalproperty_get_tzid(id)))
            icalcomponent_add_component(into, icalcomponent_new_clone(zone));
    }
}

// The row's own start and series in place of theirs; the end keeps its distance to the start
// while the start stays timed or stays a day.
void replaceStart(icalcomponent* calendar, icalcomponent* master, icalcomponent* ours,
                  icalcomponent* ourCalendar, bool sameForm) {
    std::optional<icaldurationtype> length;
    if (sameForm && icalcomponent_get_first_property(master, ICAL_DTEND_PROPERTY))
        length = icaltime_subtract(icalcomponent_get_dtend(master), icalcomponent_get_dtstart(master));
    replaceProperties(master, ours, ICAL_DTSTART_PROPERTY);
    for (icalproperty_kind kind :
         {ICAL_RRULE_PROPERTY, ICAL_EXRULE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY})
        replaceProperties(master, ours, kind);
    removeAll(master, ICAL_DTEND_PROPERTY);
    if (!sameForm)
        removeAll(master, ICAL_DURATION_PROPERTY);
    copyZones(calendar, ourCalendar);
    dropOverrides(calendar);
    icalproperty* start = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    if (length && start) {
        icalproperty* end = icalproperty_new_dtend(icaltime_add(icalproperty_get_dtstart(start), *length));
        if (const char* tzid = tzidOf(start))
            icalproperty_add_parameter(end, icalparameter_new_tzid(tzid));
        icalcomponent_add_property(master, end);
    }
}

void stamp(icalcomponent* master, icalcomponent* ours) {
    replaceProperties(master, ours, ICAL_DTSTAMP_PROPERTY);
    if (icalproperty* modified = icalcomponent_get_first_property(master, ICAL_LASTMODIFIED_PROPERTY))
        icalproperty_set_lastmodified(modified, icalcomponent_get_dtstamp(master));
    if (icalproperty* sequence = icalcomponent_get_first_property(master, ICAL_SEQUENCE_PROPERTY))
        icalproperty_set_sequence(sequence, icalproperty_get_sequence(sequence) + 1);
}

void addZonesNamed(icalcomponent* into, icalcomponent* from, icalcomponent* event,
                   std::set<QByteArray>& added) {
    const auto named = [&](icalcomponent* component) {
        for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
            const char* tzid = tzidOf(p);
            if (!tzid || !added.insert(QByteArray(tzid)).second)
                continue;
            if (icaltimezone* zone = icalcomponent_get_timezone(from, tzid))
                icalcomponent_add_component(into, icalcomponent_new_clone(icaltimezone_get_component(zone)));
        }
    };
    named(event);
}

} // namespace

std::optional<QByteArray> mergeChain(QByteArrayView foreign, const Appointment& base, const ExportRow& live,
                                     const CalendarContext& context) {
    const std::optional<RowShape> was = shapeOf(base), now = shapeOf(live.row);
    ComponentPtr theirs = parsed(foreign);
    ComponentPtr ours = parsed(exportChain(live, context).text);
    if (!was || !now || !theirs || !ours || icalcomponent_isa(theirs.get()) != ICAL_VCALENDAR_COMPONENT)
        return std::nullopt;
    icalcomponent* master = masterOf(theirs.get());
    icalcomponent* mine = masterOf(ours.get());
    if (!master || !mine)
        return std::nullopt;

    if (asReadBack(base.Betreff) != asReadBack(live.row.Betreff))
        replaceProperties(master, mine, ICAL_SUMMARY_PROPERTY);
    if (asReadBack(base.Bemerkungen) != asReadBack(live.row.Bemerkungen))
        replaceProperties(master, mine, ICAL_DESCRIPTION_PROPERTY);
    const bool wasWholeDay = was->seconds < 0;
    const bool sameForm = wasWholeDay == (now->seconds < 0);
    if (was->recurrence != now->recurrence || !sameForm) {
        replaceStart(theirs.get(), master, mine, ours.get(), sameForm);
    } else {
        const qint64 seconds =
            (now->day - was->day) * kSecondsPerDay + (wasWholeDay ? 0 : qint64(now->seconds) - was->seconds);
        if (seconds != 0)
            shiftSeries(theirs.get(), master, seconds);
    }
    if (was->leadDaysSeconds != now->leadDaysSeconds)
        replaceAlarm(master, mine, true, wasWholeDay);
    if (was->leadMinutesSeconds != now->leadMinutesSeconds)
        replaceAlarm(master, mine, false, wasWholeDay);
    replaceOwnX(master, mine);
    stamp(master, mine);

    char* text = icalcomponent_as_ical_string_r(theirs.get());
    QByteArray merged(text);
    icalmemory_free_buffer(text);
    return merged;
}

QByteArray chainComponent(icalcomponent* calendar, const std::vector<icalcomponent*>& events) {
    ComponentPtr out(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    for (icalproperty* p = icalcomponent_get_first_property(calendar, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(calendar, ICAL_ANY_PROPERTY))
        icalcomponent_add_property(out.get(), icalproperty_new_clone(p));
    std::set<QByteArray> zones;
    for (icalcomponent* event : events)
        addZonesNamed(out.get(), calendar, event, zones);
    for (icalcomponent* event : events)
        icalcomponent_add_component(out.get(), icalcomponent_new_clone(event));
    char* text = icalcomponent_as_ical_string_r(out.get());
    QByteArray result(text);
    icalmemory_free_buffer(text);
    return result;
}

} // namespace moravel::ical
