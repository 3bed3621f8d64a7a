#pragma once

#include <QIcon>
#include <QPixmap>
#include <QStyle>

#include <vector>

// The planner's pictures, all from the planner's resources.
namespace moravel::planner::pictures {

// The banner across the top of the main window: its background with the program's mark and name.
QPixmap banner(QSize size, qreal devicePixelRatio = 1.0);

// The banner's background, from deep to light blue, for a strip of this size.
QPixmap bannerBackground(QSize size, qreal devicePixelRatio = 1.0);

// The row of stars of the special-days strip at the strip's height, to be repeated across it.
QPixmap stars(int height, qreal devicePixelRatio = 1.0);

// The list's day-class markers by icon number, from 1 (7 is used by no class and stays empty).
std::vector<QIcon> listMarkers();

enum class Tool { Add, Edit, Copy, Search, Delete, Past, Help, Monitor, Exit };

// A toolbar picture, one of our own.
QIcon tool(Tool kind);

// The picture beside the date field that opens the list of special days.
QIcon specialDays();

// The rows of the special-days list by their icon index (1, 2, 4 and 7), and its close button.
QIcon specialDayRow(int index);
QIcon closeList();

// Our own picture for a standard picture the planner's widgets ask their style for (the month
// view's arrows, a tool bar's extension button); a null icon for any other.
QIcon standard(QStyle::StandardPixmap which);

} // namespace moravel::planner::pictures
