#pragma once

#include "Appointment.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <set>
#include <utility>

// What the monitor's re-read decides about one row: whether it is listed, how it is listed,
// and when its reminder is due. Free of widgets so that every rule can be tried alone.
namespace moravel::monitor {

// Moments are counted in five-decimal steps of a date serial (1/100000 day, 864 ms), the
// precision in which the table stores times. Integer steps keep comparisons exact.
constexpr qint64 kStepsPerDay = 100000;
constexpr qint64 kMsPerStep = 864;

// The day a step belongs to; a moment before midnight belongs to the day before.
qint64 dayOfStep(qint64 step);

// The step of a local date and time, its time of day rounded to five decimals.
qint64 stepOf(const QDateTime& moment);

// Recurrence display name of the code in Wiederholung; any other text is a one-off.
QString recurrenceName(const QString& wiederholung);

// The row's day (TerminDatum); none when it is no number, and such a row is left out.
std::optional<qint64> dayOf(const Appointment& row);

// Today lies within the lead days: day - VorTage <= today <= day. Lead days that are no number
// count as 0.
bool isCurrent(qint64 day, const QString& vorTage, qint64 today);
bool isCurrent(qint64 day, std::optional<qint64> vorTage, qint64 today);

// The four lines a current row of this day adds to List1 (the fourth is empty).
QStringList listLines(const Appointment& row, qint64 day, qint64 today);

// Label1 of the main window for this many current appointments.
QString summaryText(int count);

// The popup's time line ("um 14:30 Uhr") and message line for the stored lead minutes.
QString timeLine(const Appointment& row);
QString messageLine(const QString& vorMinuten);

// The body of a reminder's desktop notification: subject, time line and message line.
QString notificationText(const Appointment& row);

// Lead in steps: VorMinuten / 1440 at five decimals, or 0 when VorMinuten is no number above 0.
qint64 leadSteps(const QString& vorMinuten);

// The reminder moment of a row of this day: the day plus its time minus the lead, in steps.
// None when the row has no time.
std::optional<qint64> reminderMoment(qint64 day, const Appointment& row);

// Five-decimal text of the time-of-day part of a step relative to a day (Label2, Label3).
QString fractionText(qint64 step, qint64 day);

// After a resume or a lock that lasted past midnight, the reminders of the evening before still
// come when they are at most this old (12 hours); those of earlier days stay unsaid.
constexpr qint64 kCatchUpSteps = kStepsPerDay / 2;

// Which reminders a tick gives. Each tick covers the interval from the previous tick
// (exclusive) to itself (inclusive), so a reminder is given on the first tick at or after
// its moment whatever the phase of the timer against the clock. An occurrence, known by row
// and moment, is given at most once per monitor run, also when the clock is set back.
class ReminderSchedule {
public:
    // Starts a new interval at this moment: what lies before it is not made up, a reminder of
    // this very moment is due on the next tick.
    void restart(qint64 now);
    // Moves on to this tick. `rowsFresh`: the rows the tick tests were read just now. While they
    // could not be (another program holds the file), the interval reaches back to the last tick
    // that read them, so that a row read late still gets its reminder. A clock set back gives
    // an empty interval from which the following ticks go on.
    void advance(qint64 now, bool rowsFresh = true);
    // True once for an occurrence of today, or of yesterday within kCatchUpSteps, whose moment
    // lies in the current interval.
    bool take(qint64 id, qint64 moment);
    // True for an occurrence of today still to come: a later tick will take it.
    bool pending(qint64 id, qint64 moment) const;

private:
    qint64 m_from = 0;
    qint64 m_to = 0;
    qint64 m_read = 0; // the last tick whose rows were fresh
    std::set<std::pair<qint64, qint64>> m_given;
};

// Stored text as lists and labels show it: its first kShownChars characters. A subject of
// megabytes would otherwise take the windows seconds to lay out.
constexpr qsizetype kShownChars = 4000;
QString shownText(const QString& stored);

} // namespace moravel::monitor
