#pragma once

#include "Appointment.h"

#include <array>
#include <optional>

namespace moravel::ical {

// What iCalendar's own properties say of a row: the day and time of DTSTART, the recurrence and
// the alarms. Rows with the same shape export the same standard properties.
struct RowShape {
    qint64 day = 0;
    int seconds = -1;   // time of day; -1 when TerminUhrzeit is no number: a whole-day event
    int recurrence = 0; // 1..7 for a live row that the renewal continues; 0 otherwise
    std::optional<qint64> leadDaysSeconds;    // VorTage when more than none
    std::optional<qint64> leadMinutesSeconds; // the reminder's lead of a timed row (the monitor's)
    std::optional<qint64> sortKey;            // TerminDatumUhrzeit in units of 0.00001 days

    bool operator==(const RowShape&) const = default;
};

// The shape of a row; none when its day is no number or no date.
std::optional<RowShape> shapeOf(const moravel::Appointment& row);

// The row an event of this shape becomes when nothing but iCalendar's own properties are known:
// texts as the planner writes an entered row, written at `now` (a date serial).
moravel::Appointment plainRow(const RowShape& shape, const QString& subject, const QString& remarks,
                              double now);

// The text libical reads back of a TEXT value it wrote: without CR and other control characters
// but line feed and tab, and without blanks and tabs at either end.
QString asReadBack(const QString& text);

// Whether an event says what a row says: the same shape and the same texts as read back.
bool saysTheSame(const moravel::Appointment& row, const moravel::Appointment& event);

// The row fields that iCalendar has no property for, or that it says only up to their text's
// form, with the X- property that carries their exact text. In the order in which they are
// taken back: the lock before the recurrence, which only a locked row may keep.
struct CarriedField {
    const char* property;
    QString moravel::Appointment::*field;
};
const std::array<CarriedField, 11>& carriedFields();

// The UID of the chain a locked row's event belongs to.
inline constexpr const char* kChainProperty = "X-MORAVEL-KETTE";

// An exact text as the value of an X- property: quoted and percent-encoded, as libical keeps
// neither an empty X- value nor the line breaks and commas of one.
QByteArray carriedValue(const QString& text);
// The text of such a value; none for a value in any other form.
std::optional<QString> carriedText(const char* value);

} // namespace moravel::ical
