#pragma once

class QWidget;

namespace moravel::monitor {

// Keeps a monitor window above all ordinary windows without moving, sizing or activating it.
// Used by the main window and the popup when they load.
void FensterImmerOben(QWidget* window);

} // namespace moravel::monitor
