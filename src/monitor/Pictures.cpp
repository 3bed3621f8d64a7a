#include "Pictures.h"

#include "MonitorLog.h"

#include <QImageReader>

#include <algorithm>

namespace moravel::monitor {

QPixmap backgroundPicture(QSize size) {
    const QSize target = size.expandedTo(QSize(1, 1));
    // The square picture is drawn for the larger side and its middle cut out, so that its
    // round lights stay round in a window of any shape.
    const int side = std::max(target.width(), target.height());
    QImageReader reader(QStringLiteral(":/monitor/hintergrund.svg"));
    reader.setScaledSize(QSize(side, side));
    const QImage square = reader.read();
    if (square.isNull()) {
        qCWarning(lcMonitor, "Cannot draw the background picture: %s", qUtf8Printable(reader.errorString()));
        QPixmap plain(target);
        plain.fill(QColor(0xdc, 0xe7, 0xf4));
        return plain;
    }
    return QPixmap::fromImage(square.copy((side - target.width()) / 2, (side - target.height()) / 2,
                                          target.width(), target.height()));
}

QPixmap reminderIcon() {
    return QPixmap(QStringLiteral(":/monitor/glocke.svg"));
}

QImage programIcon(int size) {
    return QIcon(QStringLiteral(":/monitor/wardolin.svg")).pixmap(size).toImage();
}

QIcon trayIcon() {
    return QIcon(QStringLiteral(":/monitor/symbol.svg"));
}

} // namespace moravel::monitor
