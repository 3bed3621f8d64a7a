#pragma once

#include <QString>

// Appointment tables of a chosen size for the benchmarks and the whole-program runs.
namespace moravel::bench {

// 7 December 2026, the day every in-process benchmark runs on.
constexpr qint64 kBenchToday = 46363;

// Rows spread over thirty years from today + firstDay: with firstDay -7300 (the default) twenty
// years of past one-offs and locked history and ten years ahead, with lead days up to two weeks
// so that a realistic handful is current; with firstDay 0 every row lies ahead. Passed rows are
// one-offs or locked occurrences, so that a renewal on this table adds nothing.
void fillTable(const QString& path, int rows, qint64 today, qint64 firstDay = -7300);

// Adds one live daily appointment whose day lies this many days before today.
void addDailyBacklog(const QString& path, qint64 today, int days);

} // namespace moravel::bench
