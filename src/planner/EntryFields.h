#pragma once

#include "Appointment.h"

#include <QDate>
#include <QString>

#include <optional>

// The rules of the planner's entry fields, free of widgets.
namespace moravel::planner::entry {

// Characters the subject field takes when typing.
constexpr int kSubjectLength = 200;

// Lead days on leaving the field: what is no number becomes "0"; a number stays as typed.
QString correctedLeadDays(const QString& text);
// Lead minutes on leaving the field: a whole number 0..1439, halves rounded to the even neighbour.
QString correctedLeadMinutes(const QString& text);
// The time on leaving the field: what is no valid "hh:mm" becomes "00:00".
QString correctedTime(const QString& text);
// The time of a "hh:mm" text, when it is a valid time of day.
std::optional<QTime> timeOf(const QString& text);

// The message that refuses an appointment on this day with this recurrence (Combo2 position),
// or nothing when it may be added.
std::optional<QString> addingRefusal(QDate day, int recurrence);

struct Fields {
    QString subject;
    QDate day;
    QString time;       // "hh:mm"
    int recurrence = 0; // Combo2 position; -1 when nothing is selected
    QString leadDays;
    QString leadMinutes;
    QString remarks;
};

// The row that adding writes, or nothing when the time is not valid (then nothing is written).
std::optional<moravel::Appointment> newRow(const Fields& fields, double now);

// Combo2 position of a recurrence letter ("E" 0 ... "Z" 7; anything else 0).
int positionOfLetter(const QString& letter);

} // namespace moravel::planner::entry
