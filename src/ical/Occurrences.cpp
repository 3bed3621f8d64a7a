#include "Occurrences.h"

#include "ChainForm.h"

#include <algorithm>

namespace moravel::ical {

namespace {

// Beyond this many moments a set is not walked further (a rule every second since 1990).
constexpr int kMaxSteps = 200000;
// A series follows a recurrence type when it does so for this long, a leap-year cycle, or this
// many moments. The rules compared have no BY part that could tell days apart later (see
// isSimple), so that a daily rule need not be walked for years; libical's walk costs microseconds
// a moment.
constexpr int kYearsCompared = 5;
constexpr int kMomentsCompared = 100;

bool isAtLeastDaily(icalrecurrencetype_frequency frequency) {
    return frequency == ICAL_DAILY_RECURRENCE || frequency == ICAL_WEEKLY_RECURRENCE ||
           frequency == ICAL_MONTHLY_RECURRENCE || frequency == ICAL_YEARLY_RECURRENCE;
}

int countOf(const short* values, int size) {
    int n = 0;
    while (n < size && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}

// A rule whose days the renewal could give: at most one month, one day of the month, one weekday
// without position, and nothing finer or coarser.
bool isSimple(const icalrecurrencetype& rule) {
    const int days = countOf(rule.by_day, ICAL_BY_DAY_SIZE);
    return !rule.rscale && countOf(rule.by_second, ICAL_BY_SECOND_SIZE) == 0 &&
           countOf(rule.by_minute, ICAL_BY_MINUTE_SIZE) == 0 &&
           countOf(rule.by_hour, ICAL_BY_HOUR_SIZE) == 0 &&
           countOf(rule.by_year_day, ICAL_BY_YEARDAY_SIZE) == 0 &&
           countOf(rule.by_week_no, ICAL_BY_WEEKNO_SIZE) == 0 &&
           countOf(rule.by_set_pos, ICAL_BY_SETPOS_SIZE) == 0 &&
           countOf(rule.by_month, ICAL_BY_MONTH_SIZE) <= 1 &&
           countOf(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE) <= 1 &&
           (days == 0 || (days == 1 && icalrecurrencetype_day_position(rule.by_day[0]) == 0));
}

} // namespace

icaltimezone* zoneOf(icalproperty* property, const icaltimetype& value, icalcomponent* calendar) {
    if (value.is_date)
        return nullptr;
    if (icaltime_is_utc(value))
        return icaltimezone_get_utc_timezone();
    icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    if (!parameter)
        return nullptr;
    const char* tzid = icalparameter_get_tzid(parameter);
    if (!tzid)
        return nullptr;
    if (icaltimezone* zone = calendar ? icalcomponent_get_timezone(calendar, tzid) : nullptr)
        return zone;
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid))
        return zone;
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone_from_tzid(tzid))
        return zone;
    qCWarning(lcIcal) << "time zone" << tzid << "is described nowhere; its times are taken as local";
    return nullptr;
}

Occurrences::Occurrences(icalcomponent* event, icalcomponent* calendar) {
    icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (!start)
        return;
    const icaltimetype startTime = icalproperty_get_dtstart(start);
    if (icaltime_is_null_time(startTime) || !icaltime_is_valid_time(startTime))
        return;
    m_valid = true;
    m_start = momentOf(startTime);
    m_zone = zoneOf(start, startTime, calendar);

    const icaltimetype iteratorStart = icalTimeOf(m_start);
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        const icalrecurrencetype recurrence = icalproperty_get_rrule(p);
        if (recurrence.freq == ICAL_NO_RECURRENCE)
            continue;
        if (recurrence.count == 0 && icaltime_is_null_time(recurrence.until))
            m_finite = false;
        m_simple = m_simple && isSimple(recurrence);
        Rule rule{RecurIteratorPtr(icalrecur_iterator_new(recurrence, iteratorStart)), recurrence, {}};
        if (!rule.iterator)
            continue;
        advance(rule);
        m_rules.push_back(std::move(rule));
    }
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
        const icaltimetype time = icaltime_is_null_time(value.time) ? value.period.start : value.time;
        if (!icaltime_is_null_time(time))
            m_extra.push_back(momentIn(p, time, calendar, m_zone));
    }
    std::sort(m_extra.begin(), m_extra.end());
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
        const icaltimetype time = icalproperty_get_exdate(p);
        if (icaltime_is_null_time(time))
            continue;
        const Moment excluded = momentIn(p, time, calendar, m_zone);
        if (excluded.isWholeDay() || m_start.isWholeDay())
            m_excludedDays.insert(excluded.date);
        else
            m_excluded.insert(excluded);
    }
}

Moment momentIn(icalproperty* property, icaltimetype value, icalcomponent* calendar, icaltimezone* target) {
    icaltimezone* zone = zoneOf(property, value, calendar);
    if (zone && target && zone != target)
        icaltimezone_convert_time(&value, zone, target);
    return momentOf(value);
}

void Occurrences::advance(Rule& rule) {
    const icaltimetype time = icalrecur_iterator_next(rule.iterator.get());
    rule.head = icaltime_is_null_time(time) ? std::nullopt : std::optional<Moment>(momentOf(time));
}

void Occurrences::skipBefore(QDate day) {
    // Two days before, so that no zone's offset can move a moment of the day itself out.
    const Moment from{day.addDays(-2), m_start.isWholeDay() ? -1 : 0};
    if (!(m_start < from))
        return;
    m_startPending = false;
    for (Rule& rule : m_rules) {
        // libical jumps correctly for rules of a day or longer without COUNT, and walks otherwise.
        if (rule.recurrence.count != 0 || !isAtLeastDaily(rule.recurrence.freq))
            continue;
        if (icalrecur_iterator_set_start(rule.iterator.get(), icalTimeOf(from)))
            advance(rule);
    }
    while (m_nextExtra < m_extra.size() && m_extra[m_nextExtra] < from)
        ++m_nextExtra;
}

bool Occurrences::isExcluded(const Moment& moment) const {
    return m_excludedDays.count(moment.date) > 0 || m_excluded.count(moment) > 0;
}

std::optional<Moment> Occurrences::next() {
    while (m_steps++ < kMaxSteps) {
        std::optional<Moment> earliest;
        const auto consider = [&earliest](const std::optional<Moment>& moment) {
            if (moment && (!earliest || *moment < *earliest))
                earliest = moment;
        };
        if (m_startPending)
            consider(m_start);
        for (const Rule& rule : m_rules)
            consider(rule.head);
        if (m_nextExtra < m_extra.size())
            consider(m_extra[m_nextExtra]);
        if (!earliest)
            return std::nullopt;

        // Every source that stands on this moment moves on: a moment two of them give is one.
        if (m_startPending && m_start == *earliest)
            m_startPending = false;
        for (Rule& rule : m_rules) {
            while (rule.head && !(*earliest < *rule.head))
                advance(rule);
        }
        while (m_nextExtra < m_extra.size() && !(*earliest < m_extra[m_nextExtra]))
            ++m_nextExtra;

        if ((m_last && !(*m_last < *earliest)) || isExcluded(*earliest))
            continue;
        m_last = earliest;
        return earliest;
    }
    qCWarning(lcIcal) << "recurrence set starting" << m_start.date << "not walked beyond" << kMaxSteps
                      << "moments";
    return std::nullopt;
}

namespace {

// Whether the rest of the set is the chain the renewal gives with this digit from `first`, whose
// next moment `second` has been read and found on it; all three as wall-clock times here.
template <typename ToLocal>
bool followsChain(Occurrences& occurrences, const Moment& first, const Moment& second,
                  const Moment& secondInZone, int digit, ToLocal toLocal) {
    const QDate last = first.date.addYears(kYearsCompared);
    Moment expected = second;
    Moment compared = secondInZone;
    for (int count = 0; count < kMomentsCompared; ++count) {
        const std::optional<QDate> day = nextChainDay(expected.date, digit);
        if (!day || *day > last)
            break;
        expected.date = *day;
        const std::optional<Moment> moment = occurrences.next();
        if (!moment || toLocal(*moment) != expected)
            return false;
        compared = *moment;
    }
    const auto onChain = [&first, digit, &toLocal](const Moment& inZone) {
        const Moment moment = toLocal(inZone);
        if (moment.seconds != first.seconds)
            return false;
        std::optional<QDate> day = first.date;
        while (day && *day < moment.date)
            day = nextChainDay(*day, digit);
        return day == moment.date;
    };
    return occurrences.listsAgreeAfter(compared, onChain);
}

} // namespace

NextOccurrence nextOccurrence(Occurrences& occurrences, const LocalZone& local, QDate today) {
    if (!occurrences.recurs())
        return {occurrences.start(), 0, false};
    // The renewal keeps the wall-clock time here: a series in a zone whose clocks change on
    // other days than the local ones does not follow it.
    const auto toLocal = [&](const Moment& moment) {
        return local.wallTime(icalTimeOf(moment), occurrences.zone());
    };
    occurrences.skipBefore(today);
    std::optional<Moment> last;
    std::optional<Moment> moment;
    while ((moment = occurrences.next())) {
        if (toLocal(*moment).date >= today)
            break;
        last = moment;
    }
    if (!moment)
        return {last.value_or(occurrences.start()), 0, true};
    if (occurrences.isFinite() || !occurrences.hasSimpleRules())
        return {*moment, 0, true};
    const std::optional<Moment> second = occurrences.next();
    if (!second)
        return {*moment, 0, true};
    const Moment first = toLocal(*moment);
    const Moment next = toLocal(*second);
    for (int digit = 1; next.seconds == first.seconds && digit <= 7; ++digit) {
        // The steps of the types differ, so at most one digit gets this far.
        if (nextChainDay(first.date, digit) == next.date) {
            const bool follows = followsChain(occurrences, first, next, *second, digit, toLocal);
            return {*moment, follows ? digit : 0, !follows};
        }
    }
    return {*moment, 0, true};
}

} // namespace moravel::ical
