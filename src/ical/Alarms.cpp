#include "Alarms.h"

#include <cmath>
#include <cstring>

namespace moravel::ical {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr const char* kKindProperty = "X-MORAVEL-VORLAUF";
constexpr const char* kDays = "TAGE";
constexpr const char* kMinutes = "MINUTEN";

void addAlarm(icalcomponent* event, qint64 leadSeconds, const char* kind, const QString& subject) {
    icalcomponent* alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(static_cast<int>(-leadSeconds));
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    const QString text = subject.isEmpty() ? QStringLiteral("Termin") : subject;
    icalcomponent_add_property(alarm, icalproperty_new_description(text.toUtf8().constData()));
    addXProperty(alarm, kKindProperty, kind);
    icalcomponent_add_component(event, alarm);
}

// Seconds before the start of an alarm triggered relative to the start; none for any other.
std::optional<qint64> leadOf(icalcomponent* alarm) {
    icalproperty* property = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!property)
        return std::nullopt;
    const icaltriggertype trigger = icalproperty_get_trigger(property);
    if (!icaltime_is_null_time(trigger.time))
        return std::nullopt;
    icalparameter* related = icalproperty_get_first_parameter(property, ICAL_RELATED_PARAMETER);
    if (related && icalparameter_get_related(related) == ICAL_RELATED_END)
        return std::nullopt;
    const qint64 lead = -static_cast<qint64>(icaldurationtype_as_int(trigger.duration));
    if (lead < 0)
        return std::nullopt;
    return lead;
}

} // namespace

void addAlarms(icalcomponent* event, const Leads& leads, const QString& subject) {
    if (leads.daysSeconds)
        addAlarm(event, *leads.daysSeconds, kDays, subject);
    if (leads.minutesSeconds)
        addAlarm(event, *leads.minutesSeconds, kMinutes, subject);
}

Leads readAlarms(icalcomponent* event, bool wholeDay) {
    Leads leads;
    std::optional<qint64> nearest;
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        const std::optional<qint64> lead = leadOf(alarm);
        if (!lead)
            continue;
        const char* kind = xValue(alarm, kKindProperty);
        if (kind && std::strcmp(kind, kDays) == 0) {
            if (*lead > 0)
                leads.daysSeconds = lead;
        } else if (kind && std::strcmp(kind, kMinutes) == 0 && !wholeDay) {
            leads.minutesSeconds = lead;
        } else if (wholeDay || *lead >= kSecondsPerDay) {
            const qint64 days =
                wholeDay ? (*lead + kSecondsPerDay - 1) / kSecondsPerDay * kSecondsPerDay : *lead;
            if (days > 0 && (!leads.daysSeconds || days > *leads.daysSeconds))
                leads.daysSeconds = days;
        } else if (!nearest || *lead < *nearest) {
            nearest = lead;
        }
    }
    if (!wholeDay && !leads.minutesSeconds)
        leads.minutesSeconds = nearest ? std::llround(static_cast<double>(*nearest) / 60.0) * 60 : 0;
    return leads;
}

} // namespace moravel::ical
