#pragma once

#include "Appointment.h"
#include "TerminStore.h"

#include <QStringList>

#include <optional>
#include <vector>

// What the planner's list shows, computed from table rows without any widget.
namespace listrows {

// Columns of ListView1.
enum Column { Grafik, Whg, Datum, Uhrzeit, Vortage, Betreff, DatumWert, ID, ColumnCount };

struct ListRow {
    QStringList texts;             // one text per column
    int icon = 1;                  // into ImageList1, from 1
    std::optional<quint32> colour; // 0x00BBGGRR; none: the list's own text colour
};

// One list row for a table row whose day number is known.
ListRow listRow(const moravel::Appointment& row, qint64 day, qint64 today);

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

// The day of a row that the coming view lists: today or later; none for earlier rows and for
// rows whose day is no number.
std::optional<qint64> comingDay(const moravel::Appointment& row, qint64 today);
// The same test on a row's key, before the row is read.
bool isComing(const moravel::TerminStore::RowKey& key, qint64 today);

// The past view: newest first as given, without daily rows, at most 4999 rows.
std::vector<ListRow> pastRows(const std::vector<moravel::Appointment>& rows, qint64 today);
constexpr int kPastLimit = 5000;

// The sort key column for a clicked header column; none for the hidden columns.
std::optional<int> sortKeyColumn(int clicked);

} // namespace listrows
