#include "WindowGeometry.h"

#include "NumberText.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace moravel::ui {

std::optional<double> storedTwips(const QString& text) {
    const std::optional<double> value = numtext::parse(text);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

QRect usableGeometry(QRect frame, const QSize& minimum, const QRect& available) {
    if (available.isEmpty())
        return frame;
    const QSize size = frame.size().expandedTo(minimum).boundedTo(available.size());
    frame.setSize(size);
    const int left = std::clamp(frame.left(), available.left(), available.right() - size.width() + 1);
    const int top = std::clamp(frame.top(), available.top(), available.bottom() - size.height() + 1);
    frame.moveTo(left, top);
    return frame;
}

QRect availableAreaFor(const QRect& frame) {
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace moravel::ui
