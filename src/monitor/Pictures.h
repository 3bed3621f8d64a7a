#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The monitor's own pictures, drawn rather than shipped.
namespace moravel::monitor {

// Background of the main window in the given size, which the popup copies: a calm light
// gradient with soft light, so that black and red text stays readable on every part of it.
QPixmap backgroundPicture(QSize size);

// The popup's 32 x 32 reminder sign: a small bell.
QPixmap reminderIcon();

// The notification-area icon: a calendar sheet with a clock face, in the usual icon sizes.
QIcon trayIcon();

// The desktop clock's background strip, 230 x 13 pixels.
QPixmap clockStrip();

} // namespace moravel::monitor
