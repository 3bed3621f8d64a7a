#pragma once

#include <QString>

// Appointment tables of a chosen size for the benchmarks and the whole-program runs.
namespace moravel::bench {

// 7 December 2026, the day every in-process benchmark runs on.
constexpr qint64 kBenchToday = 46363;

// Where a table's rows lie. Passed rows are one-offs or locked occurrences of recurring
// appointments, so that a renewal on any of them adds nothing; lead days go up to two weeks.
enum class Shape {
    // As years of use leave a planner: its history grows with every renewed occurrence, while
    // what lies ahead stays about the same. 200 rows in the coming year (each recurring one a
    // chain's live row), every other row in the twenty years before today.
    History,
    // A list-heavy table: rows spread over twenty years behind and ten ahead, a third ahead.
    ThirdAhead,
    // Every row in the thirty years ahead: the most a list or a tick can have to look at.
    AllAhead
};

void fillTable(const QString& path, int rows, qint64 today, Shape shape = Shape::History);

// Adds one live daily appointment whose day lies this many days before today.
void addDailyBacklog(const QString& path, qint64 today, int days);

// Commits a change of row 1's remarks, numbered `change`, through a connection of its own, as the
// planner's change reaches the monitor.
void changeRemarks(const QString& path, int change);

} // namespace moravel::bench
