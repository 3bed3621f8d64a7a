#pragma once

#include <QRect>
#include <QString>

#include <optional>

class QWidget;

// Window geometry read back from the settings. A value another program or an old version wrote
// (a width of 5, 1e300, a position on a screen that is gone) must never leave a window that
// cannot be seen, and so not be closed to write a better value.
namespace moravel::ui {

// One stored dimension in twips: none when empty, not a number or not finite.
std::optional<double> storedTwips(const QString& text);

// The frame made usable in `available`: at least `minimum` and at most the area in size, and
// wholly inside the area (moved back in from wherever it lies).
QRect usableGeometry(QRect frame, const QSize& minimum, const QRect& available);

// The area a window with this frame may use: the available part of the screen the frame's
// centre lies on, or of the primary screen when none holds it.
QRect availableAreaFor(const QRect& frame);

} // namespace moravel::ui
