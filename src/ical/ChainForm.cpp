#include "ChainForm.h"

#include "DateSerial.h"
#include "IcalHandles.h"
#include "Moment.h"
#include "Recurrence.h"

#include <algorithm>

namespace moravel::ical {

namespace {

struct Step {
    icalrecurrencetype_frequency frequency;
    short interval;
    int months; // months between two days; 0 when the step is counted in days
};

Step stepOf(int digit) {
    switch (digit) {
    case 1:
        return {ICAL_DAILY_RECURRENCE, 1, 0};
    case 2:
        return {ICAL_WEEKLY_RECURRENCE, 1, 0};
    case 3:
        return {ICAL_MONTHLY_RECURRENCE, 1, 1};
    case 4:
        return {ICAL_MONTHLY_RECURRENCE, 3, 3};
    case 5:
        return {ICAL_MONTHLY_RECURRENCE, 6, 6};
    case 6:
        return {ICAL_YEARLY_RECURRENCE, 1, 12};
    default:
        return {ICAL_YEARLY_RECURRENCE, 2, 12};
    }
}

// The day of month a chain keeps once every month it visits has been met in a common year: the
// start's day, or the shortest of those months when that is shorter.
int stableDay(QDate start, const Step& step) {
    int day = start.day();
    if (step.months == 0)
        return day;
    constexpr int kCommonYear = 2001;
    int month = start.month();
    for (int i = 0; i < 12; ++i) {
        day = std::min(day, QDate(kCommonYear, month, 1).daysInMonth());
        month = (month - 1 + step.months) % 12 + 1;
    }
    return day;
}

icalrecurrencetype plainRule(const Step& step) {
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    rule.freq = step.frequency;
    rule.interval = step.interval;
    return rule;
}

} // namespace

std::optional<QDate> nextChainDay(QDate day, int digit) {
    const std::optional<qint64> next = Folgedatum(serial::dayNumber(day), digit);
    if (!next)
        return std::nullopt;
    return serial::dateOfDay(*next);
}

std::vector<QDate> chainDays(QDate start, int digit, QDate last) {
    std::vector<QDate> days;
    for (std::optional<QDate> day = start; day && *day <= last; day = nextChainDay(*day, digit))
        days.push_back(*day);
    return days;
}

ChainForm chainForm(QDate start, int digit) {
    const Step step = stepOf(digit);
    ChainForm form{plainRule(step), start, {}};
    const int stable = stableDay(start, step);
    if (stable == start.day())
        return form;

    // The days before the chain reaches the stable day: at most a few years, until it meets the
    // short month of a common year.
    std::vector<QDate> before;
    std::optional<QDate> day = start;
    while (day && day->day() != stable) {
        before.push_back(*day);
        day = nextChainDay(*day, digit);
    }
    if (!day) {
        qCWarning(lcIcal) << "chain from" << start << "ends before it is stable; written as a plain rule";
        return form;
    }

    form.rule.by_month_day[0] = static_cast<short>(stable);
    form.rule.by_month_day[1] = ICAL_RECURRENCE_ARRAY_MAX;
    if (step.months == 12) {
        form.rule.by_month[0] = static_cast<short>(day->month());
        form.rule.by_month[1] = ICAL_RECURRENCE_ARRAY_MAX;
    }
    form.ruleStart = *day;
    form.extraDays = before;
    return form;
}

} // namespace moravel::ical
