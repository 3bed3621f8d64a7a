#include "Zone.h"

#include <cstring>

namespace moravel::ical {

Q_LOGGING_CATEGORY(lcIcal, "moravel.ical")

namespace {

icaltimezone* builtinZone(const QByteArray& id) {
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(id.constData()))
        return zone;
    // libical names UTC only under its Etc/ alias.
    if (id == "UTC")
        return icaltimezone_get_builtin_timezone("Etc/UTC");
    return nullptr;
}

} // namespace

LocalZone::LocalZone(const QByteArray& ianaId)
    : m_id(ianaId.isEmpty() ? QTimeZone::systemTimeZoneId() : ianaId), m_ical(builtinZone(m_id)),
      m_zone(m_id) {
    if (!m_zone.isValid())
        m_zone = QTimeZone::systemTimeZone();
    if (!m_ical)
        qCWarning(lcIcal) << "libical knows no time zone" << m_id << "- times are written without zone";
}

ComponentPtr LocalZone::vtimezone(QDate from) const {
    if (!m_ical)
        return nullptr;
    ComponentPtr zone(icalcomponent_new_clone(icaltimezone_get_component(m_ical)));
    // libical's own TZID carries a prefix of its own; other programs know the plain IANA id.
    icalproperty_set_tzid(icalcomponent_get_first_property(zone.get(), ICAL_TZID_PROPERTY), m_id.constData());
    removeXProperty(zone.get(), "X-LIC-LOCATION");
    icaltimetype start = icalTimeOf(Moment{from.addDays(-1), 0});
    start.zone = icaltimezone_get_utc_timezone();
    icaltimezone_truncate_vtimezone(zone.get(), start, icaltime_null_time(), 0);
    return zone;
}

bool LocalZone::isThis(icaltimezone* zone) const {
    if (zone == m_ical)
        return true;
    for (const char* name : {icaltimezone_get_tzid(zone), icaltimezone_get_location(zone)}) {
        if (name && m_id == name)
            return true;
    }
    return false;
}

Moment LocalZone::wallTime(const icaltimetype& time, icaltimezone* zone) const {
    if (time.is_date || !zone || isThis(zone))
        return momentOf(time);
    const QDateTime here = QDateTime::fromSecsSinceEpoch(icaltime_as_timet_with_zone(time, zone), m_zone);
    return Moment{here.date(), here.time().msecsSinceStartOfDay() / 1000};
}

QDateTime LocalZone::toUtc(const QDateTime& wallClock) const {
    return QDateTime(wallClock.date(), wallClock.time(), m_zone).toUTC();
}

} // namespace moravel::ical
