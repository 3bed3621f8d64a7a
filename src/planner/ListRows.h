#pragma once

#include "Appointment.h"
#include "TerminStore.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the planner's list shows, computed from table rows without any widget.
namespace moravel::planner::listrows {

// Columns of ListView1.
enum Column { Grafik, Whg, Datum, Uhrzeit, Vortage, Betreff, DatumWert, ID, ColumnCount };

// Stored texts are shown up to this many characters: a list row or a message stays quick to lay
// out whatever another program stored. The table keeps the whole text.
constexpr qsizetype kShownChars = 2000;
QString shown(const QString& stored);

// One listed row: what the columns are made of, and nothing more, so that a long list stays small.
struct ListEntry {
    qint64 id = 0;
    qint64 day = 0;   // the row's day number
    QString subject;  // Betreff, cut to kShownChars
    QString leadDays; // VorTage as stored, cut to kShownChars
    int minutes = -1; // time of day in minutes; -1 when the row has none
    QChar recurrence; // the letter of the "Whg" column

    bool operator==(const ListEntry&) const = default;
};

// The entry of a table row whose day number is known.
ListEntry listEntry(const moravel::Appointment& row, qint64 day);
// The text of one column; today decides the bars of the first column.
QString columnText(const ListEntry& entry, int column, qint64 today);

// Appointments that fell due while the planner was closed: after its last closing and before now.
struct Missed {
    static constexpr int kLimit = 200;
    int count = 0;
    QStringList subjects; // in the order the pass met them, at most kLimit

    void check(const moravel::Appointment& row, double closedAt, double now);
    // Whether a row due at this moment fell due after closedAt and before now; check counts
    // the row if so.
    static bool fellDue(std::optional<double> moment, double closedAt, double now);
    // The report's text, or empty text when nothing was missed.
    QString message() const;
};

// The day number of a row; none when its day is no whole number.
std::optional<qint64> dayOf(const moravel::Appointment& row);
// The day of a row that the coming view lists: today or later; none for earlier rows and for
// rows whose day is no number.
std::optional<qint64> comingDay(const moravel::Appointment& row, qint64 today);
// The same test on a row's key, before the row is read.
bool isComing(const moravel::TerminStore::RowKey& key, qint64 today);

// At the program's start the coming view lists this many rows before the window first shows,
// more than the tallest screen shows, and the rest after its first paint.
constexpr int kFirstScreenRows = 200;

// The past view shows the newest rows, daily ones left out, up to this many.
constexpr int kPastRows = 4999;
// The entries of the past view's rows, in the given order; rows whose day is no number are left out.
std::vector<ListEntry> pastEntries(const std::vector<moravel::Appointment>& rows);

// The sort key column for a clicked header column; none for the hidden columns.
std::optional<int> sortKeyColumn(int clicked);

} // namespace moravel::planner::listrows
