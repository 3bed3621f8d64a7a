#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The planner's own pictures, drawn rather than shipped.
namespace pictures {

// The banner across the top of the main window.
QPixmap banner(QSize size, qreal devicePixelRatio = 1.0);

// A small list marker in the given colour; past markers carry a stroke.
QIcon listMarker(const QColor& color, bool past = false);

enum class Tool { Add, Edit, Copy, Search, Delete, Past, Help, Monitor, Exit };

// A toolbar picture: the desktop's icon theme where it has one, else one of our own.
QIcon tool(Tool kind);

// The picture beside the date field that opens the list of special days.
QIcon specialDays();

} // namespace pictures
