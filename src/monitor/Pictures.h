#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

// The monitor's pictures, from its resources.
namespace moravel::monitor {

// Background of the main window in the given size, which the popup copies: a calm light
// gradient with soft light, so that black and red text stays readable on every part of it.
QPixmap backgroundPicture(QSize size);

// The popup's 32 x 32 reminder sign: a small bell.
QPixmap reminderIcon();

// The program's own icon, as installed for the desktop, drawn in the given size.
QImage programIcon(int size);

// The notification-area icon: a calendar sheet with a clock face, drawn for every size.
QIcon trayIcon();

} // namespace moravel::monitor
