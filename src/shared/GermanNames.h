#pragma once

#include <QDate>
#include <QString>

// German day and month names as the programs show them. Fixed tables rather than
// the locale: the locale's abbreviations carry a point ("Mo.") that is not wanted here.
namespace moravel::german {

QString weekdayName(QDate date);  // Montag
QString weekdayShort(QDate date); // Mo
QString monthName(int month);     // Januar (1..12)
QString monthShort(int month);    // Jan, Feb, Mär

// 07.12.2026   Mo  (three blanks; the planner's list)
QString listDate(QDate date);

} // namespace moravel::german
