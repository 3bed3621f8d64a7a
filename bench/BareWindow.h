#pragma once

#include <QMainWindow>

#include <memory>

// The floor a Qt Widgets program starts on: a main window with a menu bar, a tool bar, an empty
// tree view, five line edits and a status bar, and nothing of the planner. The start-up figures
// of the planner are told against it.
namespace moravel::bench {

inline const QString kBareWindowTitle = QStringLiteral("Bare Qt window");

std::unique_ptr<QMainWindow> bareWindow();

} // namespace moravel::bench
